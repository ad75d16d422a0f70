#include "browse_session.h"

#include "disk_destination.h"
#include "fastfile_load.h"
#include "ff_job.h"
#include "file_bytes_destination.h"
#include "file_list_destination.h"
#include "output_folder.h"
#include "raw_export.h"

#include <functional>
#include <memory>
#include <unordered_set>

namespace {

constexpr char kTextType[] = "text";

std::vector<BrowseFile> BrowseFiles(std::vector<ListedFile> listed)
{
    std::vector<BrowseFile> files;
    files.reserve(listed.size());
    for (ListedFile& file : listed)
        files.push_back(BrowseFile{std::move(file.path), file.entry ? EntryTypeWord(file.entry->type) : kTextType,
                                   file.size, file.refused});
    return files;
}

// The file of a preview; a refusal of it is noted, not logged again: the list's walk
// logged every unsafe name once.
class PreviewDestination : public FileBytesDestination {
public:
    using FileBytesDestination::FileBytesDestination;
    void Refused(const ExportedFile& file) override { refused = refused || IsWanted(file); }
    bool refused = false;
};

// The chosen files of an extraction into the output folder on disk; every other file
// of the walk is passed over. Counts each chosen path once, however many entries make it.
class ChosenFilesDestination : public ExportDestination {
public:
    using Progress = std::function<void(int32_t done)>;

    ChosenFilesDestination(const std::vector<std::string>& paths, const std::string& folder, Progress progress)
        : disk_(folder), progress_(std::move(progress))
    {
        for (const std::string& path : paths)
            chosen_.insert(PathKey(NormalOutputPath(path)));
    }

    bool BeginFile(const ExportedFile& file) override
    {
        writing_ = false;
        key_ = PathKey(file.path);
        if (!chosen_.count(key_))
            return false;
        writing_ = disk_.BeginFile(file);
        Count(key_);
        return writing_;
    }
    void WriteBytes(const uint8_t* bytes, size_t size) override
    {
        if (writing_)
            disk_.WriteBytes(bytes, size);
    }
    // A path counts as written while the last file put there was written whole: one that
    // fails is removed, as in a job, and leaves nothing there.
    void EndFile() override
    {
        const int32_t failedBefore = disk_.WriteErrors();
        disk_.EndFile();
        if (disk_.WriteErrors() == failedBefore)
            written_.insert(key_);
        else
            written_.erase(key_);
    }
    // A file cut short is removed from the disk, as in a job.
    void AbandonFile(FileAbandoned why) override
    {
        disk_.AbandonFile(why);
        written_.erase(key_);
    }
    void Refused(const ExportedFile& file) override
    {
        const std::string key = PathKey(file.path);
        if (!chosen_.count(key))
            return;
        disk_.Refused(file);
        refusedNames.push_back(file.entry ? file.entry->name : file.path);
        Count(key);
    }

    int32_t Total() const { return int32_t(chosen_.size()); }
    int32_t Done() const { return int32_t(seen_.size()); }
    int32_t Written() const { return int32_t(written_.size()); }
    int32_t WriteErrors() const { return disk_.WriteErrors(); }
    std::vector<std::string> refusedNames;

private:
    void Count(const std::string& key)
    {
        if (seen_.insert(key).second)
            progress_(Done());
    }

    DiskDestination disk_;
    Progress progress_;
    std::unordered_set<std::string> chosen_, seen_, written_;
    std::string key_;  // of the file under way
    bool writing_ = false;
};

}  // namespace

BrowseSession::BrowseSession(MessageTarget& target, const std::string& path, bool stringTable)
    : target_(target), path_(path), stringTable_(stringTable), thread_(&BrowseSession::Run, this)
{
}

BrowseSession::~BrowseSession()
{
    Stop();
}

void BrowseSession::Stop()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        stop_ = true;
    }
    requested_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void BrowseSession::Preview(const std::string& path, size_t limit)
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        previewWanted_ = true;
        previewPath_ = path;
        previewLimit_ = limit;
    }
    requested_.notify_one();
}

void BrowseSession::Extract(const std::vector<std::string>& paths, const std::string& outputFolder)
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        extractions_.push_back(Extraction{paths, outputFolder});
    }
    requested_.notify_one();
}

ExportRequest BrowseSession::WalkRequest() const
{
    ExportRequest request;
    request.stringTable = stringTable_;
    return request;
}

void BrowseSession::Post(BrowseReport* report)
{
    // The record is the receiver's only once posted.
    std::unique_ptr<BrowseReport> owned(report);
    if (!stop_ && target_.Post(WM_KEST_BROWSEREPORT, reinterpret_cast<uintptr_t>(report), 0))
        owned.release();
}

void BrowseSession::Run()
{
    zone_.path = path_;
    zone_.name = MakeJob(path_, 0).name;
    FileListDestination list;
    const int32_t result = LoadAndExport(zone_, WalkRequest(), list, &stop_);
    loadResult_ = stop_ ? kResultStopped : result;
    if (stop_ || result != kResultSuccess) {
        ResetZone(zone_);
        if (!stop_) {
            auto* report = new BrowseReport;
            report->loadResult = result;
            Post(report);
        }
        return;
    }
    auto* listed = new BrowseReport;
    listed->files = BrowseFiles(list.TakeFiles());
    Post(listed);

    Request next;
    while (NextRequest(next)) {
        if (next.preview)
            MakePreview(next.previewPath, next.previewLimit);
        else
            RunExtraction(next.extraction);
    }
    ResetZone(zone_);
}

bool BrowseSession::NextRequest(Request& request)
{
    std::unique_lock<std::mutex> hold(lock_);
    requested_.wait(hold, [this] { return stop_ || previewWanted_ || !extractions_.empty(); });
    if (stop_)
        return false;
    request.preview = previewWanted_;
    if (previewWanted_) {
        previewWanted_ = false;
        request.previewPath = previewPath_;
        request.previewLimit = previewLimit_;
    } else {
        request.extraction = std::move(extractions_.front());
        extractions_.pop_front();
    }
    return true;
}

void BrowseSession::MakePreview(const std::string& path, size_t limit)
{
    PreviewDestination file(path, limit);
    ExportFiles(zone_, WalkRequest(), file, &stop_);
    auto* report = new BrowseReport;
    report->kind = BrowseReport::kPreview;
    report->path = path;
    report->found = file.Found();
    report->refused = file.refused;
    report->noMemory = file.NoMemory();
    report->bytes = file.Bytes();
    report->size = file.Size();
    Post(report);
}

void BrowseSession::RunExtraction(const Extraction& extraction)
{
    int32_t shownPercent = -1;
    int32_t total = 0;
    auto progress = [&](int32_t done) {
        const int32_t percent = total ? int32_t(int64_t(done) * 100 / total) : 100;
        if (percent == shownPercent)
            return;
        shownPercent = percent;
        auto* report = new BrowseReport;
        report->kind = BrowseReport::kExtracting;
        report->done = done;
        report->total = total;
        Post(report);
    };
    ChosenFilesDestination chosen(extraction.paths, extraction.folder, progress);
    total = chosen.Total();
    progress(0);
    ExportFiles(zone_, WalkRequest(), chosen, &stop_);
    auto* report = new BrowseReport;
    report->kind = BrowseReport::kExtracted;
    report->done = chosen.Done();
    report->total = total;
    report->written = chosen.Written();
    report->writeErrors = chosen.WriteErrors();
    report->refusedNames = std::move(chosen.refusedNames);
    report->folder = extraction.folder;
    Post(report);
}
