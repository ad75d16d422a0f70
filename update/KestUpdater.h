// KestUpdater: the update check at start-up and the self-update. theUpdater is the one
// object; updateWindow is the update dialog that its thread reports to.
//
// How it works
// - CheckForUpdate runs on the user-interface thread: it asks the update server for the
//   newest version number and compares it with the program's own. It has a time limit
//   of its own, so whatever the server does (stays silent, never takes the connection,
//   sends a byte now and then) the main window is delayed by seconds, not minutes.
// - StartUpdate starts one update thread (never two at once) that downloads the archiver,
//   the update archive and the updater batch file into the current folder and then runs
//   the batch file there with the command interpreter, waiting for it. A batch file
//   that cannot be started is the update's error.
// - The thread never touches a window: it posts WM_KEST_UPDATEPROGRESS,
//   WM_KEST_UPDATEERROR and WM_KEST_UPDATERUNNING to updateWindow. The error text that
//   WM_KEST_UPDATEERROR points to is written before the message is posted and not again
//   in that run. Progress is posted only when the whole percentage changes; the error or
//   running message, which ends the dialog's wait, is posted again while a full queue
//   refuses it.
// - CancelUpdate ends the download under way within moments: the file it was fetching is
//   removed, nothing more is fetched or run, and WM_KEST_UPDATECANCELLED tells the dialog.
// - The flags are atomics shared by the thread and the updater. The thread holds its own
//   reference to them (UpdateRun), so the updater can be destroyed at process exit while
//   a download runs: the destructor sets abort and lets the thread go without waiting;
//   the download stops within moments.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

// Messages from the update thread to the update dialog.
constexpr UINT WM_KEST_UPDATEERROR = WM_USER + 21;     // lParam: the error text
constexpr UINT WM_KEST_UPDATEPROGRESS = WM_USER + 22;  // lParam: percent, 0 to 100
constexpr UINT WM_KEST_UPDATERUNNING = WM_USER + 23;   // all three files are in
constexpr UINT WM_KEST_UPDATECANCELLED = WM_USER + 24;  // CancelUpdate has ended the update

// How long the start-up check may take, whatever the server does.
constexpr uint32_t kUpdateCheckTimeLimitMs = 10000;

// The server's host when KEST_UPDATE_HOST does not name one. Under the reserved name
// "invalid" it never resolves: the project runs no public update server.
constexpr char kDefaultUpdateHost[] = "update.vandrel.invalid";

// Update server paths and the names the files are saved under in the current folder.
constexpr char kUpdateCheckPath[] = "/php/UpdateCheck.php?id=3&version=";
constexpr char kReleaseNotesPath[] = "/downloads.php?action=release_notes&id=11";
constexpr char kUpdaterBatchName[] = "Kestvan_Updater.bat";
constexpr char kRunUpdaterCommand[] = "cmd.exe /C Kestvan_Updater.bat";

// The update server's host ("host" or "host:port"): KEST_UPDATE_HOST when it holds a
// plain host, else kDefaultUpdateHost.
std::string UpdateServerHost();
// "http://" and the host.
std::string UpdateServerAddress();
// The version query for a user name as GetUserNameText gives it: blanks become
// underscores, nothing else is escaped.
std::string UpdateCheckUrl(const std::string& userName);
// The Windows user name, or "" when it cannot be read.
std::string GetUserNameText();

extern std::atomic<HWND> updateWindow;

class KestUpdater {
public:
    KestUpdater();
    ~KestUpdater();
    KestUpdater(const KestUpdater&) = delete;
    KestUpdater& operator=(const KestUpdater&) = delete;

    // True when the server names a newer version than this program's.
    bool CheckForUpdate();
    // Runs RunUpdate(text) on a new thread unless one is running.
    void StartUpdate(const std::string& text);
    // The download-and-run sequence; text is not used.
    void RunUpdate(const std::string& text);
    // Ends the update under way before its batch file runs; nothing when none runs.
    void CancelUpdate();
    // Logs "KestDownloader:: " + message and hands it to the update dialog.
    void ReportDownloadError(const char* message);
    // The progress callback of every download: posts the whole percent when it differs
    // from the last one posted for the download.
    static void OnUpdateProgress(uint32_t total, uint32_t done);

    bool IsRunning() const;
    // The last error handed to the dialog.
    const char* ErrorText() const;

private:
    struct UpdateRun;
    static void RunUpdateOn(const std::shared_ptr<UpdateRun>& run);
    static void ReportDownloadErrorOn(UpdateRun& run, const char* message);
    // Removes the file the cancelled update was fetching and tells the dialog.
    static void EndCancelledOn(UpdateRun& run, const char* partialFile);
    // Logs text and hands it to the update dialog as the update's error.
    static void ReportErrorOn(UpdateRun& run, const char* text);

    std::shared_ptr<std::thread> thread_;
    std::atomic<bool> stopped_{true};
    std::shared_ptr<UpdateRun> run_;
};

extern KestUpdater theUpdater;
