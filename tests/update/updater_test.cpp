// The update check and the self-update against the local test server: the version
// replies, the user name in the query, the built-in host, the three downloads with their
// progress, the batch file run in the current folder, a failure on the second download,
// one thread at a time, and what the destructor does.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "KestUpdater.h"
#include "program_log.h"
#include "test_http_server.h"

namespace {

using updatetest::FileExists;
using updatetest::Pattern;
using updatetest::ReadFile;
using updatetest::ScopedEnvironment;
using updatetest::Server;

constexpr char kCheckQuery[] = "/php/UpdateCheck.php?id=3&version=1.02&name=";
// Over a megabyte, so that the first chunk is still 0 percent.
constexpr size_t kLargeFile = 1100000;

bool LogHas(const std::string& line) {
    for (const std::string& logged : theLog.History()) {
        if (logged == line) return true;
    }
    return false;
}

// The batch file the test server hands out: it proves that it ran, and where.
const char kMarkerBatch[] =
    "@echo off\r\n"
    "echo ran> updater_ran.txt\r\n"
    "exit /b 0\r\n";

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

    ScopedEnvironment host{"KEST_UPDATE_HOST", Server().Host().c_str()};
    updatetest::MessageRecorder recorder;
};

struct VersionReply {
    const char* name;
    const char* reply;
    bool newer;
};

void PrintTo(const VersionReply& v, std::ostream* os) { *os << v.name; }

const VersionReply kVersionReplies[] = {
    {"Same", "1.02", false},       {"Newer", "1.03", true},          {"Two", "2", true},
    {"Letters", "abc", false},     {"Empty", "", false},             {"Older", "1.01", false},
    {"TrailingZero", "1.020", false}, {"OneTen", "1.1", true},       {"TextAfter", " 1.03 beta\n", true},
};

class UpdateCheckTest : public UpdaterTest, public ::testing::WithParamInterface<VersionReply> {};

TEST_P(UpdateCheckTest, ReportsANewerVersionOnlyWhenTheReplyNamesOne) {
    const VersionReply& v = GetParam();
    Server().PutUpdateFile("version.txt", v.reply);
    KestUpdater updater;
    EXPECT_EQ(v.newer, updater.CheckForUpdate());
    EXPECT_EQ(std::vector<std::string>{v.newer ? "Update Avalible ! (Prompting user with dialog)"
                                               : "No Updates Avalible"},
              theLog.History());
}

INSTANTIATE_TEST_SUITE_P(Replies, UpdateCheckTest, ::testing::ValuesIn(kVersionReplies),
                         [](const ::testing::TestParamInfo<VersionReply>& info) { return info.param.name; });

TEST_F(UpdaterTest, TheQueryCarriesTheVersionAndTheUserNameWithBlanksAsUnderscores) {
    Server().PutUpdateFile("version.txt", "1.02");
    const struct {
        const char* userName;  // as wine's user name lookup will give it
        const char* sent;
    } cases[] = {
        {"Build User", "Build_User"},
        {" two  blanks ", "_two__blanks_"},
        {"root", "root"},
        // Longer than the 100-character buffer: the lookup fails and no name is sent.
        {"a-user-name-that-is-far-too-long-for-the-buffer-of-one-hundred-characters-that-the-updater-hands-over",
         ""},
    };
    for (const auto& c : cases) {
        ScopedEnvironment user("WINEUSERNAME", c.userName);
        EXPECT_EQ(std::string(c.userName).size() < 100 ? c.userName : "", GetUserNameText());
        KestUpdater updater;
        updater.CheckForUpdate();
        const auto seen = Server().RequestsTo("/php/");
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(kCheckQuery + std::string(c.sent), seen.back().path);
        EXPECT_EQ(Server().Url(kCheckQuery + std::string(c.sent)), UpdateCheckUrl(GetUserNameText()));
    }
}

TEST_F(UpdaterTest, AFailedCheckLogsTheDownloadersMessageAndOffersNothing) {
    // No version file: the server answers 404.
    KestUpdater updater;
    EXPECT_FALSE(updater.CheckForUpdate());
    EXPECT_EQ(std::vector<std::string>{"Failed To preform Update Check: HTTP Error Status: 404"}, theLog.History());
}

TEST_F(UpdaterTest, WithoutAConfiguredHostTheCheckFailsAtOnce) {
    ScopedEnvironment noHost("KEST_UPDATE_HOST", nullptr);
    EXPECT_EQ("update.vandrel.invalid", UpdateServerHost());
    KestUpdater updater;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(updater.CheckForUpdate());
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    std::printf("update check against the built-in host took %lld ms\n", static_cast<long long>(took.count()));
    EXPECT_EQ(std::vector<std::string>{"Failed To preform Update Check: Can't open url"}, theLog.History());
}

TEST(UpdateServerHostTest, TakesAPlainHostFromTheEnvironment) {
    const struct {
        const char* configured;
        const char* used;
    } cases[] = {
        {"127.0.0.1:8080", "127.0.0.1:8080"},
        {"updates.example.org", "updates.example.org"},
        {"[::1]:8080", "[::1]:8080"},
        {"", "update.vandrel.invalid"},
        {"example.org/evil?x=", "update.vandrel.invalid"},
        {"user@example.org", "update.vandrel.invalid"},
        {"two words", "update.vandrel.invalid"},
    };
    for (const auto& c : cases) {
        ScopedEnvironment host("KEST_UPDATE_HOST", c.configured);
        EXPECT_EQ(c.used, UpdateServerHost()) << '"' << c.configured << '"';
    }
}

// The three files of a successful update, the batch file leaving a marker.
void ServeUpdate(const std::string& zipOptions = "") {
    Server().PutUpdateFile("7za.exe", Pattern(0, kLargeFile));
    Server().PutUpdateFile("FF_Update.zip", Pattern(7, kLargeFile + 7), zipOptions);
    Server().PutUpdateFile("Kest_Vandrel_Updater.bat", kMarkerBatch);
}

TEST_F(UpdaterTest, AnUpdateFetchesTheThreeFilesAndRunsTheBatchFileInTheCurrentFolder) {
    ServeUpdate();
    updatetest::TempFolder folder;
    updatetest::CurrentFolder current(folder.Path());
    KestUpdater updater;
    updater.RunUpdate("");
    recorder.PumpUntil([&] { return !Posted(WM_KEST_UPDATERUNNING).empty(); }, 5000);

    EXPECT_EQ(Pattern(0, kLargeFile), ReadFile(folder / "7za.exe"));
    EXPECT_EQ(Pattern(7, kLargeFile + 7), ReadFile(folder / "FF_Update.zip"));
    EXPECT_EQ(kMarkerBatch, ReadFile(folder / "Kestvan_Updater.bat"));
    EXPECT_EQ("ran\r\n", ReadFile(folder / "updater_ran.txt")) << "the batch file ran in the current folder";
    EXPECT_FALSE(updater.IsRunning());

    const std::vector<updatetest::SeenRequest> seen = Server().Requests();
    ASSERT_EQ(3u, seen.size());
    EXPECT_EQ("/util/7za.exe", seen[0].path);
    EXPECT_EQ("/downloads.php?id=11&update=true", seen[1].path);
    EXPECT_EQ("/util/Kest_Vandrel_Updater.bat", seen[2].path);
    for (const auto& request : seen) EXPECT_EQ("Range:bytes=0-", request.range) << request.path;

    const std::string address = Server().Url("");
    EXPECT_EQ((std::vector<std::string>{"Downloading File: " + address + "/util/7za.exe",
                                         "Downloading File: " + address + "/downloads.php?id=11&update=true",
                                         "Downloading File: " + address + "/util/Kest_Vandrel_Updater.bat",
                                         "Downloaded Update"}),
              theLog.History());

    // The bar runs from 0 to 100 once per file, then the dialog hears that the updater runs.
    std::vector<std::vector<LPARAM>> runs;
    for (const auto& m : recorder.messages) {
        if (m.first != WM_KEST_UPDATEPROGRESS) continue;
        if (runs.empty() || runs.back().back() == 100) runs.emplace_back();
        runs.back().push_back(m.second);
    }
    ASSERT_EQ(3u, runs.size());
    for (int file : {0, 1}) {
        EXPECT_EQ(0, runs[file].front()) << file;
        EXPECT_TRUE(std::is_sorted(runs[file].begin(), runs[file].end())) << file;
    }
    EXPECT_EQ(std::vector<LPARAM>{100}, runs[2]) << "the small batch file arrives in one chunk";
    ASSERT_FALSE(recorder.messages.empty());
    EXPECT_EQ(static_cast<UINT>(WM_KEST_UPDATERUNNING), recorder.messages.back().first);
    EXPECT_TRUE(Posted(WM_KEST_UPDATEERROR).empty());
}

TEST_F(UpdaterTest, AFailureOnTheSecondDownloadKeepsTheFirstRunsNothingAndTellsTheDialog) {
    ServeUpdate("cut=300000");
    updatetest::TempFolder folder;
    updatetest::CurrentFolder current(folder.Path());
    KestUpdater updater;
    updater.RunUpdate("");
    recorder.PumpUntil([&] { return !Posted(WM_KEST_UPDATEERROR).empty(); }, 5000);

    EXPECT_EQ(Pattern(0, kLargeFile), ReadFile(folder / "7za.exe"));
    EXPECT_EQ(Pattern(7, 300007), ReadFile(folder / "FF_Update.zip")) << "what arrived stays";
    EXPECT_FALSE(FileExists(folder / "Kestvan_Updater.bat"));
    EXPECT_FALSE(FileExists(folder / "updater_ran.txt"));
    EXPECT_TRUE(Server().RequestsTo("/util/Kest").empty());

    const std::string text = "KestDownloader:: Error occurred during download";
    EXPECT_EQ(text, updater.ErrorText());
    ASSERT_EQ(1u, Posted(WM_KEST_UPDATEERROR).size());
    EXPECT_EQ(reinterpret_cast<LPARAM>(updater.ErrorText()), Posted(WM_KEST_UPDATEERROR)[0]);
    EXPECT_TRUE(Posted(WM_KEST_UPDATERUNNING).empty());
    EXPECT_TRUE(LogHas(text));
    EXPECT_FALSE(LogHas("Downloaded Update"));
    EXPECT_FALSE(updater.IsRunning());
}

TEST_F(UpdaterTest, OneUpdateThreadAtATimeAndANewOneAfterTheEnd) {
    Server().PutUpdateFile("7za.exe", Pattern(0, 60000), "slow=10");
    Server().PutUpdateFile("FF_Update.zip", "zip");
    Server().PutUpdateFile("Kest_Vandrel_Updater.bat", kMarkerBatch);
    updatetest::TempFolder folder;
    updatetest::CurrentFolder current(folder.Path());
    KestUpdater updater;

    updater.StartUpdate("");
    EXPECT_TRUE(updater.IsRunning());
    updater.StartUpdate("");  // ignored: the first is still downloading
    ASSERT_TRUE(recorder.PumpUntil([&] { return !updater.IsRunning(); }));
    EXPECT_EQ(1u, Server().RequestsTo("/util/7za.exe").size());
    EXPECT_EQ("ran\r\n", ReadFile(folder / "updater_ran.txt"));

    updatetest::WriteFile(folder / "updater_ran.txt", "");
    updatetest::WriteFile(folder / "FF_Update.zip", "a longer zip left from before");
    updater.StartUpdate("");
    ASSERT_TRUE(recorder.PumpUntil([&] { return !updater.IsRunning(); }));
    EXPECT_EQ(2u, Server().RequestsTo("/util/7za.exe").size());
    EXPECT_EQ("zip", ReadFile(folder / "FF_Update.zip")) << "truncated again";
    EXPECT_EQ("ran\r\n", ReadFile(folder / "updater_ran.txt"));
    EXPECT_EQ(2u, Posted(WM_KEST_UPDATERUNNING).size());
}

TEST_F(UpdaterTest, TheDestructorStopsARunningDownloadWithoutWaitingForIt) {
    // About ten seconds of download unless it is stopped.
    Server().PutUpdateFile("7za.exe", Pattern(0, 500000), "slow=20");
    Server().PutUpdateFile("FF_Update.zip", "zip");
    updatetest::TempFolder folder;
    updatetest::CurrentFolder current(folder.Path());
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

TEST_F(UpdaterTest, AnUpdaterThatNeverStartedAThreadLogsNothingWhenDestroyed) {
    { KestUpdater updater; }
    EXPECT_TRUE(theLog.History().empty());
}

TEST_F(UpdaterTest, ProgressIsTheWholePercentAndNothingValidWithoutATotal) {
    const struct {
        uint32_t total, done;
        LPARAM percent;
    } cases[] = {{200, 0, 0}, {200, 100, 50}, {3, 1, 33}, {3, 2, 66}, {200, 200, 100},
                 {4000000000u, 3999999999u, 99}, {0, 0, -1}, {10, 11, -1}};
    for (const auto& c : cases) KestUpdater::OnUpdateProgress(c.total, c.done);
    recorder.PumpUntil([&] { return Posted(WM_KEST_UPDATEPROGRESS).size() == std::size(cases); }, 2000);
    const std::vector<LPARAM> posted = Posted(WM_KEST_UPDATEPROGRESS);
    ASSERT_EQ(std::size(cases), posted.size());
    for (size_t i = 0; i < posted.size(); ++i)
        EXPECT_EQ(cases[i].percent, posted[i]) << cases[i].done << " of " << cases[i].total;
}

TEST_F(UpdaterTest, ADownloadErrorIsLoggedAndHandedToTheDialogWithinTheTextsBounds) {
    KestUpdater updater;
    updater.ReportDownloadError("Can't open url");
    const std::string longMessage(300, 'e');
    updater.ReportDownloadError(longMessage.c_str());
    recorder.PumpUntil([&] { return Posted(WM_KEST_UPDATEERROR).size() == 2; }, 2000);

    ASSERT_EQ(2u, Posted(WM_KEST_UPDATEERROR).size());
    EXPECT_EQ(reinterpret_cast<LPARAM>(updater.ErrorText()), Posted(WM_KEST_UPDATEERROR)[0]);
    EXPECT_EQ("KestDownloader:: " + std::string(199 - 17, 'e'), updater.ErrorText());
    ASSERT_FALSE(theLog.History().empty());
    EXPECT_EQ("KestDownloader:: Can't open url", theLog.History()[0]);
}

}  // namespace
