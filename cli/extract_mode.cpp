#include "extract_mode.h"

#include "fastfile_path_check.h"
#include "interrupt_watch.h"
#include "job_json.h"
#include "job_row.h"
#include "job_runner.h"
#include "job_table.h"
#include "list_mode.h"
#include "live_display.h"
#include "program_log.h"
#include "run_log.h"

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

int RunExtractMode(const CliOptions& options)
{
    LiveDisplay display(!options.quiet && isatty(fileno(stderr)));
    RunLog log(display, options.logFile);
    if (!log.Ready())
        return 1;
    // Watching starts before any worker thread does, so that none of them takes Ctrl+C.
    InterruptWatch interrupt;

    std::vector<JobRow> rows(options.files.size());  // one per given path, in the given order
    size_t accepted = 0;
    for (size_t i = 0; i < options.files.size(); ++i) {
        rows[i].file = AbsolutePath(options.files[i]);
        rows[i].rejection = FastFileRejection(rows[i].file);
        accepted += rows[i].Accepted() ? 1 : 0;
    }
    JobRunner runner(options.jobs, accepted, options.outputDir.empty() ? std::string() : AbsolutePath(options.outputDir),
                     options.Selection());

    std::vector<JobRow*> jobRows;  // by row id: the accepted ones
    std::vector<FFJob> jobs;
    for (JobRow& row : rows) {
        if (!row.Accepted()) {
            std::lock_guard<std::recursive_mutex> quiet(theLog.Mutex());  // keep the text whole among log lines
            fprintf(stderr, "%s\n", row.rejection.c_str());
            continue;
        }
        FFJob job = MakeJob(row.file, int32_t(jobs.size()));
        job.LocalDump = options.localDump;
        job.Inc_StringTable = options.stringTable;
        job.create_dump = options.createDump;
        row.cells[0] = job.name;
        row.cells[1] = "Waiting";
        row.cells[2] = "0x0";
        row.cells[3] = row.cells[4] = "0";
        jobRows.push_back(&row);
        jobs.push_back(job);
        theLog.Log("Added '%s' to the Que", job.name.c_str());
    }

    runner.Run(jobs, jobRows, display, interrupt);
    display.Finish();

    bool failed = false;
    for (const JobRow& row : rows)
        failed = failed || !row.Succeeded();
    if (options.json)
        PrintJobsAsJson(rows);
    else
        PrintJobTable(rows, options.Filtered());
    fflush(stdout);
    interrupt.RunEnded();
    if (interrupt.Requested())
        return kInterruptedStatus;
    return failed ? 1 : 0;
}
