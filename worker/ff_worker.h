// KestFFWorker: the one background thread that extracts queued FastFiles one at a time,
// its job queue, and the pipeline it runs on each job.
//
// How it works: the user-interface thread (or the command line) calls AddJob, which
// appends under the queue lock and then signals the job-ready condition. The worker
// thread blocks in WaitForJob until the queue holds a job, moves it out and releases the
// lock before extracting, so AddJob never waits for an extraction. Everything the
// pipeline reports is posted to the message target and never waits for the receiver.
// The zone, the current row, statusText and the job's tally belong to the worker thread
// alone; the target and the output root are set before the thread starts.
//
// Stopping: StopWorker (through RequestStop) sets the stop flag and empties the queue
// under the queue lock, wakes the thread, and then joins it. The thread reads the flag when it waits, between the
// pipeline's stages, every few megabytes while it loads the archive, writes its .dump or
// inflates and writes a compressed script (a .dump or script cut short is removed), and,
// through WriteFiles, between two entries; so the job under way ends within moments,
// with its current file whole, and Refrenced_Sounds.txt and StringTable.txt as they were.
// Once the thread has seen the flag it posts nothing more: a job cut short keeps the
// status it last showed, jobs still queued keep "Waiting", and no "Idle.." follows.
#pragma once

#include "entry_selection.h"
#include "ff_job.h"
#include "ff_zone.h"
#include "program_log.h"
#include "worker_messages.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#ifdef _WIN32
#include "window_target.h"
#endif

class KestFFWorker {
public:
    KestFFWorker();
    ~KestFFWorker();
    KestFFWorker(const KestFFWorker&) = delete;
    KestFFWorker& operator=(const KestFFWorker&) = delete;

    // Starts the thread posting to target, which must outlive the worker thread. A
    // non-empty outputRoot takes the place of every job's folder as the place of its
    // per-archive output folder (the .dump stays next to the FastFile). A selection,
    // which must outlive the thread too, limits the entries' files every job writes.
    void StartWorker(MessageTarget* target, const std::string& outputRoot = std::string(),
                     const EntrySelection* selection = nullptr);
#ifdef _WIN32
    void StartWorker(HWND window);
#endif
    // Jobs added while no thread runs wait for the next StartWorker.
    void AddJob(const FFJob& job);
    // Returns once the thread has ended: the job under way stops within a few megabytes
    // of its load or .dump, or at its next entry boundary, the queued jobs are dropped.
    // Harmless when no thread runs.
    void StopWorker();
    // Asks for that stop and returns at once, so that several workers are all told before
    // any of them is waited for (StopWorker).
    void RequestStop();

    // The per-archive output folder the job's files go to (OutputFolder), as the job
    // will find it once this worker runs it.
    std::string OutputFolderOf(const FFJob& job) const;

    // Blocks until the queue holds a job and moves it into job; false when a stop was
    // requested, whatever the queue holds.
    bool WaitForJob(FFJob& job);
    void WorkLoop();
    void PostRowUpdate(int32_t column, int32_t setColour, uint32_t colour);

private:
    // Runs one job; an exception from it ends that job as a failure, never the thread.
    void RunJobGuarded(const FFJob& job) noexcept;
    void RunJob(const FFJob& job);
    // The stages after a successful load; false when a stop cut them short.
    bool RunStages(const FFJob& job);
    void FailJob(const FFJob& job, const std::string& message, const char* status);
    void EndJobAfterException(const FFJob& job, const char* message) noexcept;
    void ReportJobEnd(const FFJob& job) noexcept;
    // Where the job's output folder goes: empty for the program's folder.
    std::string OutputParentOf(const FFJob& job) const;
    void PostProgress(int32_t percent);
    void PostStatusText(const char* text);
    void SetStatus(const char* text, uint32_t colour);
    void ReportNumber(int32_t column, const char* format, ...) KEST_PRINTF_FORMAT(3, 4);

    std::atomic<bool> stop_{false};
    std::shared_ptr<std::thread> thread_;
    std::deque<FFJob> jobs_;
    std::mutex queueLock_;
    std::condition_variable jobReady_;
    MessageTarget* target_ = nullptr;
    std::string outputRoot_;
    const EntrySelection* selection_ = nullptr;
#ifdef _WIN32
    WindowMessageTarget windowTarget_;
#endif
    FFZone zone_;
    WriteTally tally_;  // of the job under way
    int32_t currentRow_ = -1;
    char statusText_[120];
};
