// Temporary folders, whole-file reads and a log capture for the output, worker and log tests.
#pragma once

#include "program_log.h"

#include <atomic>
#include <cstdint>
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
#include <csignal>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/wait.h>
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

// The size of a file, 0 when there is none.
inline uint64_t FileSize(const std::string& path)
{
    std::error_code missing;
    const uintmax_t size = std::filesystem::file_size(path, missing);
    return missing ? 0 : uint64_t(size);
}

inline std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#ifndef _WIN32
// Lets every user read the file or walk into the folder, whatever the umask made of it.
inline void OpenToOthers(const std::string& path)
{
    using std::filesystem::perms;
    const bool folder = std::filesystem::is_directory(path);
    std::filesystem::permissions(path, folder ? perms::others_read | perms::others_exec : perms::others_read,
                                 std::filesystem::perm_options::add);
}

// Runs body in a child process once prepare has succeeded there (dropped rights, lower
// limits); true when both succeeded. Call it while the process has no other thread.
inline bool RunInChild(const std::function<bool()>& prepare, const std::function<bool()>& body)
{
    fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        if (!prepare())
            _exit(3);
        const bool passed = body();
        fflush(nullptr);
        _exit(passed ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Runs body in a child process whose files can grow to `bytes` at most, as on a disk
// that fills up part way: a write past it fails (EFBIG) instead of ending the process.
inline bool RunWithFileSizeLimit(size_t bytes, const std::function<bool()>& body)
{
    return RunInChild(
        [bytes] {
            const rlimit limit{rlim_t(bytes), RLIM_INFINITY};
            return signal(SIGXFSZ, SIG_IGN) != SIG_ERR && setrlimit(RLIMIT_FSIZE, &limit) == 0;
        },
        body);
}

// Runs body as a user without special rights, so that permission checks apply even when
// the tests run as root: then body runs in a child process that has dropped to the user
// "nobody" (which must succeed, or the run fails). Returns what body returned. Call it
// while the process has no other thread.
inline bool RunUnprivileged(const std::function<bool()>& body)
{
    if (geteuid() != 0)
        return body();
    const passwd* nobody = getpwnam("nobody");
    const uid_t uid = nobody ? nobody->pw_uid : 65534;
    const gid_t gid = nobody ? nobody->pw_gid : 65534;
    return RunInChild([&] { return setgroups(0, nullptr) == 0 && setgid(gid) == 0 && setuid(uid) == 0 && geteuid() != 0; },
                      body);
}
#endif

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
