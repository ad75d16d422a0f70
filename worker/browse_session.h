// BrowseSession: one FastFile held open for looking inside it before it is extracted, for
// a browse window. The archive is loaded once, on a thread of the session's own, and kept
// in memory while the session lives; every answer about it is a walk over that zone on
// the same thread, the walk extraction makes: the list of the files a full extraction
// writes, the bytes of one of them for a preview, and the writing of chosen files into
// an output folder.
//
// How it works: the thread loads the archive and posts the list (a BrowseReport of kind
// kListed). Then it waits on a condition for requests, which other threads make under the
// session's lock: only the newest preview is kept, and it goes before the extractions,
// which queue in order and run one at a time. Every report is a BrowseReport posted as
// WM_KEST_BROWSEREPORT; the receiver frees it (ReleasePostedMessage). Stop sets the stop
// flag, wakes the thread and joins it: a load gives up within a few megabytes, a walk at
// its next entry with the file it was writing completed, and nothing is posted once the
// thread has seen the flag. The zone is the thread's alone; it goes with the session.
#pragma once

#include "ff_zone.h"
#include "raw_export.h"
#include "worker_messages.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

constexpr uint32_t WM_KEST_BROWSEREPORT = kWmUser + 12;  // wParam BrowseReport*, lParam 0

// One file a full extraction writes, as a browse window lists it.
struct BrowseFile {
    std::string path;  // inside the output folder, '/' between folders
    std::string type;  // the entry type's --only word; "text" for the sound list and the string table
    uint64_t size;     // bytes, as the file is written
    bool refused;      // an unsafe name: listed, but never written
};

struct BrowseReport {
    enum Kind : int32_t {
        kListed,      // loadResult; on success, files
        kPreview,     // path, found, refused, noMemory, bytes (the first of them), size (all of them)
        kExtracting,  // done of total
        kExtracted,   // done of total; written, writeErrors, refusedNames, folder
    };
    Kind kind = kListed;
    int32_t loadResult = 0;
    std::vector<BrowseFile> files;
    std::string path;
    bool found = false;
    bool refused = false;
    bool noMemory = false;  // found, but there was no memory to inflate its bytes
    std::string bytes;
    uint64_t size = 0;
    int32_t done = 0;   // chosen files written, failed or refused so far
    int32_t total = 0;  // chosen files
    int32_t written = 0;
    int32_t writeErrors = 0;
    std::vector<std::string> refusedNames;  // as the zone names them
    std::string folder;
};

class BrowseSession {
public:
    // Starts loading path on the session's thread; target must outlive the session.
    // With stringTable, StringTable.txt is one of the files, as with Inc StringTable.
    BrowseSession(MessageTarget& target, const std::string& path, bool stringTable);
    ~BrowseSession();
    BrowseSession(const BrowseSession&) = delete;
    BrowseSession& operator=(const BrowseSession&) = delete;

    // The file at path: its first limit bytes and its size. Replaces a preview not yet made.
    void Preview(const std::string& path, size_t limit);
    // Writes the files at paths into outputFolder (ending in a separator) as extraction
    // writes them: folders made as needed, files already there replaced, nothing else
    // touched, unsafe names refused.
    void Extract(const std::vector<std::string>& paths, const std::string& outputFolder);
    // Returns once the thread has ended. Harmless when it has.
    void Stop();

    // The load's result once the list has been posted, or kResultStopped when the load
    // was stopped; -1 before either.
    int32_t LoadResult() const { return loadResult_; }

private:
    struct Extraction {
        std::vector<std::string> paths;
        std::string folder;
    };
    struct Request {
        bool preview = false;  // else an extraction
        std::string previewPath;
        size_t previewLimit = 0;
        Extraction extraction;
    };

    void Run();
    // Waits for the next request; false on a stop.
    bool NextRequest(Request& request);
    void MakePreview(const std::string& path, size_t limit);
    void RunExtraction(const Extraction& extraction);
    // What every walk of the session asks: the files of a full extraction with the
    // session's options.
    ExportRequest WalkRequest() const;
    void Post(BrowseReport* report);

    MessageTarget& target_;
    const std::string path_;
    const bool stringTable_;
    std::atomic<bool> stop_{false};
    std::atomic<int32_t> loadResult_{-1};
    std::mutex lock_;
    std::condition_variable requested_;
    bool previewWanted_ = false;  // the rest under lock_
    std::string previewPath_;
    size_t previewLimit_ = 0;
    std::deque<Extraction> extractions_;
    FFZone zone_;  // the thread's
    std::thread thread_;
};
