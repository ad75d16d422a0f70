#include "extract_mode.h"

#include "fastfile_path_check.h"
#include "ff_worker.h"
#include "json_writer.h"
#include "list_mode.h"
#include "message_queue.h"
#include "program_log.h"

#include <cstdio>
#include <cstring>
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

namespace {

// One given path and, once accepted, its job row as the main window would show it.
struct JobRow {
    std::string file;
    std::string rejection;  // empty when accepted
    std::string cells[5];   // Name, Status, Size, Files, Strings
    uint32_t colour = 0;    // of the Status cell, COLORREF
    std::vector<int32_t> progress;
};

// stderr is shared by the log echo (any thread) and the live display (this thread):
// one lock keeps their lines whole. The echo is called under the log's lock, so nothing
// done while holding this one may log.
class Terminal : public LogLineObserver {
public:
    explicit Terminal(bool live) : live_(live) {}

    void OnLogLine(const char* line) override
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (live_ && !shown_.empty())
            fputs("\r\033[K", stderr);
        fprintf(stderr, "%s\n", line);
        if (live_ && !shown_.empty())
            fputs(shown_.c_str(), stderr);
        fflush(stderr);
    }

    void Show(const JobRow& row, int32_t percent, size_t number, size_t count)
    {
        if (!live_)
            return;
        const int width = 24;
        const int filled = percent * width / 100;
        char bar[64];
        snprintf(bar, sizeof bar, "[%.*s%.*s] %3d%%", filled, "########################", width - filled,
                 "........................", percent);
        std::lock_guard<std::mutex> hold(lock_);
        shown_ = "[" + std::to_string(number) + "/" + std::to_string(count) + "] " + row.cells[0] + "  " +
                 row.cells[1] + "  " + bar;
        fprintf(stderr, "\r\033[K%s", shown_.c_str());
        fflush(stderr);
    }

    void Finish()
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (live_ && !shown_.empty())
            fputs("\r\033[K", stderr);
        shown_.clear();
        fflush(stderr);
    }

private:
    const bool live_;
    std::mutex lock_;
    std::string shown_;
};

void PrintJson(const std::vector<JobRow>& rows)
{
    for (const JobRow& row : rows) {
        std::string line = "{\"file\":" + JsonString(row.file);
        if (!row.rejection.empty()) {
            line += ",\"rejected\":" + JsonString(row.rejection) + "}\n";
        } else {
            line += ",\"row\":[";
            for (int i = 0; i < 5; ++i)
                line += (i ? "," : "") + JsonString(row.cells[i]);
            line += "],\"colour\":" + std::to_string(row.colour) + ",\"progress\":[";
            for (size_t i = 0; i < row.progress.size(); ++i)
                line += (i ? "," : "") + std::to_string(row.progress[i]);
            line += "]}\n";
        }
        fwrite(line.data(), 1, line.size(), stdout);
    }
}

void PrintTable(const std::vector<JobRow>& rows)
{
    size_t nameWidth = 4, statusWidth = 6;
    for (const JobRow& row : rows) {
        if (row.rejection.empty()) {
            nameWidth = std::max(nameWidth, row.cells[0].size());
            statusWidth = std::max(statusWidth, row.cells[1].size());
        }
    }
    printf("%-*s  %-*s  %10s  %6s  %8s\n", int(nameWidth), "Name", int(statusWidth), "Status", "Size", "Files",
           "Strings");
    for (const JobRow& row : rows) {
        if (!row.rejection.empty()) {
            printf("%s\n", row.rejection.c_str());
            continue;
        }
        printf("%-*s  %-*s  %10s  %6s  %8s\n", int(nameWidth), row.cells[0].c_str(), int(statusWidth),
               row.cells[1].c_str(), row.cells[2].c_str(), row.cells[3].c_str(), row.cells[4].c_str());
    }
}

}  // namespace

int RunExtractMode(const CliOptions& options)
{
    const bool live = !options.quiet && isatty(fileno(stderr));
    Terminal terminal(live);
    theLog.SetLineObserver(&terminal);
    if (!options.logFile.empty()) {
        const std::string logPath = AbsolutePath(options.logFile);
        if (!theLog.SetExtraFile(logPath)) {
            theLog.SetLineObserver(nullptr);
            fprintf(stderr, "vandrel: cannot open the log file %s\n", logPath.c_str());
            return 1;
        }
        theLog.Start();
    }

    MessageQueue messages;
    KestFFWorker worker;
    worker.StartWorker(&messages);

    const std::string outputRoot = options.outputDir.empty() ? std::string() : AbsolutePath(options.outputDir);
    std::vector<JobRow> rows;      // one per given path, in the given order
    std::vector<size_t> rowOfJob;  // job row id -> index into rows
    bool failed = false;
    for (const std::string& given : options.files) {
        JobRow row;
        row.file = AbsolutePath(given);
        row.rejection = FastFileRejection(row.file);
        if (!row.rejection.empty()) {
            failed = true;
            std::lock_guard<std::recursive_mutex> quiet(theLog.Mutex());  // keep the text whole among log lines
            fprintf(stderr, "%s\n", row.rejection.c_str());
            rows.push_back(row);
            continue;
        }
        FFJob job = MakeJob(row.file, int32_t(rowOfJob.size()));
        job.LocalDump = options.localDump;
        job.Inc_StringTable = options.stringTable;
        job.create_dump = options.createDump;
        job.outputRoot = outputRoot;
        row.cells[0] = job.name;
        row.cells[1] = "Waiting";
        row.cells[2] = "0x0";
        row.cells[3] = row.cells[4] = "0";
        rowOfJob.push_back(rows.size());
        rows.push_back(row);
        worker.AddJob(job);
        theLog.Log("Added '%s' to the Que", job.name.c_str());
    }

    // Drain the worker's messages as the main window does, until every job said "Idle..".
    size_t pending = rowOfJob.size();
    size_t started = 0;
    JobRow* current = nullptr;
    int32_t percent = 0;
    PostedMessage message;
    while (pending > 0 && messages.Pop(message)) {
        switch (message.message) {
        case WM_KEST_PROGRESS:
            if (current)
                current->progress.push_back(int32_t(message.lParam));
            if (message.lParam >= 0 && message.lParam <= 100)
                percent = int32_t(message.lParam);
            break;
        case WM_KEST_STATUSTEXT:
            if (strcmp(reinterpret_cast<const char*>(message.lParam), "Idle..") == 0) {
                --pending;
                current = nullptr;
            } else {
                ++started;
            }
            break;
        case WM_KEST_ROWUPDATE: {
            const RowUpdate* update = reinterpret_cast<const RowUpdate*>(message.wParam);
            const int32_t column = int32_t(message.lParam);
            if (update->row >= 0 && size_t(update->row) < rowOfJob.size() && column >= 1 && column <= 4) {
                current = &rows[rowOfJob[size_t(update->row)]];
                if (update->setColour)
                    current->colour = update->colour;
                current->cells[column] = update->text;
            }
            break;
        }
        }
        ReleasePostedMessage(message);
        if (current)
            terminal.Show(*current, percent, started, rowOfJob.size());
    }
    worker.StopWorker();
    while (messages.TryPop(message))
        ReleasePostedMessage(message);
    terminal.Finish();
    theLog.SetLineObserver(nullptr);
    theLog.SetExtraFile(std::string());

    for (const JobRow& row : rows)
        if (row.rejection.empty() && row.cells[1] != "Done")
            failed = true;
    if (options.json)
        PrintJson(rows);
    else
        PrintTable(rows);
    fflush(stdout);
    return failed ? 1 : 0;
}
