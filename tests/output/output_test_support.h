// Temporary folders, whole-file reads and a log capture for the output, worker and log tests.
#pragma once

#include "program_log.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#ifdef _WIN32
#include <process.h>
#define VANDREL_GETPID _getpid
#else
#include <unistd.h>
#define VANDREL_GETPID getpid
#endif

namespace testsupport {

#ifdef _WIN32
constexpr char kSep = '\\';
constexpr char kNewline[] = "\r\n";  // the log file is written in text mode
#else
constexpr char kSep = '/';
constexpr char kNewline[] = "\n";
#endif

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder()
    {
        static std::atomic<int> counter{0};
        std::random_device random;
        std::filesystem::path base = std::filesystem::temp_directory_path();
        path_ = (base / ("vandrel-" + std::to_string(VANDREL_GETPID()) + "-" + std::to_string(counter++) + "-" +
                         std::to_string(random() % 100000)))
                    .string();
        std::filesystem::create_directories(path_);
    }
    ~TempFolder()
    {
        std::error_code ignored;
        MakeWritable(path_);
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    // The path of name inside the folder; '/' in name becomes the platform separator.
    std::string operator/(const std::string& name) const
    {
        std::string joined = path_ + kSep + name;
        for (char& c : joined)
            if (c == '/')
                c = kSep;
        return joined;
    }

private:
    static void MakeWritable(const std::string& path)
    {
        std::error_code ignored;
        for (auto it = std::filesystem::recursive_directory_iterator(path, ignored);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ignored))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                     ignored);
    }
    std::string path_;
};

inline bool Exists(const std::string& path)
{
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

inline std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool RunningAsRoot()
{
#ifdef _WIN32
    return false;
#else
    return geteuid() == 0;
#endif
}

// Records every line theLog writes while it exists.
class LogCapture : public LogLineObserver {
public:
    LogCapture() { theLog.SetLineObserver(this); }
    ~LogCapture() override { theLog.SetLineObserver(nullptr); }
    void OnLogLine(const char* line) override
    {
        std::lock_guard<std::mutex> hold(lock_);
        lines_.emplace_back(line);
    }
    std::vector<std::string> Lines()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return lines_;
    }
    bool Contains(const std::string& line)
    {
        for (const std::string& l : Lines())
            if (l == line)
                return true;
        return false;
    }

private:
    std::mutex lock_;
    std::vector<std::string> lines_;
};

}  // namespace testsupport
