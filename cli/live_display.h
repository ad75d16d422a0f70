// The command line's stderr: every log line as it is written and, on a terminal, one
// live line showing the job under way with a progress bar.
//
// How it works: log lines arrive from any thread (the worker's included) under the log's
// lock; the live line is redrawn by the thread that drains the worker's messages. One
// lock keeps their lines whole: a log line first clears the live line, then redraws it.
// Since OnLogLine runs under the log's lock, nothing done while holding this one logs.
#pragma once

#include "job_row.h"
#include "program_log.h"

#include <mutex>
#include <string>

class LiveDisplay : public LogLineObserver {
public:
    // live: draw the live line (stderr is a terminal and --quiet was not given).
    explicit LiveDisplay(bool live) : live_(live) {}

    void OnLogLine(const char* line) override;
    // Shows job `number` of `count` at percent.
    void Show(const JobRow& row, int32_t percent, size_t number, size_t count);
    // Clears the live line for good.
    void Finish();

private:
    const bool live_;
    std::mutex lock_;
    std::string shown_;  // the live line as drawn, empty when none is
};
