// The program log for the length of one command: every line on stderr as it is written,
// and with --log FILE in that file too, after the log's header.
#pragma once

#include "live_display.h"

#include <string>

class RunLog {
public:
    RunLog(LiveDisplay& display, const std::string& logFile);
    ~RunLog();
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    // False when the --log file could not be opened; the message is on stderr then.
    bool Ready() const { return ready_; }

private:
    bool ready_ = true;
};
