#include "extract_mode.h"

#include "fastfile_path_check.h"
#include "ff_worker.h"
#include "job_json.h"
#include "job_row.h"
#include "job_table.h"
#include "list_mode.h"
#include "live_display.h"
#include "message_drain.h"
#include "message_queue.h"
#include "program_log.h"

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
    theLog.SetLineObserver(&display);
    if (!options.logFile.empty()) {
        const std::string logPath = AbsolutePath(options.logFile);
        if (!theLog.SetExtraFile(logPath)) {
            theLog.SetLineObserver(nullptr);
            fprintf(stderr, "vandrel: cannot open the log file %s\n", logPath.c_str());
            return 1;
        }
        theLog.Start();
    }

    // The queue is declared first so that it outlives the worker thread.
    MessageQueue messages;
    KestFFWorker worker;
    worker.StartWorker(&messages, options.outputDir.empty() ? std::string() : AbsolutePath(options.outputDir));

    std::vector<JobRow> rows(options.files.size());  // one per given path, in the given order
    std::vector<JobRow*> jobs;                        // by row id: the accepted ones
    for (size_t i = 0; i < options.files.size(); ++i) {
        JobRow& row = rows[i];
        row.file = AbsolutePath(options.files[i]);
        row.rejection = FastFileRejection(row.file);
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
        jobs.push_back(&row);
        worker.AddJob(job);
        theLog.Log("Added '%s' to the Que", job.name.c_str());
    }

    DrainUntilJobsEnd(messages, jobs, display);
    worker.StopWorker();
    display.Finish();
    theLog.SetLineObserver(nullptr);
    theLog.SetExtraFile(std::string());

    bool failed = false;
    for (const JobRow& row : rows)
        failed = failed || !row.Succeeded();
    if (options.json)
        PrintJobsAsJson(rows);
    else
        PrintJobTable(rows);
    fflush(stdout);
    return failed ? 1 : 0;
}
