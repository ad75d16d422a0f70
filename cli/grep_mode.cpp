#include "grep_mode.h"

#include "archive_walk.h"
#include "fastfile_load.h"
#include "ff_job.h"
#include "interrupt_watch.h"
#include "json_writer.h"
#include "live_display.h"
#include "program_log.h"
#include "run_log.h"
#include "search_destination.h"
#include "stdout_bytes.h"
#include "text_pattern.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr int kSomethingMatched = 0;
constexpr int kNothingMatched = 1;
constexpr int kTrouble = 2;
// A search whose output waits behind an earlier archive's pauses once this much waits.
constexpr size_t kMaxWaitingOutput = size_t(64) << 20;
// How long the printing thread waits for output before it looks at Ctrl+C again.
constexpr std::chrono::milliseconds kInterruptPoll(50);

struct ArchiveSearch {
    std::string waiting;  // output not printed yet
    bool ended = false;
    bool matched = false;
    bool unreadable = false;
};

// The search of the given FastFiles on up to -j workers, printed in the given order.
//
// How it works: each worker takes the next archive not yet taken, loads it into a zone of
// its own and walks its files into a search destination with a pattern of its own; the
// lines it finds are formatted and appended to that archive's waiting output under the
// run's lock. This thread prints the waiting output of the earliest archive not yet
// printed whole, and moves on to the next one when that archive's search has ended. A
// worker ahead of it pauses while much of its output waits, so memory stays bounded;
// the earliest archive's worker never pauses, so the run always moves. Ctrl+C, a reader
// that went away, or a failed write sets the stop flag, which every load and walk looks at.
class GrepRun {
public:
    GrepRun(const CliOptions& options, const TextPattern& pattern)
        : options_(options), pattern_(pattern), archives_(options.files.size())
    {
    }
    ~GrepRun() { StopAndJoin(); }
    GrepRun(const GrepRun&) = delete;
    GrepRun& operator=(const GrepRun&) = delete;

    // Returns the exit status.
    int Run(const InterruptWatch& interrupt);

    // From a worker: output of archive index, printed after everything before it.
    void Append(size_t index, const std::string& text);

private:
    void Work() noexcept;
    void Search(size_t index, FFZone& zone, TextPattern& pattern);
    void FailSearch(size_t index, const char* why);
    void Stop();
    void StopAndJoin();
    // Prints what waits, in order, until every archive is printed or the run stops.
    void PrintInOrder(const InterruptWatch& interrupt);

    const CliOptions& options_;
    const TextPattern& pattern_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<ArchiveSearch> archives_;
    size_t nextToTake_ = 0;
    size_t printing_ = 0;
    std::atomic<bool> stop_{false};
    bool outputFailed_ = false;
    std::vector<std::thread> workers_;
};

// Formats one archive's matches as they are found.
class ArchiveOutput : public SearchResults {
public:
    ArchiveOutput(GrepRun& run, size_t index, const CliOptions& options)
        : run_(run), index_(index), options_(options), given_(options.files[index])
    {
    }

    void OnFileMatched(const std::string& path, const std::vector<MatchedLine>& lines) override
    {
        matched = true;
        std::string text;
        if (options_.filesWithMatches) {
            text = options_.json ? Object(path) + "}\n" : given_ + ":" + path + "\n";
        } else {
            for (const MatchedLine& line : lines) {
                if (options_.json)
                    text += Object(path) + ",\"line\":" + std::to_string(line.number) +
                            ",\"text\":" + JsonString(line.text) + "}\n";
                else
                    text += given_ + ":" + path + ":" + std::to_string(line.number) + ":" + line.text + "\n";
            }
        }
        run_.Append(index_, text);
    }

    bool matched = false;

private:
    std::string Object(const std::string& path) const
    {
        return "{\"file\":" + JsonString(given_) + ",\"path\":" + JsonString(path);
    }

    GrepRun& run_;
    const size_t index_;
    const CliOptions& options_;
    const std::string& given_;
};

void GrepRun::Append(size_t index, const std::string& text)
{
    std::unique_lock<std::mutex> hold(lock_);
    ArchiveSearch& archive = archives_[index];
    archive.waiting += text;
    changed_.notify_all();
    changed_.wait(hold, [&] { return printing_ == index || stop_ || archive.waiting.size() < kMaxWaitingOutput; });
}

void GrepRun::Search(size_t index, FFZone& zone, TextPattern& pattern)
{
    ArchiveOutput output(*this, index, options_);
    SearchDestination destination(pattern, options_.filesWithMatches, output);
    const bool loaded = WalkArchive(zone, options_.files[index], options_, destination, &stop_);
    if (destination.LostFile())
        throw std::bad_alloc();  // reported as the archive's failure, as any allocation that fails
    std::lock_guard<std::mutex> hold(lock_);
    archives_[index].matched = output.matched;
    archives_[index].unreadable = !loaded && !stop_;
}

void GrepRun::FailSearch(size_t index, const char* why)
{
    theLog.Log("(%s) Error: %s", MakeJob(options_.files[index], 0).name.c_str(), why);
    std::lock_guard<std::mutex> hold(lock_);
    archives_[index].unreadable = true;
}

void GrepRun::Work() noexcept
{
    FFZone zone;
    for (;;) {
        size_t index = 0;
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (stop_ || nextToTake_ == archives_.size())
                return;
            index = nextToTake_++;
        }
        try {
            TextPattern pattern = pattern_;  // a cache of its own for each archive
            Search(index, zone, pattern);
        } catch (const std::bad_alloc&) {
            FailSearch(index, "not enough memory to search it");
        } catch (...) {
            FailSearch(index, "it could not be searched");
        }
        ResetZone(zone);
        std::lock_guard<std::mutex> hold(lock_);
        archives_[index].ended = true;
        changed_.notify_all();
    }
}

void GrepRun::Stop()
{
    std::lock_guard<std::mutex> hold(lock_);
    stop_ = true;
    changed_.notify_all();
}

void GrepRun::StopAndJoin()
{
    Stop();
    for (std::thread& worker : workers_)
        if (worker.joinable())
            worker.join();
    workers_.clear();
}

void GrepRun::PrintInOrder(const InterruptWatch& interrupt)
{
    std::unique_lock<std::mutex> hold(lock_);
    while (printing_ < archives_.size() && !stop_) {
        if (interrupt.Requested())
            break;
        ArchiveSearch& archive = archives_[printing_];
        if (archive.waiting.empty() && !archive.ended) {
            changed_.wait_for(hold, kInterruptPoll);
            continue;
        }
        std::string text;
        text.swap(archive.waiting);
        if (archive.ended) {
            ++printing_;
            changed_.notify_all();  // a worker paused behind this archive may go on
        }
        hold.unlock();
        const StdoutResult written = text.empty() ? StdoutResult::kWritten : WriteToStdout(text.data(), text.size(), false);
        hold.lock();
        if (written != StdoutResult::kWritten) {
            outputFailed_ = written == StdoutResult::kFailed;
            break;
        }
    }
}

int GrepRun::Run(const InterruptWatch& interrupt)
{
    const size_t count = std::max<size_t>(1, std::min(size_t(options_.jobs), archives_.size()));
    for (size_t i = 0; i < count; ++i) {
        try {
            workers_.emplace_back(&GrepRun::Work, this);
        } catch (const std::system_error&) {
            if (workers_.empty())
                throw;
            break;  // fewer workers, the same output
        }
    }
    PrintInOrder(interrupt);
    StopAndJoin();
    if (!outputFailed_ && WriteToStdout("", 0, true) == StdoutResult::kFailed)
        outputFailed_ = true;
    if (interrupt.Requested())
        return kInterruptedStatus;
    if (outputFailed_) {
        fprintf(stderr, "vandrel: cannot write to stdout\n");
        return kTrouble;
    }
    bool matched = false, unreadable = false;
    for (const ArchiveSearch& archive : archives_) {
        matched = matched || archive.matched;
        unreadable = unreadable || archive.unreadable;
    }
    return unreadable ? kTrouble : matched ? kSomethingMatched : kNothingMatched;
}

}  // namespace

int RunGrepMode(const CliOptions& options)
{
    TextPattern pattern;
    std::string error;
    if (!pattern.Compile(options.grepPattern, options.fixedString, options.ignoreCase, error)) {
        fprintf(stderr, "vandrel: --grep: %s\n", error.c_str());
        return kTrouble;
    }
    // The live display stays off: stdout is the result.
    LiveDisplay display(false);
    RunLog log(display, options.logFile);
    if (!log.Ready())
        return kTrouble;
    UseBinaryStdout();
    // Watching starts before any worker thread does, so that none of them takes Ctrl+C.
    InterruptWatch interrupt;
    GrepRun run(options, pattern);
    const int status = run.Run(interrupt);
    interrupt.RunEnded();
    return status;
}
