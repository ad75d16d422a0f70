#include "program_log.h"

#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

// Constructed before, and destroyed after, every other static object of the program, so
// that the worker and the application can log from their own constructors and destructors.
#if defined(__GNUC__)
FileLogger theLog __attribute__((init_priority(101)));
#else
FileLogger theLog;
#endif

namespace {

const char kCriticalCaption[] = "Kest_Ryn - Critical Error";
const unsigned kCriticalBoxStyle = 0x30;  // MB_OK | MB_ICONEXCLAMATION

}  // namespace

KestError::KestError()
{
    line_[0] = '\0';
}

KestError::~KestError()
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    history_.clear();
}

void KestError::WriteInfo(const char* line)
{
    if (infoLevel_)
        Write(line);
}

void KestError::WriteError(const char* line)
{
    if (errorLevel_)
        Write(line);
}

void KestError::WriteAlways(const char* line)
{
    Write(line);
}

void KestError::Write(const char* line)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    AddToHistory(line);
}

void KestError::FormatInto(const char* format, va_list args)
{
    // vsnprintf cuts a longer line at 255 characters; a format error leaves it empty.
    if (vsnprintf(line_, sizeof(line_), format, args) < 0)
        line_[0] = '\0';
    line_[sizeof(line_) - 1] = '\0';
}

void KestError::WriteFormatted(bool levelOn, const char* format, va_list args)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (!levelOn)
        return;
    FormatInto(format, args);
    Write(line_);
}

void KestError::Log(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteFormatted(infoLevel_, format, args);
    va_end(args);
}

void KestError::LogError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteFormatted(errorLevel_, format, args);
    va_end(args);
}

const char* KestError::FormatLine(const char* format, ...)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    va_list args;
    va_start(args, format);
    FormatInto(format, args);
    va_end(args);
    return line_;
}

void KestError::LogCritical(const char* format, ...)
{
    char shown[kLogLineSize];
    {
        std::lock_guard<std::recursive_mutex> hold(lock_);
        va_list args;
        va_start(args, format);
        FormatInto(format, args);
        va_end(args);
        WriteAlways(line_);
        memcpy(shown, line_, sizeof(shown));
        // In Normal mode the file is buffered; ending the process at once would lose
        // the one line that explains why it ended.
        FlushBeforeExit();
    }
    // The box is shown without the lock, so other threads can still log while it is up.
#ifdef _WIN32
    MessageBoxA(nullptr, shown, kCriticalCaption, kCriticalBoxStyle);
    ExitProcess(1);
#else
    (void)kCriticalBoxStyle;
    fprintf(stderr, "%s: %s\n", kCriticalCaption, shown);
    fflush(stderr);
    _exit(1);
#endif
}

void KestError::AddToHistory(const char* line)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    while (history_.size() >= kLogHistoryLines)
        history_.pop_front();
    history_.emplace_back(line);
    if (observer_)
        observer_->OnLogLine(line);
    if (logView_)
        logView_->AppendLogText(std::string("\r\n") + line);
}

std::vector<std::string> KestError::History()
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return std::vector<std::string>(history_.begin(), history_.end());
}

void KestError::ClearHistory()
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    history_.clear();
}

void KestError::SetLogView(LogView* view)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    logView_ = view;
}

void KestError::SetLineObserver(LogLineObserver* observer)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    observer_ = observer;
}

FileLogger::~FileLogger()
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    CloseFile();
    if (extraFile_)
        fclose(extraFile_);
    extraFile_ = nullptr;
}

void FileLogger::SetFileName(const std::string& name)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    fileName_ = name;
    fileNameLength_ = static_cast<int32_t>(name.size());
}

void FileLogger::SetMode(LoggingMode mode)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    mode_ = mode;
}

LoggingMode FileLogger::Mode()
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    return mode_;
}

void FileLogger::CloseFile()
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (fileOpen_)
        fclose(file_);
    file_ = nullptr;
    fileOpen_ = false;
}

bool FileLogger::SetExtraFile(const std::string& path)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (extraFile_)
        fclose(extraFile_);
    extraFile_ = nullptr;
    if (path.empty())
        return true;
    extraFile_ = fopen(path.c_str(), "a+");
    return extraFile_ != nullptr;
}

bool FileLogger::OpenIfNamed()
{
    if (!fileOpen_ && fileNameLength_ > 0) {
        file_ = fopen(fileName_.c_str(), "a+");
        fileOpen_ = file_ != nullptr;
    }
    return fileOpen_;
}

void FileLogger::Write(const char* line)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (OpenIfNamed()) {
        fputs(line, file_);
        fputs("\n", file_);
        if (mode_ == SyncEveryWrite) {
            fclose(file_);
            file_ = nullptr;
            fileOpen_ = false;
        }
    }
    if (extraFile_) {
        fputs(line, extraFile_);
        fputs("\n", extraFile_);
        fflush(extraFile_);
    }
    AddToHistory(line);
}

void FileLogger::FlushBeforeExit()
{
    if (fileOpen_)
        fflush(file_);
}

void FileLogger::Start()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    StartAt(local);
}

void FileLogger::StartAt(const std::tm& localTime)
{
    std::lock_guard<std::recursive_mutex> hold(lock_);
    if (!OpenIfNamed() && !extraFile_)
        return;
    Write(FormatLine("\n*** Application Started (Version %s) : %i/%i/%i %i:%i:%i ***\n", kProgramVersion,
                     localTime.tm_mday, localTime.tm_mon + 1, localTime.tm_year + 1900, localTime.tm_hour,
                     localTime.tm_min, localTime.tm_sec));
    Log("Logging Mode: %s", mode_ == Normal ? "Normal" : "Sync every write");
}
