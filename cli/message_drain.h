// Takes the worker's messages off the command line's queue and handles them as the main
// window handles its three messages, plus the job ends that only the command line sees.
#pragma once

#include "job_row.h"
#include "live_display.h"
#include "message_queue.h"

#include <vector>

// Drains until every job in jobs (indexed by row id) has ended, or the queue is closed
// and empty. Each job's cells, colour and progress end as its row would show them, and
// its write counts come from its job-end report.
void DrainUntilJobsEnd(MessageQueue& messages, const std::vector<JobRow*>& jobs, LiveDisplay& display);
