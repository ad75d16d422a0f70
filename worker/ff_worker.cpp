#include "ff_worker.h"

#include "asset_scan.h"
#include "fastfile_load.h"
#include "program_log.h"
#include "raw_export.h"
#include "sound_list.h"
#include "string_table.h"
#include "zone_strings.h"

#include <cstdarg>
#include <cstdio>
#include <new>

namespace {

// Status-bar texts: constants, never freed by the receiver.
const char kWorkingText[] = "Working.. ";
const char kIdleText[] = "Idle..";

// Status colours, COLORREF 0x00BBGGRR.
constexpr uint32_t kDecompressingColour = 0xFF95FF;
constexpr uint32_t kDumpColour = 0x38FFFF;
constexpr uint32_t kParsingColour = 0x38EBFF;
constexpr uint32_t kFilesColour = 0xFF4FB5;
constexpr uint32_t kDoneColour = 0x00FF00;
constexpr uint32_t kErrorColour = 0x0000FF;

constexpr int32_t kOutOfMemory = -4;  // zlib's Z_MEM_ERROR, "out of memory"

// A trailing separator on the output root would double the one OutputFolder adds.
std::string WithoutTrailingSeparators(std::string folder)
{
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\'))
        folder.pop_back();
    return folder;
}

}  // namespace

KestFFWorker::KestFFWorker()
{
    statusText_[0] = '\0';
}

KestFFWorker::~KestFFWorker()
{
    StopWorker();
}

void KestFFWorker::StartWorker(MessageTarget* target)
{
    // Two loops on one zone would race: a running thread is stopped before a new one starts.
    StopWorker();
    stop_ = false;
    target_ = target;
    thread_ = std::make_shared<std::thread>(&KestFFWorker::WorkLoop, this);
    theLog.Log("Background FastFile Worker started");
}

#ifdef _WIN32
void KestFFWorker::StartWorker(HWND window)
{
    StopWorker();
    windowTarget_.SetWindow(window);
    StartWorker(&windowTarget_);
}
#endif

void KestFFWorker::StopWorker()
{
    if (!thread_)
        return;
    stop_ = true;
    FFJob wake;
    wake.row = -1;
    AddJob(wake);
    if (thread_->joinable())
        thread_->join();
    thread_.reset();
    std::lock_guard<std::mutex> hold(queueLock_);
    jobs_.clear();
}

void KestFFWorker::AddJob(const FFJob& job)
{
    {
        std::lock_guard<std::mutex> hold(queueLock_);
        jobs_.push_back(job);
    }
    jobReady_.notify_one();
}

void KestFFWorker::WaitForJob(FFJob& job)
{
    std::unique_lock<std::mutex> hold(queueLock_);
    jobReady_.wait(hold, [this] { return !jobs_.empty(); });
    job = jobs_.front();
    jobs_.pop_front();
}

void KestFFWorker::WorkLoop()
{
    while (!stop_) {
        FFJob job;
        WaitForJob(job);
        if (stop_ || job.row < 0)
            continue;
        try {
            RunJob(job);
        } catch (const std::bad_alloc&) {
            // A hostile archive can ask for more than there is; that ends its job, not
            // the program.
            CloseSoundList(zone_);
            ResetZone(zone_);
            FailJob(job, kOutOfMemory);
        }
        PostStatusText(kIdleText);
    }
}

void KestFFWorker::RunJob(FFJob& job)
{
    PostStatusText(kWorkingText);
    currentRow_ = job.row;
    SetStatus("Decompressing", kDecompressingColour);
    PostProgress(5);

    if (job.LocalDump)
        job.folder.clear();
    if (!job.outputRoot.empty())
        job.folder = WithoutTrailingSeparators(job.outputRoot);
    zone_.path = job.path;
    zone_.name = job.name;
    zone_.folder = job.folder;

    int32_t result = LoadFastFile(zone_);
    if (result != 0) {
        FailJob(job, result);
        return;
    }

    if (job.create_dump) {
        PostProgress(25);
        SetStatus("Writing Dump File", kDumpColour);
        // The job goes on without its dump, but the user learns why it is missing.
        std::string dumpPath = job.path + ".dump";
        int32_t dumped = WriteDump(zone_, dumpPath);
        if (dumped == kResultAccessDenied)
            theLog.LogError("Permissions Required to write: %s", dumpPath.c_str());
        else if (dumped != 0)
            theLog.LogError("Failed To write: %s", dumpPath.c_str());
    }

    ReportNumber(kColumnSize, "0x%x", static_cast<unsigned>(zone_.zoneSize));
    PostProgress(50);
    SetStatus("Parsing Strings", kParsingColour);
    ParseStrings(zone_);
    PostProgress(60);
    SetStatus("Parsing DataTypes", kParsingColour);
    ParseAssetTypes(zone_);
    ReportNumber(kColumnFiles, "%i", static_cast<int>(zone_.assetTypes.size()));
    ReportNumber(kColumnStrings, "%i", static_cast<int>(zone_.strings.size()));

    PostProgress(70);
    SetStatus("Locating files", kFilesColour);
    LocateFiles(zone_);
    PostProgress(80);
    SetStatus("Writing Files", kFilesColour);
    WriteFiles(zone_);
    if (job.Inc_StringTable)
        WriteStringTable(zone_);
    ResetZone(zone_);
    PostProgress(100);
    SetStatus("Done", kDoneColour);
}

void KestFFWorker::FailJob(const FFJob& job, int32_t result)
{
    theLog.Log("(%s) Error: %s", job.name.c_str(), ResultMessage(result).c_str());
    PostProgress(0);
    SetStatus(result == kResultNotFastFile ? "Error: Corrupt or unsupported" : "Error: Check Log", kErrorColour);
}

void KestFFWorker::PostRowUpdate(int32_t column, int32_t setColour, uint32_t colour)
{
    RowUpdate* update = new RowUpdate{currentRow_, setColour, colour, statusText_};
    if (!target_ || !target_->Post(WM_KEST_ROWUPDATE, reinterpret_cast<uintptr_t>(update), column))
        delete update;
}

void KestFFWorker::PostProgress(int32_t percent)
{
    if (target_)
        target_->Post(WM_KEST_PROGRESS, 0, percent);
}

void KestFFWorker::PostStatusText(const char* text)
{
    if (target_)
        target_->Post(WM_KEST_STATUSTEXT, 0, reinterpret_cast<intptr_t>(text));
}

void KestFFWorker::SetStatus(const char* text, uint32_t colour)
{
    snprintf(statusText_, sizeof(statusText_), "%s", text);
    PostRowUpdate(kColumnStatus, 1, colour);
}

void KestFFWorker::ReportNumber(int32_t column, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vsnprintf(statusText_, sizeof(statusText_), format, args);
    va_end(args);
    PostRowUpdate(column, 0, 0);
}
