// Applies the workers' messages to the command line's rows as the main window applies its
// three messages, plus the job ends that only the command line sees.
#pragma once

#include "job_row.h"
#include "live_display.h"
#include "worker_messages.h"

#include <map>
#include <vector>

class MessageDrain {
public:
    // jobs is indexed by row id; display shows the job that reported last.
    MessageDrain(const std::vector<JobRow*>& jobs, LiveDisplay& display) : jobs_(jobs), display_(display) {}

    // Applies the message and releases what it carries. Returns the row id of the job
    // whose end it reported, or -1.
    int32_t Handle(const PostedMessage& message);

private:
    // A progress message names no row: it belongs to the job whose row its sender
    // updated last, as the window's one progress bar follows its one worker.
    struct SenderState {
        JobRow* current = nullptr;
        int32_t currentRow = -1;
        int32_t percent = 0;
    };

    JobRow* JobOfRow(int32_t row) const;

    const std::vector<JobRow*>& jobs_;
    LiveDisplay& display_;
    std::map<int32_t, SenderState> senders_;
};
