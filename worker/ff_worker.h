// KestFFWorker: the one background thread that extracts queued FastFiles one at a time,
// its job queue, and the pipeline it runs on each job.
//
// How it works: the user-interface thread (or the command line) calls AddJob, which
// appends under the queue lock and then signals the job-ready condition. The worker
// thread blocks in WaitForJob until the queue holds a job, copies it out and releases the
// lock before extracting, so AddJob never waits for an extraction. Everything the
// pipeline reports is posted to the message target and never waits for the receiver.
// The zone, the current row and statusText belong to the worker thread alone; the target
// is set before the thread starts. StopWorker sets the stop flag, wakes the worker with a
// job of row -1 and joins it; a job under way runs to its end first.
#pragma once

#include "ff_job.h"
#include "ff_zone.h"
#include "program_log.h"
#include "worker_messages.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
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

    // Starts the thread posting to target, which must outlive the worker thread.
    void StartWorker(MessageTarget* target);
#ifdef _WIN32
    void StartWorker(HWND window);
#endif
    void AddJob(const FFJob& job);
    // Finishes the job under way, drops the rest of the queue, and joins the thread.
    void StopWorker();

    void WaitForJob(FFJob& job);
    void WorkLoop();
    void PostRowUpdate(int32_t column, int32_t setColour, uint32_t colour);

private:
    void RunJob(FFJob& job);
    void FailJob(const FFJob& job, int32_t result);
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
#ifdef _WIN32
    WindowMessageTarget windowTarget_;
#endif
    FFZone zone_;
    int32_t currentRow_ = -1;
    char statusText_[120];
};
