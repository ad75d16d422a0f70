#include "ff_worker.h"

#include "asset_scan.h"
#include "fastfile_load.h"
#include "output_folder.h"
#include "program_log.h"
#include "raw_export.h"
#include "zone_strings.h"

#include <cstdarg>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <type_traits>

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

void KestFFWorker::StartWorker(MessageTarget* target, const std::string& outputRoot,
                               const EntrySelection* selection)
{
    // Two loops on one zone would race: a running thread is stopped before a new one starts.
    StopWorker();
    stop_ = false;
    target_ = target;
    outputRoot_ = WithoutTrailingSeparators(outputRoot);
    selection_ = selection;
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

void KestFFWorker::RequestStop()
{
    if (!thread_)
        return;
    {
        std::lock_guard<std::mutex> hold(queueLock_);
        stop_ = true;
        jobs_.clear();
    }
    jobReady_.notify_all();
}

void KestFFWorker::StopWorker()
{
    if (!thread_)
        return;
    RequestStop();
    if (thread_->joinable())
        thread_->join();
    thread_.reset();
}

std::string KestFFWorker::OutputParentOf(const FFJob& job) const
{
    if (!outputRoot_.empty())
        return outputRoot_;
    return job.LocalDump ? std::string() : job.folder;
}

std::string KestFFWorker::OutputFolderOf(const FFJob& job) const
{
    return OutputFolder(OutputParentOf(job), job.name);
}

void KestFFWorker::AddJob(const FFJob& job)
{
    {
        std::lock_guard<std::mutex> hold(queueLock_);
        jobs_.push_back(job);
    }
    jobReady_.notify_one();
}

bool KestFFWorker::WaitForJob(FFJob& job)
{
    std::unique_lock<std::mutex> hold(queueLock_);
    jobReady_.wait(hold, [this] { return stop_ || !jobs_.empty(); });
    if (stop_)
        return false;
    // Moving cannot throw, so a job is never lost between the queue and the loop.
    static_assert(std::is_nothrow_move_assignable<FFJob>::value, "taking a job out must not throw");
    job = std::move(jobs_.front());
    jobs_.pop_front();
    return true;
}

void KestFFWorker::WorkLoop()
{
    FFJob job;
    while (WaitForJob(job)) {
        if (job.row < 0)
            continue;
        RunJobGuarded(job);
        if (stop_)
            break;
        ReportJobEnd(job);
    }
}

void KestFFWorker::RunJobGuarded(const FFJob& job) noexcept
{
    // Whatever a hostile archive makes the pipeline throw (a huge allocation, a length
    // past a container's limit) ends its job, not the program.
    try {
        RunJob(job);
    } catch (const std::bad_alloc&) {
        EndJobAfterException(job, nullptr);
    } catch (const std::length_error&) {
        EndJobAfterException(job, nullptr);
    } catch (const std::exception& e) {
        EndJobAfterException(job, e.what());
    } catch (...) {
        EndJobAfterException(job, "unexpected failure");
    }
}

void KestFFWorker::EndJobAfterException(const FFJob& job, const char* message) noexcept
{
    ResetZone(zone_);
    if (stop_)
        return;
    // Reporting allocates too; if that fails as well, the row keeps its last status.
    try {
        FailJob(job, message ? std::string(message) : ResultMessage(kOutOfMemory), kCheckLogStatus);
    } catch (...) {
    }
}

void KestFFWorker::ReportJobEnd(const FFJob& job) noexcept
{
    try {
        PostStatusText(kIdleText);
    } catch (...) {
    }
    try {
        if (target_)
            target_->JobEnded(JobOutcome{job.row, tally_.writeErrors, tally_.refused, tally_.selected});
    } catch (...) {
    }
}

void KestFFWorker::RunJob(const FFJob& job)
{
    tally_ = WriteTally();
    PostStatusText(kWorkingText);
    currentRow_ = job.row;
    SetStatus("Decompressing", kDecompressingColour);
    PostProgress(5);

    zone_.path = job.path;
    zone_.name = job.name;
    zone_.folder = OutputParentOf(job);

    int32_t result = LoadFastFile(zone_, &stop_);
    if (stop_) {
        ResetZone(zone_);
        return;
    }
    if (result != 0) {
        FailJob(job, ResultMessage(result), LoadFailureStatus(result));
        return;
    }
    const bool finished = RunStages(job);
    ResetZone(zone_);
    if (!finished)
        return;
    PostProgress(100);
    SetStatus("Done", kDoneColour);
}

bool KestFFWorker::RunStages(const FFJob& job)
{
    if (job.create_dump) {
        PostProgress(25);
        SetStatus("Writing Dump File", kDumpColour);
        // The job goes on without its dump, but the user learns why it is missing.
        std::string dumpPath = job.path + ".dump";
        int32_t dumped = WriteDump(zone_, dumpPath, &stop_);
        if (dumped == kResultStopped)
            return false;
        if (dumped == kResultAccessDenied)
            theLog.LogError("Permissions Required to write: %s", dumpPath.c_str());
        else if (dumped != 0)
            theLog.LogError("Failed To write: %s", dumpPath.c_str());
        if (dumped != 0)
            ++tally_.writeErrors;
    }
    if (stop_)
        return false;

    ReportNumber(kColumnSize, "0x%x", static_cast<unsigned>(zone_.zoneSize));
    PostProgress(50);
    SetStatus("Parsing Strings", kParsingColour);
    ParseStrings(zone_);
    PostProgress(60);
    SetStatus("Parsing DataTypes", kParsingColour);
    ParseAssetTypes(zone_);
    ReportNumber(kColumnFiles, "%i", static_cast<int>(zone_.assetTypes.size()));
    ReportNumber(kColumnStrings, "%i", static_cast<int>(zone_.strings.size()));
    if (stop_)
        return false;

    PostProgress(70);
    SetStatus("Locating files", kFilesColour);
    LocateFiles(zone_);
    if (stop_)
        return false;

    PostProgress(80);
    SetStatus("Writing Files", kFilesColour);
    ExportRequest request;
    request.stringTable = job.Inc_StringTable != 0;
    request.selection = selection_;
    tally_ += WriteFiles(zone_, request, &stop_);
    return !stop_;
}

void KestFFWorker::FailJob(const FFJob& job, const std::string& message, const char* status)
{
    theLog.Log("(%s) Error: %s", job.name.c_str(), message.c_str());
    PostProgress(0);
    SetStatus(status, kErrorColour);
}

void KestFFWorker::PostRowUpdate(int32_t column, int32_t setColour, uint32_t colour)
{
    // The record is the receiver's only once posted; a post that fails or throws frees it here.
    std::unique_ptr<RowUpdate> update(new RowUpdate{currentRow_, setColour, colour, statusText_});
    if (target_ && target_->Post(WM_KEST_ROWUPDATE, reinterpret_cast<uintptr_t>(update.get()), column))
        update.release();
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
