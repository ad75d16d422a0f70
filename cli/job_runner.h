// Runs the command line's jobs on up to N workers at once, each with a zone of its own,
// and collects what each job's row shows. The files written, the rows and the counts are
// those of one worker taking the jobs one after another.
//
// How it works: the jobs start in the given order, each on a worker that is free. A job
// whose files could meet those of a job under way (one output folder equal to or inside
// the other, or its FastFile inside the other's output folder) waits until that job has
// ended, so that no two jobs write into one folder at once and a later job still replaces
// what an earlier one wrote. Every worker posts to one queue through a sender of its own,
// and this thread handles the messages in the order they came. An interrupt stops the
// handing out of jobs and stops every worker at its next entry boundary; what the workers
// posted before that still reaches the rows.
#pragma once

#include "entry_selection.h"
#include "ff_job.h"
#include "ff_worker.h"
#include "interrupt_watch.h"
#include "job_row.h"
#include "live_display.h"
#include "message_queue.h"

#include <memory>
#include <string>
#include <vector>

class JobRunner {
public:
    // Starts min(workers, jobCount) workers, at least one.
    JobRunner(int workers, size_t jobCount, const std::string& outputRoot, const EntrySelection* selection);
    ~JobRunner();
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    // Runs the jobs; jobs[i] has row id i and fills rows[i]. False when an interrupt
    // stopped the run before every job had ended.
    bool Run(const std::vector<FFJob>& jobs, const std::vector<JobRow*>& rows, LiveDisplay& display,
             const InterruptWatch& interrupt);

private:
    // Where a job reads and writes, as keys that compare as the file system compares.
    struct Footprint {
        std::string fastFile;
        std::string outputFolder;  // ends in a separator
    };

    Footprint FootprintOf(const FFJob& job) const;
    static bool Overlap(const Footprint& a, const Footprint& b);
    void StopAll();

    MessageQueue messages_;  // declared first: it outlives the worker threads
    std::vector<std::unique_ptr<QueueSender>> senders_;
    std::vector<std::unique_ptr<KestFFWorker>> workers_;
};
