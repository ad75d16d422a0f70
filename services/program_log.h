// The program log: one process-wide logger, theLog, that appends every line to
// "Vandrel_Log.txt", keeps the last 200 lines for the log window, and ends the process
// on a critical error.
//
// How it works: one recursive mutex guards the line buffer, the file, the history, the
// log view and the line observer. Every printf-style operation formats into the shared
// line buffer and writes it while holding that mutex, so lines from the user-interface,
// worker and update threads never interleave. The mutex is recursive because Start
// writes the header and then logs the mode line. Nothing called under the mutex may wait
// for another thread: the log window receives a copy of each line and posts it to its
// own thread (see LogView).
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

constexpr char kProgramVersion[] = "1.02";
constexpr size_t kLogLineSize = 256;  // 255 characters and the terminator
constexpr size_t kLogHistoryLines = 200;

enum LoggingMode : int32_t {
    Normal = 0,
    SyncEveryWrite = 1,
};

// The open program log window's side of AddToHistory. AppendLogText is called with the
// log lock held, from whichever thread logged the line, with its own copy of the text
// (CR LF followed by the line). It must not wait for the user-interface thread: the
// window implementation posts the copy to its edit control instead of sending it.
class LogView {
public:
    virtual ~LogView() = default;
    virtual void AppendLogText(const std::string& text) = 0;
};

// Sees every finished line as it is written (the command line echoes them on stderr).
// Called with the log lock held; it must not log and must not wait for other threads.
class LogLineObserver {
public:
    virtual ~LogLineObserver() = default;
    virtual void OnLogLine(const char* line) = 0;
};

#if defined(__GNUC__)
#define KEST_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define KEST_PRINTF_FORMAT(fmt, args)
#endif

class KestError {
public:
    KestError();
    virtual ~KestError();
    KestError(const KestError&) = delete;
    KestError& operator=(const KestError&) = delete;

    virtual void Start() = 0;
    virtual void WriteInfo(const char* line);
    virtual void WriteError(const char* line);
    virtual void WriteAlways(const char* line);
    virtual void Write(const char* line);

    void Log(const char* format, ...) KEST_PRINTF_FORMAT(2, 3);
    void LogError(const char* format, ...) KEST_PRINTF_FORMAT(2, 3);
    [[noreturn]] void LogCritical(const char* format, ...) KEST_PRINTF_FORMAT(2, 3);
    // Formats into the shared line buffer; the caller should hold Mutex() while it uses
    // the result, since any other thread's next line overwrites it.
    const char* FormatLine(const char* format, ...) KEST_PRINTF_FORMAT(2, 3);

    void AddToHistory(const char* line);

    // For the log window: it takes Mutex() while it reads or empties the history and
    // while it sets or clears the view, so that no line is lost or shown twice.
    std::recursive_mutex& Mutex() { return lock_; }
    std::vector<std::string> History();
    void ClearHistory();
    void SetLogView(LogView* view);
    void SetLineObserver(LogLineObserver* observer);

protected:
    void FormatInto(const char* format, va_list args);
    // Formats and writes one line under the lock when its level is on.
    void WriteFormatted(bool levelOn, const char* format, va_list args);
    // Puts unwritten lines on disk before LogCritical ends the process.
    virtual void FlushBeforeExit() {}

    char line_[kLogLineSize];
    bool infoLevel_ = true;
    bool errorLevel_ = true;
    std::recursive_mutex lock_;
    std::deque<std::string> history_;
    LogView* logView_ = nullptr;
    LogLineObserver* observer_ = nullptr;
};

class FileLogger : public KestError {
public:
    FileLogger() = default;
    ~FileLogger() override;

    void Start() override;
    // Start with a given local time; Start() passes the current one.
    void StartAt(const std::tm& localTime);
    void Write(const char* line) override;

    void SetFileName(const std::string& name);
    void SetMode(LoggingMode mode);
    LoggingMode Mode();
    // End of the run: closes the file if it is open.
    void CloseFile();

    // Also appends every later line, in the log's own format, to a second file (the
    // command line's --log FILE). Each line is flushed, so the file is complete even if
    // the process ends abruptly. An empty path closes it. Returns false if it cannot be
    // opened. While it is open, Start writes its header even if the main file is off.
    bool SetExtraFile(const std::string& path);

protected:
    void FlushBeforeExit() override;

private:
    bool OpenIfNamed();

    std::string fileName_;
    LoggingMode mode_ = Normal;
    FILE* file_ = nullptr;
    bool fileOpen_ = false;
    int32_t fileNameLength_ = 0;
    FILE* extraFile_ = nullptr;
};

extern FileLogger theLog;
