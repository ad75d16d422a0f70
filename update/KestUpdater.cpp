#include "KestUpdater.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <exception>
#include <sstream>

#include "KestDownloader.h"
#include "export_options.h"
#include "program_log.h"

KestUpdater theUpdater;
std::atomic<HWND> updateWindow{nullptr};

namespace {

constexpr char kUpdateHostVariable[] = "KEST_UPDATE_HOST";
constexpr DWORD kUserNameSize = 100;
constexpr size_t kHostTextLimit = 255;
constexpr size_t kErrorTextSize = 200;

struct UpdateFile {
    const char* savedAs;
    const char* path;
};
const UpdateFile kUpdateFiles[] = {
    {"7za.exe", "/util/7za.exe"},
    {"FF_Update.zip", "/downloads.php?id=11&update=true"},
    {kUpdaterBatchName, "/util/Kest_Vandrel_Updater.bat"},
};

bool ParseVersion(const std::string& text, float* version) {
    std::istringstream in(text);
    return static_cast<bool>(in >> *version);
}

// A host name, an IPv4 or bracketed IPv6 address, and an optional port; nothing that
// would change the path of the requests.
bool IsPlainHost(const std::string& host) {
    if (host.empty() || host.size() > kHostTextLimit) return false;
    for (unsigned char c : host) {
        if (!std::isalnum(c) && !std::strchr(".-_:[]", c)) return false;
    }
    return true;
}

constexpr DWORD kRepostMs = 20;
constexpr int kNothingPosted = -2;  // below every percentage OnUpdateProgress posts

// The percentage last posted for the download under way; only the update thread, one at
// a time, touches it.
int postedPercent = kNothingPosted;

void PostToUpdateWindow(UINT msg, LPARAM lp) {
    HWND target = updateWindow.load();
    if (target) ::PostMessageA(target, msg, 0, lp);
}

// The end of an update (its error, or the updater running) must reach the dialog, which
// cannot be closed until it does. A full message queue refuses a post: it is posted
// again until the queue takes it, the dialog is gone or the process is ending.
void PostOutcome(UINT msg, LPARAM lp, const std::atomic<bool>& exiting) {
    for (;;) {
        const HWND target = updateWindow.load();
        if (!target || ::PostMessageA(target, msg, 0, lp)) return;
        // Waiting on the dialog's own thread would keep its queue full for ever.
        if (!::IsWindow(target) || exiting.load() || ::GetWindowThreadProcessId(target, nullptr) == ::GetCurrentThreadId())
            return;
        ::Sleep(kRepostMs);
    }
}

// Starts the updater batch file in the current folder with the system's own command
// interpreter (never a cmd.exe lying in the current folder). Null when it cannot be
// started, with the reason in GetLastError.
HANDLE StartUpdaterBatch() {
    char systemFolder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(systemFolder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        if (length) ::SetLastError(ERROR_BUFFER_OVERFLOW);
        return nullptr;
    }
    const std::string interpreter = std::string(systemFolder, length) + "\\cmd.exe";
    std::string command = kRunUpdaterCommand;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(interpreter.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process))
        return nullptr;
    ::CloseHandle(process.hThread);
    return process.hProcess;
}

// Lets a std::thread go without waiting when its last owner releases it.
void ReleaseThread(std::thread* thread) {
    if (thread->joinable()) thread->detach();
    delete thread;
}

}  // namespace

struct KestUpdater::UpdateRun {
    std::atomic<bool> running{false};
    std::atomic<bool> abort{false};      // the download's: set by a cancel and at exit
    std::atomic<bool> cancelled{false};  // by the user
    std::atomic<bool> exiting{false};    // the updater is gone
    char errorText[kErrorTextSize] = {};
};

std::string UpdateServerHost() {
    char host[kHostTextLimit + 1] = {};
    const DWORD length = ::GetEnvironmentVariableA(kUpdateHostVariable, host, sizeof host);
    if (length > 0 && length < sizeof host && IsPlainHost(host)) return host;
    return kDefaultUpdateHost;
}

std::string UpdateServerAddress() { return "http://" + UpdateServerHost(); }

std::string UpdateCheckUrl(const std::string& userName) {
    std::string name = userName;
    for (char& c : name) {
        if (c == ' ') c = '_';
    }
    return UpdateServerAddress() + kUpdateCheckPath + kProgramVersion + "&name=" + name;
}

std::string GetUserNameText() {
    std::string name(kUserNameSize, '\0');
    DWORD size = kUserNameSize;
    if (!::GetUserNameA(&name[0], &size)) return std::string();
    return std::string(name.c_str());
}

KestUpdater::KestUpdater() : run_(std::make_shared<UpdateRun>()) {}

KestUpdater::~KestUpdater() {
    if (!stopped_.load()) {
        run_->exiting = true;
        run_->abort = true;
        theLog.Log("Downloader thread Stopped");
        stopped_ = true;
    }
    thread_.reset();
}

bool KestUpdater::IsRunning() const { return run_->running.load(); }

const char* KestUpdater::ErrorText() const { return run_->errorText; }

bool KestUpdater::CheckForUpdate() {
    try {
        std::string reply;
        {
            KestDownloader downloader;
            downloader.timeLimitMs = kUpdateCheckTimeLimitMs;
            downloader.DownloadToString(UpdateCheckUrl(GetUserNameText()), reply);
        }
        float newest = 0;
        if (ParseVersion(reply, &newest) && kProgramVersionNumber < newest) {
            theLog.Log("Update Avalible ! (Prompting user with dialog)");
            return true;
        }
        theLog.Log("No Updates Avalible");
        return false;
    } catch (const KestDownloadError& error) {
        theLog.LogError("Failed To preform Update Check: %s", error.Message());
        return false;
    }
}

void KestUpdater::StartUpdate(const std::string&) {
    bool idle = false;
    if (!run_->running.compare_exchange_strong(idle, true)) return;
    run_->cancelled = false;
    run_->abort = run_->exiting.load();
    std::shared_ptr<UpdateRun> run = run_;
    try {
        thread_.reset(new std::thread([run] { RunUpdateOn(run); }), &ReleaseThread);
    } catch (const std::exception& error) {
        // No thread: tell the dialog, which otherwise waits for ever.
        ReportDownloadErrorOn(*run, error.what());
        run->running = false;
        return;
    }
    stopped_ = false;
}

void KestUpdater::RunUpdate(const std::string&) {
    run_->running = true;
    RunUpdateOn(run_);
}

void KestUpdater::CancelUpdate() {
    if (!run_->running.load()) return;
    run_->cancelled = true;
    run_->abort = true;
}

void KestUpdater::RunUpdateOn(const std::shared_ptr<UpdateRun>& run) {
    const char* fetching = nullptr;  // the file under way when the update ends early
    try {
        KestDownloader downloader;
        const std::string address = UpdateServerAddress();
        bool fetched = true;
        for (const UpdateFile& file : kUpdateFiles) {
            fetching = file.savedAs;
            downloader.outputFile = file.savedAs;
            postedPercent = kNothingPosted;
            if (run->abort.load() || !downloader.Download(address + file.path, &run->abort, true, &OnUpdateProgress)) {
                if (!run->abort.load()) theLog.LogError("Failed To Download Update");
                fetched = false;
                break;
            }
            if (run->abort.load()) {
                fetched = false;
                break;
            }
        }
        fetching = fetched ? nullptr : fetching;
        if (fetched) {
            theLog.Log("Downloaded Update");
            if (const HANDLE batch = StartUpdaterBatch()) {
                PostOutcome(WM_KEST_UPDATERUNNING, 0, run->exiting);
                ::WaitForSingleObject(batch, INFINITE);
                ::CloseHandle(batch);
            } else {
                char text[kErrorTextSize];
                std::snprintf(text, sizeof text, "Failed To Run Update: Can't start %s (error %lu)", kUpdaterBatchName,
                              static_cast<unsigned long>(::GetLastError()));
                ReportErrorOn(*run, text);
            }
        }
    } catch (const KestDownloadError& error) {
        if (!run->cancelled.load()) ReportDownloadErrorOn(*run, error.Message());
    } catch (const std::exception& error) {
        // Out of memory or the like: the dialog still learns that the update ended.
        if (!run->cancelled.load()) ReportDownloadErrorOn(*run, error.what());
    }
    if (run->cancelled.load() && fetching) EndCancelledOn(*run, fetching);
    run->running = false;
}

void KestUpdater::EndCancelledOn(UpdateRun& run, const char* partialFile) {
    // Cut short, the file would pass for a whole one.
    ::DeleteFileA(partialFile);
    theLog.Log("Update Cancelled");
    PostOutcome(WM_KEST_UPDATECANCELLED, 0, run.exiting);
}

void KestUpdater::ReportDownloadError(const char* message) { ReportDownloadErrorOn(*run_, message); }

void KestUpdater::ReportDownloadErrorOn(UpdateRun& run, const char* message) {
    ReportErrorOn(run, (std::string("KestDownloader:: ") + message).c_str());
}

void KestUpdater::ReportErrorOn(UpdateRun& run, const char* text) {
    theLog.LogError("%s", text);
    std::snprintf(run.errorText, sizeof run.errorText, "%s", text);
    PostOutcome(WM_KEST_UPDATEERROR, reinterpret_cast<LPARAM>(run.errorText), run.exiting);
}

void KestUpdater::OnUpdateProgress(uint32_t total, uint32_t done) {
    // Without a total, or past it, there is no percentage; -1 lies outside what the
    // dialog takes. A chunk that leaves the whole percentage as it was posts nothing.
    const int percent = (total == 0 || done > total) ? -1 : static_cast<int>(static_cast<double>(done) / total * 100.0);
    if (percent == postedPercent) return;
    postedPercent = percent;
    PostToUpdateWindow(WM_KEST_UPDATEPROGRESS, percent);
}
