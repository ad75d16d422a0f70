// The update check and the self-update against the local test server.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "KestUpdater.h"
#include "import_patch.h"
#include "program_log.h"
#include "test_http_server.h"

namespace {

using updatetest::FileExists;
using updatetest::Pattern;
using updatetest::ReadFile;
using updatetest::ScopedEnvironment;
using updatetest::Server;

constexpr char kCheckQuery[] = "/php/UpdateCheck.php?id=3&version=1.02&name=";
constexpr size_t kLargeFile = 1100000;  // over a megabyte: its first chunk is 0 percent
constexpr LPARAM kNotPosted = -100;
// The batch file the server hands out: it proves that it ran, and where.
const char kMarkerBatch[] = "@echo off\r\necho ran> updater_ran.txt\r\nexit /b 0\r\n";

bool LogHas(const std::string& line) {
    const std::vector<std::string> history = theLog.History();
    return std::find(history.begin(), history.end(), line) != history.end();
}

// The processes the updater starts, as it asks the system to start them.
struct StartedProcess {
    std::string application, command, folder;
};
std::vector<StartedProcess> g_started;
decltype(&::CreateProcessA) g_systemCreateProcess = nullptr;
BOOL WINAPI RecordCreateProcess(LPCSTR application, LPSTR command, LPSECURITY_ATTRIBUTES process,
                                LPSECURITY_ATTRIBUTES thread, BOOL inherit, DWORD flags, LPVOID environment,
                                LPCSTR folder, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION info) {
    g_started.push_back({application ? application : "(none)", command ? command : "(none)",
                         folder ? folder : "(current)"});
    return g_systemCreateProcess(application, command, process, thread, inherit, flags, environment, folder, startup,
                                 info);
}

class UpdaterTest : public ::testing::Test {
protected:
    void SetUp() override {
        Server().RemoveUpdateFiles();
        Server().ClearRequests();
        theLog.ClearHistory();
        updateWindow = recorder.hwnd();
    }
    void TearDown() override { updateWindow = nullptr; }
    std::vector<LPARAM> Posted(UINT msg) const {
        std::vector<LPARAM> values;
        for (const auto& m : recorder.messages) {
            if (m.first == msg) values.push_back(m.second);
        }
        return values;
    }
    void ServeUpdate(const std::string& zipOptions = "") {
        Server().PutUpdateFile("7za.exe", Pattern(0, kLargeFile));
        Server().PutUpdateFile("FF_Update.zip", Pattern(7, kLargeFile + 7), zipOptions);
        Server().PutUpdateFile("Kest_Vandrel_Updater.bat", kMarkerBatch);
    }

    ScopedEnvironment host{"KEST_UPDATE_HOST", Server().Host().c_str()};
    updatetest::MessageRecorder recorder;
    testsupport::TempFolder folder;
    updatetest::CurrentFolder current{folder.Path()};
};

TEST_F(UpdaterTest, OnlyAReplyNamingANewerVersionOffersTheUpdate) {
    const struct {
        const char* reply;
        bool newer;
    } replies[] = {{"1.02", false}, {"1.03", true},  {"2", true},      {"abc", false},         {"", false},
                   {"1.01", false}, {"1.020", false}, {"1.1", true}, {" 1.03 beta\n", true}};
    for (const auto& r : replies) {
        Server().PutUpdateFile("version.txt", r.reply);
        theLog.ClearHistory();
        EXPECT_EQ(r.newer, KestUpdater().CheckForUpdate()) << '"' << r.reply << '"';
        EXPECT_EQ(std::vector<std::string>{r.newer ? "Update Avalible ! (Prompting user with dialog)"
                                                   : "No Updates Avalible"},
                  theLog.History());
    }
}

TEST_F(UpdaterTest, TheQueryCarriesTheVersionAndTheUserNameWithBlanksAsUnderscores) {
    Server().PutUpdateFile("version.txt", "1.02");
    const struct {
        const char* userName;  // as wine's user name lookup gives it
        const char* sent;
    } cases[] = {
        {"Build User", "Build_User"},
        {" two  blanks ", "_two__blanks_"},
        // Longer than the 100-character buffer: the lookup fails and no name is sent.
        {"a-user-name-that-is-far-too-long-for-the-buffer-of-one-hundred-characters-that-the-updater-hands-over",
         ""},
    };
    for (const auto& c : cases) {
        ScopedEnvironment user("WINEUSERNAME", c.userName);
        KestUpdater().CheckForUpdate();
        const auto seen = Server().RequestsTo("/php/");
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(kCheckQuery + std::string(c.sent), seen.back().path);
    }
}

TEST_F(UpdaterTest, AFailedCheckLogsTheDownloadersMessageAndOffersNothing) {
    // No version file: the server answers 404.
    EXPECT_FALSE(KestUpdater().CheckForUpdate());
    ScopedEnvironment noHost("KEST_UPDATE_HOST", nullptr);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(KestUpdater().CheckForUpdate());
    const auto took = std::chrono::steady_clock::now() - start;
    std::printf("update check against the built-in host: %lld us\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(took).count()));
    EXPECT_EQ((std::vector<std::string>{"Failed To preform Update Check: HTTP Error Status: 404",
                                        "Failed To preform Update Check: Can't open url"}),
              theLog.History());
}

TEST(UpdateServerHostTest, TakesOnlyAPlainHostFromTheEnvironment) {
    const char* kDefault = "update.vandrel.invalid";
    const struct {
        const char* configured;
        const char* used;
    } cases[] = {{nullptr, kDefault},        {"127.0.0.1:8080", "127.0.0.1:8080"}, {"[::1]:80", "[::1]:80"},
                 {"", kDefault},             {"example.org/evil?x=", kDefault},     {"user@example.org", kDefault},
                 {"two words", kDefault}};
    for (const auto& c : cases) {
        ScopedEnvironment host("KEST_UPDATE_HOST", c.configured);
        EXPECT_EQ(c.used, UpdateServerHost()) << (c.configured ? c.configured : "(unset)");
    }
}

TEST_F(UpdaterTest, AnUpdateFetchesTheThreeFilesAndRunsTheBatchFileInTheCurrentFolder) {
    ServeUpdate();
    KestUpdater updater;
    updater.RunUpdate("");
    recorder.PumpUntil([&] { return !Posted(WM_KEST_UPDATERUNNING).empty(); }, 5000);

    EXPECT_EQ(Pattern(0, kLargeFile), ReadFile(folder / "7za.exe"));
    EXPECT_EQ(Pattern(7, kLargeFile + 7), ReadFile(folder / "FF_Update.zip"));
    EXPECT_EQ(kMarkerBatch, ReadFile(folder / "Kestvan_Updater.bat"));
    EXPECT_EQ("ran\r\n", ReadFile(folder / "updater_ran.txt")) << "the batch file ran in the current folder";
    const std::string address = Server().Url("");
    EXPECT_EQ((std::vector<std::string>{"Downloading File: " + address + "/util/7za.exe",
                                         "Downloading File: " + address + "/downloads.php?id=11&update=true",
                                         "Downloading File: " + address + "/util/Kest_Vandrel_Updater.bat",
                                         "Downloaded Update"}),
              theLog.History());
    for (const auto& request : Server().Requests()) EXPECT_EQ("Range:bytes=0-", request.range) << request.path;

    // The bar runs from 0 to 100 once per file; then the dialog hears that the updater runs.
    std::vector<std::vector<LPARAM>> runs;
    for (LPARAM percent : Posted(WM_KEST_UPDATEPROGRESS)) {
        if (runs.empty() || runs.back().back() == 100) runs.emplace_back();
        runs.back().push_back(percent);
    }
    ASSERT_EQ(3u, runs.size());
    for (int file : {0, 1}) {
        EXPECT_EQ(0, runs[file].front()) << file;
        EXPECT_TRUE(std::is_sorted(runs[file].begin(), runs[file].end())) << file;
        EXPECT_EQ(runs[file].end(), std::adjacent_find(runs[file].begin(), runs[file].end()))
            << "a percentage posted twice for file " << file;
    }
    EXPECT_EQ(std::vector<LPARAM>{100}, runs[2]) << "the small batch file arrives in one chunk";
    EXPECT_EQ(static_cast<UINT>(WM_KEST_UPDATERUNNING), recorder.messages.back().first);
    EXPECT_TRUE(Posted(WM_KEST_UPDATEERROR).empty());
}

// Only the system folder's cmd.exe runs the batch file: one found through the search
// path or lying in the current folder could be anyone's.
TEST_F(UpdaterTest, TheBatchFileRunsUnderTheSystemFoldersCommandInterpreter) {
    Server().PutUpdateFile("7za.exe", "7za");
    Server().PutUpdateFile("FF_Update.zip", "zip");
    Server().PutUpdateFile("Kest_Vandrel_Updater.bat", kMarkerBatch);
    uitest::ImportPatch createProcess("kernel32.dll", "CreateProcessA", reinterpret_cast<void*>(&RecordCreateProcess));
    g_systemCreateProcess = reinterpret_cast<decltype(g_systemCreateProcess)>(createProcess.Original());
    g_started.clear();
    KestUpdater().RunUpdate("");

    char systemFolder[MAX_PATH] = {};
    ASSERT_GT(::GetSystemDirectoryA(systemFolder, MAX_PATH), 0u);
    ASSERT_EQ(1u, g_started.size());
    EXPECT_EQ(std::string(systemFolder) + "\\cmd.exe", g_started[0].application);
    EXPECT_EQ("cmd.exe /C Kestvan_Updater.bat", g_started[0].command);
    EXPECT_EQ("(current)", g_started[0].folder);
    EXPECT_EQ("ran\r\n", ReadFile(folder / "updater_ran.txt"));
}

TEST_F(UpdaterTest, AFailureOnTheSecondDownloadKeepsTheFirstRunsNothingAndTellsTheDialog) {
    ServeUpdate("cut=300000");
    KestUpdater updater;
    updater.RunUpdate("");
    recorder.PumpUntil([&] { return !Posted(WM_KEST_UPDATEERROR).empty(); }, 5000);

    EXPECT_EQ(Pattern(0, kLargeFile), ReadFile(folder / "7za.exe"));
    EXPECT_EQ(Pattern(7, 300007), ReadFile(folder / "FF_Update.zip")) << "what arrived stays";
    EXPECT_FALSE(FileExists(folder / "Kestvan_Updater.bat"));
    EXPECT_FALSE(FileExists(folder / "updater_ran.txt"));
    const std::string text = "KestDownloader:: Error occurred during download";
    EXPECT_EQ(text, updater.ErrorText());
    EXPECT_EQ(std::vector<LPARAM>{reinterpret_cast<LPARAM>(updater.ErrorText())}, Posted(WM_KEST_UPDATEERROR));
    EXPECT_TRUE(Posted(WM_KEST_UPDATERUNNING).empty());
    EXPECT_TRUE(LogHas(text));
    EXPECT_FALSE(LogHas("Downloaded Update"));
}

// The system folder and process start as they fail on a broken system.
UINT WINAPI NoSystemFolder(LPSTR, UINT) {
    ::SetLastError(ERROR_PATH_NOT_FOUND);
    return 0;
}
BOOL WINAPI NoProcess(LPCSTR, LPSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR,
                      LPSTARTUPINFOA, LPPROCESS_INFORMATION) {
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
}

// PostMessageA as a queue that holds its 10000 messages answers it, for the update's
// outcome, until it has refused it three times.
std::atomic<int> g_refusals{0};
decltype(&::PostMessageA) g_post = nullptr;
BOOL WINAPI PostToFullQueue(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    if ((msg == WM_KEST_UPDATEERROR || msg == WM_KEST_UPDATERUNNING) && g_refusals.load() > 0) {
        --g_refusals;
        ::SetLastError(ERROR_NOT_ENOUGH_QUOTA);
        return FALSE;
    }
    return g_post(window, msg, wp, lp);
}

// However an update ends, the dialog hears it once, through a full queue too; a batch
// file that cannot be started is an error, not "Running Update...".
TEST_F(UpdaterTest, EveryOutcomeReachesTheDialogOnceThroughAFullQueue) {
    const struct {
        const char* zipOptions;
        const char* brokenCall;  // a kernel32 call that fails, or null
        void* replacement;
        const char* error;  // the dialog's error text; null: the updater runs
    } outcomes[] = {
        {"", nullptr, nullptr, nullptr},
        {"cut=300000", nullptr, nullptr, "KestDownloader:: Error occurred during download"},
        {"", "GetSystemDirectoryA", reinterpret_cast<void*>(&NoSystemFolder),
         "Failed To Run Update: Can't start Kestvan_Updater.bat (error 3)"},
        {"", "CreateProcessA", reinterpret_cast<void*>(&NoProcess),
         "Failed To Run Update: Can't start Kestvan_Updater.bat (error 2)"},
    };
    for (const auto& o : outcomes) {
        const std::string name = o.brokenCall ? o.brokenCall : o.zipOptions;
        recorder.messages.clear();
        theLog.ClearHistory();
        ::DeleteFileA((folder / "updater_ran.txt").c_str());
        ServeUpdate(o.zipOptions);
        std::unique_ptr<uitest::ImportPatch> broken;
        if (o.brokenCall) broken = std::make_unique<uitest::ImportPatch>("kernel32.dll", o.brokenCall, o.replacement);
        g_refusals = 3;
        uitest::ImportPatch fullQueue("user32.dll", "PostMessageA", reinterpret_cast<void*>(&PostToFullQueue));
        g_post = reinterpret_cast<decltype(&::PostMessageA)>(fullQueue.Original());
        KestUpdater updater;
        updater.StartUpdate("");
        const UINT outcome = o.error ? WM_KEST_UPDATEERROR : WM_KEST_UPDATERUNNING;
        EXPECT_TRUE(recorder.PumpUntil([&] { return !updater.IsRunning() && !Posted(outcome).empty(); }, 10000))
            << name << ": the outcome was lost";
        EXPECT_EQ(0, g_refusals.load()) << name;
        EXPECT_EQ(1u, Posted(WM_KEST_UPDATEERROR).size() + Posted(WM_KEST_UPDATERUNNING).size()) << name;
        EXPECT_EQ(o.error ? o.error : "", std::string(updater.ErrorText())) << name;
        if (o.error) {
            EXPECT_TRUE(LogHas(o.error)) << name;
        }
        EXPECT_EQ(o.error == nullptr, FileExists(folder / "updater_ran.txt")) << name;
    }
}

TEST_F(UpdaterTest, OneUpdateThreadAtATimeAndANewOneAfterTheEnd) {
    Server().PutUpdateFile("7za.exe", Pattern(0, 60000), "slow=10");
    Server().PutUpdateFile("FF_Update.zip", "zip");
    Server().PutUpdateFile("Kest_Vandrel_Updater.bat", kMarkerBatch);
    KestUpdater updater;
    for (size_t run = 1; run <= 2; ++run) {
        updatetest::WriteFile(folder / "FF_Update.zip", "a longer zip left from before");
        const size_t progressBefore = Posted(WM_KEST_UPDATEPROGRESS).size();
        updater.StartUpdate("");
        ASSERT_TRUE(recorder.PumpUntil([&] { return Posted(WM_KEST_UPDATEPROGRESS).size() > progressBefore; }));
        updater.StartUpdate("");  // ignored: the first is still downloading
        ASSERT_TRUE(recorder.PumpUntil([&] { return !updater.IsRunning(); }));
        EXPECT_EQ(run, Server().RequestsTo("/util/7za.exe").size());
        EXPECT_EQ("zip", ReadFile(folder / "FF_Update.zip")) << "truncated again";
        EXPECT_EQ(run, Posted(WM_KEST_UPDATERUNNING).size());
    }
}

TEST_F(UpdaterTest, TheDestructorStopsARunningDownloadWithoutWaitingForIt) {
    { KestUpdater neverStarted; }
    EXPECT_TRUE(theLog.History().empty());

    Server().PutUpdateFile("7za.exe", Pattern(0, 500000), "slow=20");  // ten seconds unless stopped
    {
        KestUpdater updater;
        updater.StartUpdate("");
        ASSERT_TRUE(recorder.PumpUntil([&] { return !Posted(WM_KEST_UPDATEPROGRESS).empty(); }));
    }
    EXPECT_TRUE(LogHas("Downloader thread Stopped"));
    // The thread ends the transfer after its current chunk; the server sees it broken off.
    ASSERT_TRUE(recorder.PumpUntil([&] {
        for (const auto& request : Server().RequestsTo("/util/7za.exe")) {
            if (request.range == "aborted") return true;
        }
        return false;
    })) << "the download went on after the updater was destroyed";
    EXPECT_TRUE(Server().RequestsTo("/downloads.php").empty()) << "nothing more is fetched";
}

// Cancel ends the update whether it waits for an answer's head or for more of its body:
// the file it was fetching is gone, nothing more is fetched or run, and the updater can
// start again.
TEST_F(UpdaterTest, CancelEndsTheDownloadRemovesItsFileAndLeavesTheUpdaterAsItWas) {
    const struct {
        const char* name;
        const char* options;  // of 7za.exe
        bool afterProgress;   // cancelled once a chunk has arrived, else once the request is in
    } cases[] = {{"waiting for the head", "drip=1000", false}, {"waiting for the body", "slow=300", true}};
    for (const auto& c : cases) {
        ServeUpdate();
        Server().PutUpdateFile("7za.exe", Pattern(0, 30000), c.options);
        Server().ClearRequests();
        recorder.messages.clear();
        theLog.ClearHistory();
        KestUpdater updater;
        updater.StartUpdate("");
        ASSERT_TRUE(recorder.PumpUntil([&] {
            return c.afterProgress ? !Posted(WM_KEST_UPDATEPROGRESS).empty() : !Server().RequestsTo("/util/").empty();
        })) << c.name;
        const size_t progressBefore = Posted(WM_KEST_UPDATEPROGRESS).size();
        const auto cancelled = std::chrono::steady_clock::now();
        updater.CancelUpdate();
        EXPECT_TRUE(recorder.PumpUntil([&] { return !updater.IsRunning() && !Posted(WM_KEST_UPDATECANCELLED).empty(); }))
            << c.name;
        std::printf("%s: the update ended %lld ms after Cancel\n", c.name,
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::steady_clock::now() - cancelled)
                                               .count()));
        EXPECT_FALSE(FileExists(folder / "7za.exe")) << c.name;
        EXPECT_EQ(progressBefore, Posted(WM_KEST_UPDATEPROGRESS).size()) << c.name << ": progress after Cancel";
        EXPECT_TRUE(Server().RequestsTo("/downloads.php").empty()) << c.name;
        EXPECT_EQ(1u, Posted(WM_KEST_UPDATECANCELLED).size()) << c.name;
        EXPECT_TRUE(Posted(WM_KEST_UPDATEERROR).empty() && Posted(WM_KEST_UPDATERUNNING).empty()) << c.name;
        EXPECT_EQ("Update Cancelled", theLog.History().back()) << c.name;
        EXPECT_FALSE(LogHas("Failed To Download Update")) << c.name;

        Server().PutUpdateFile("7za.exe", "7za");
        updater.StartUpdate("");
        EXPECT_TRUE(recorder.PumpUntil([&] { return !updater.IsRunning() && !Posted(WM_KEST_UPDATERUNNING).empty(); }))
            << c.name;
        EXPECT_EQ("ran\r\n", ReadFile(folder / "updater_ran.txt")) << c.name << ": a new update after Cancel";
        ::DeleteFileA((folder / "updater_ran.txt").c_str());
    }
}

TEST_F(UpdaterTest, ProgressPostsTheWholePercentWhenItChangesAndErrorsTheirBoundedText) {
    const struct {
        uint32_t total, done;
        LPARAM percent;  // posted; kNotPosted when the call posts nothing
    } cases[] = {{200, 0, 0},     {3, 1, 33},         {3, 2, 66},    {200, 133, kNotPosted}, {200, 200, 100},
                 {4000000000u, 3999999999u, 99},     {0, 0, -1},    {10, 11, kNotPosted},   {1000, 0, 0},
                 {1000, 9, kNotPosted}};
    KestUpdater::OnUpdateProgress(0, 0);  // -1 is the last percentage posted, whatever came before
    recorder.PumpUntil([] { return true; });
    recorder.messages.clear();
    std::vector<LPARAM> expected;
    for (const auto& c : cases) {
        KestUpdater::OnUpdateProgress(c.total, c.done);
        if (c.percent != kNotPosted) expected.push_back(c.percent);
    }
    KestUpdater updater;
    updater.ReportDownloadError(std::string(300, 'e').c_str());
    recorder.PumpUntil([&] { return !Posted(WM_KEST_UPDATEERROR).empty(); }, 2000);

    EXPECT_EQ(expected, Posted(WM_KEST_UPDATEPROGRESS));
    EXPECT_EQ("KestDownloader:: " + std::string(199 - 17, 'e'), updater.ErrorText());
    EXPECT_EQ(std::vector<LPARAM>{reinterpret_cast<LPARAM>(updater.ErrorText())}, Posted(WM_KEST_UPDATEERROR));
}

}  // namespace
