// The update dialog: its states driven by the update thread's messages, what does not
// close it while it downloads, its pixels; and one real update run modally.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "KestPalette.h"
#include "KestUpdatedlg.h"
#include "KestUpdater.h"
#include "test_http_server.h"
#include "themed_test_dialog.h"
#include "ui_test_support.h"

namespace {

using updatetest::ScopedEnvironment;

// Counts the updates it is asked to start or cancel instead of doing so, unless told to.
class TestUpdatedlg : public KestUpdatedlg {
public:
    int updatesBegun = 0;
    int cancelsAsked = 0;
    bool realUpdate = false;
    KestProgress& Progress() { return progress_; }
    KestHyperlink& Link() { return releaseNotes_; }

protected:
    void BeginUpdate() override {
        ++updatesBegun;
        if (realUpdate) KestUpdatedlg::BeginUpdate();
    }
    void CancelUpdate() override {
        ++cancelsAsked;
        if (realUpdate) KestUpdatedlg::CancelUpdate();
    }
};

bool Shown(HWND dialog, int id) { return ::IsWindowVisible(::GetDlgItem(dialog, id)) != FALSE; }
bool Enabled(HWND dialog, int id) { return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE; }
std::string TextOf(HWND dialog, int id) {
    char text[256] = {};
    ::GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}
void Click(HWND dialog, int id) { ::SendMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
RECT RectOf(HWND dialog, int id) { return fw::WindowHandle(::GetDlgItem(dialog, id)).GetWindowRect(); }

class UpdateDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::EnsureThemedUi();
        ASSERT_TRUE(dialog.Create(nullptr));
        dialog.SetWindowPos(nullptr, 60, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        uitest::ShowAndPaint(hwnd());
    }
    void TearDown() override {
        if (dialog.IsWindow()) ::DestroyWindow(hwnd());
        updateWindow = nullptr;
    }
    HWND hwnd() { return dialog.hwnd(); }
    void Post(UINT msg, LPARAM lp) {
        dialog.Post(msg, 0, lp);
        uitest::PumpPending();
        uitest::RepaintNow(hwnd());
    }
    bool CloseBoxDisabled() { return dialog.Frame().buttons[kCloseButton].disabled != 0; }
    // The state's controls: notice, link, error label, status; Download, Close, close box.
    void ExpectState(bool notice, bool error, bool status, bool download, bool close) {
        EXPECT_EQ(notice, Shown(hwnd(), IDC_UPDATE_NOTICE));
        EXPECT_EQ(notice, Shown(hwnd(), IDC_UPDATE_RELEASE_NOTES));
        EXPECT_EQ(error, Shown(hwnd(), IDC_UPDATE_ERROR_LABEL));
        EXPECT_EQ(status, Shown(hwnd(), IDC_UPDATE_STATUS));
        EXPECT_EQ(download, Enabled(hwnd(), IDC_UPDATE_DOWNLOAD));
        EXPECT_EQ(close, Enabled(hwnd(), IDC_UPDATE_CLOSE));
        EXPECT_EQ(!close, CloseBoxDisabled());
    }
    // Saves the screenshot; checks that no part of the client area keeps a light system
    // colour (only the buttons and the bar's percentage have white text) and counts the
    // red pixels of the error label.
    int CheckPixels(const char* screenshot) {
        const uitest::Pixels p = uitest::CaptureWindow(hwnd());
        EXPECT_FALSE(uitest::SavePng(p, screenshot).empty());
        const RECT window = dialog.GetWindowRect();
        POINT origin{0, 0};
        ::ClientToScreen(hwnd(), &origin);
        const RECT client = dialog.GetClientRect();
        const RECT label = RectOf(hwnd(), IDC_UPDATE_ERROR_LABEL);
        std::vector<RECT> whiteText;
        for (int id : {IDC_UPDATE_DOWNLOAD, IDC_UPDATE_CANCEL, IDC_UPDATE_CLOSE, IDC_UPDATE_PROGRESS})
            whiteText.push_back(RectOf(hwnd(), id));
        int light = 0, red = 0;
        for (int y = origin.y; y < origin.y + client.bottom; ++y) {
            for (int x = origin.x; x < origin.x + client.right; ++x) {
                const COLORREF c = p.At(x - window.left, y - window.top);
                const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
                if (r > 200 && g < 60 && b < 60 && ::PtInRect(&label, POINT{x, y})) ++red;
                bool skip = false;
                for (const RECT& w : whiteText) skip = skip || ::PtInRect(&w, POINT{x, y});
                if (!skip && r > 200 && g > 200 && b > 200) ++light;
            }
        }
        EXPECT_EQ(0, light) << screenshot << ": light pixels in the client area";
        EXPECT_EQ(KestTheme.windowBackground, p.At(origin.x - window.left + 2, origin.y - window.top + client.bottom - 2));
        return red;
    }

    ScopedEnvironment host{"KEST_UPDATE_HOST", "127.0.0.1:8123"};
    TestUpdatedlg dialog;
};

TEST_F(UpdateDialogTest, OpensOfferingTheUpdateWithItsReleaseNotes) {
    EXPECT_EQ("Program Update", dialog.GetWindowText());
    ExpectState(true, false, false, true, true);
    EXPECT_TRUE(dialog.Frame().buttons[kCloseButton].shown);
    EXPECT_EQ("http://127.0.0.1:8123/downloads.php?action=release_notes&id=11", dialog.Link().Address());
    EXPECT_EQ(0, dialog.Progress().Lower());
    EXPECT_EQ(100, dialog.Progress().Upper());
    EXPECT_EQ(0, dialog.Progress().Position());
    EXPECT_EQ(0, CheckPixels("update_offer"));

    Click(hwnd(), IDC_UPDATE_CLOSE);
    EXPECT_FALSE(dialog.IsWindow());
    EXPECT_EQ(0, dialog.updatesBegun);
}

TEST_F(UpdateDialogTest, WhileDownloadingNothingClosesItAndOnlyPercentagesMoveTheBar) {
    Click(hwnd(), IDC_UPDATE_DOWNLOAD);
    EXPECT_EQ(1, dialog.updatesBegun);
    EXPECT_EQ(hwnd(), updateWindow.load());
    ExpectState(true, false, false, false, false);

    const std::function<void()> attempts[] = {
        [&] { Click(hwnd(), IDC_UPDATE_CLOSE); },
        [&] { dialog.Send(WM_COMMAND, MAKEWPARAM(IDC_UPDATE_CLOSE, BN_CLICKED), 0); },
        [&] { uitest::ClickCloseBox(hwnd()); },
        [&] { dialog.Post(WM_KEYDOWN, VK_ESCAPE, 0); },
        [&] { dialog.Post(WM_CLOSE, 0, 0); },
        [&] { dialog.Send(WM_COMMAND, MAKEWPARAM(IDC_UPDATE_DOWNLOAD, BN_CLICKED), 0); },
    };
    for (size_t i = 0; i < std::size(attempts); ++i) {
        attempts[i]();
        uitest::PumpPending();
        EXPECT_TRUE(dialog.IsWindow() && dialog.IsDownloading()) << "attempt " << i;
    }
    EXPECT_EQ(1, dialog.updatesBegun) << "one update only";

    const struct {
        LPARAM posted;
        int shown;
    } steps[] = {{0, 0}, {37, 37}, {101, 37}, {-1, 37}, {100, 100}, {1000, 100}, {5, 5}};
    for (const auto& s : steps) {
        Post(WM_KEST_UPDATEPROGRESS, s.posted);
        EXPECT_EQ(s.shown, dialog.Progress().Position()) << "after " << s.posted;
    }
}

// While the files download a themed Cancel stands in Download's place; once the update
// thread says it has stopped, the offer is back as it was and can be taken again.
TEST_F(UpdateDialogTest, CancelTakesDownloadsPlaceAndBringsTheOfferBack) {
    EXPECT_FALSE(Shown(hwnd(), IDC_UPDATE_CANCEL));
    Click(hwnd(), IDC_UPDATE_DOWNLOAD);
    Post(WM_KEST_UPDATEPROGRESS, 42);
    EXPECT_TRUE(Shown(hwnd(), IDC_UPDATE_CANCEL) && Enabled(hwnd(), IDC_UPDATE_CANCEL));
    EXPECT_FALSE(Shown(hwnd(), IDC_UPDATE_DOWNLOAD));
    const RECT download = RectOf(hwnd(), IDC_UPDATE_DOWNLOAD), cancel = RectOf(hwnd(), IDC_UPDATE_CANCEL);
    EXPECT_TRUE(::EqualRect(&download, &cancel));
    EXPECT_EQ(0, CheckPixels("update_downloading"));
    EXPECT_EQ(std::vector<std::string>{}, uitest::SystemColourBlocks(uitest::CutOut(
                                               uitest::CaptureWindow(hwnd()), hwnd(), ::GetDlgItem(hwnd(), IDC_UPDATE_CANCEL))));

    Click(hwnd(), IDC_UPDATE_CANCEL);
    Click(hwnd(), IDC_UPDATE_CANCEL);
    EXPECT_EQ(1, dialog.cancelsAsked);
    EXPECT_FALSE(Enabled(hwnd(), IDC_UPDATE_CANCEL));
    EXPECT_TRUE(dialog.IsDownloading()) << "until the update thread has stopped";
    Post(WM_KEST_UPDATECANCELLED, 0);

    ExpectState(true, false, false, true, true);
    EXPECT_FALSE(Shown(hwnd(), IDC_UPDATE_CANCEL));
    EXPECT_TRUE(Shown(hwnd(), IDC_UPDATE_DOWNLOAD));
    EXPECT_EQ(0, dialog.Progress().Position());
    Click(hwnd(), IDC_UPDATE_DOWNLOAD);
    EXPECT_EQ(2, dialog.updatesBegun);
}

TEST_F(UpdateDialogTest, AnErrorShowsTheTextUnderARedLabelAndOnlyCloseIsLeft) {
    Click(hwnd(), IDC_UPDATE_DOWNLOAD);
    Post(WM_KEST_UPDATEPROGRESS, 42);
    const char error[] = "KestDownloader:: Error occurred during download";
    Post(WM_KEST_UPDATEERROR, reinterpret_cast<LPARAM>(error));

    ExpectState(false, true, true, false, true);
    EXPECT_EQ("Error:", TextOf(hwnd(), IDC_UPDATE_ERROR_LABEL));
    EXPECT_EQ(error, TextOf(hwnd(), IDC_UPDATE_STATUS));
    EXPECT_GT(CheckPixels("update_failed"), 10) << "red pixels of the label";
    uitest::ClickCloseBox(hwnd());
    EXPECT_FALSE(dialog.IsWindow());
}

TEST_F(UpdateDialogTest, OnlyTheErrorLabelIsRedTheStatusTextAndTheLinkKeepTheirColours) {
    const auto count = [&](int id, const std::function<bool(COLORREF)>& counted) {
        const uitest::Pixels p = uitest::CutOut(uitest::CaptureWindow(hwnd()), hwnd(), ::GetDlgItem(hwnd(), id));
        int n = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) n += counted(p.At(x, y));
        return n;
    };
    const auto red = [](COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) < 60 && GetBValue(c) < 60; };
    const auto is = [](COLORREF colour) { return [colour](COLORREF c) { return c == colour; }; };
    EXPECT_GT(count(IDC_UPDATE_RELEASE_NOTES, is(kLinkText)), 10);
    EXPECT_EQ(0, count(IDC_UPDATE_RELEASE_NOTES, red));

    Click(hwnd(), IDC_UPDATE_DOWNLOAD);
    Post(WM_KEST_UPDATEERROR, reinterpret_cast<LPARAM>("KestDownloader:: Error occurred during download"));
    EXPECT_GT(count(IDC_UPDATE_ERROR_LABEL, red), 10);
    EXPECT_GT(count(IDC_UPDATE_STATUS, is(KestTheme.staticText)), 10);
    EXPECT_EQ(0, count(IDC_UPDATE_STATUS, red));
}

TEST_F(UpdateDialogTest, RunningShowsRunningUpdateWithoutTheErrorLabel) {
    Click(hwnd(), IDC_UPDATE_DOWNLOAD);
    Post(WM_KEST_UPDATEPROGRESS, 100);
    Post(WM_KEST_UPDATERUNNING, 0);

    ExpectState(false, false, true, false, true);
    EXPECT_EQ("Running Update...", TextOf(hwnd(), IDC_UPDATE_STATUS));
    EXPECT_EQ(0, CheckPixels("update_running"));
    Click(hwnd(), IDC_UPDATE_CLOSE);
    EXPECT_FALSE(dialog.IsWindow());
}

// The whole update as the program runs it: the main window's modal loop, Download, the
// real update thread against the local server, and Close once it has finished.
TEST(RealUpdateTest, RunsModallyFromDownloadToItsOutcome) {
    uitest::EnsureThemedUi();
    updatetest::TestHttpServer& server = updatetest::Server();
    ScopedEnvironment host("KEST_UPDATE_HOST", server.Host().c_str());
    const struct {
        const char* zipOptions;
        const char* status;
        int progress;
        bool batchRuns;
    } updates[] = {{"", "Running Update...", 100, true},
                   // 2000 of the archive's 40000 bytes arrive: the bar stops at 5 percent.
                   {"cut=2000", "KestDownloader:: Error occurred during download", 5, false}};
    for (const auto& u : updates) {
        server.PutUpdateFile("7za.exe", updatetest::Pattern(0, 30000));
        server.PutUpdateFile("FF_Update.zip", updatetest::Pattern(0, 40000), u.zipOptions);
        server.PutUpdateFile("Kest_Vandrel_Updater.bat", "@echo off\r\necho ran> updater_ran.txt\r\n");
        testsupport::TempFolder folder;
        updatetest::CurrentFolder current(folder.Path());
        std::string status;
        bool downloadEnabled = true;
        int progress = -1;
        INT_PTR result = 0;
        uitest::AnswerOneBox(
            "Program Update",
            [&](HWND box) {
                Click(box, IDC_UPDATE_DOWNLOAD);
                EXPECT_TRUE(uitest::PumpUntil([&] { return Shown(box, IDC_UPDATE_STATUS) && !theUpdater.IsRunning(); },
                                              20000));
                status = TextOf(box, IDC_UPDATE_STATUS);
                downloadEnabled = Enabled(box, IDC_UPDATE_DOWNLOAD);
                progress = dynamic_cast<TestUpdatedlg*>(fw::Window::FromHandle(box))->Progress().Position();
                Click(box, IDC_UPDATE_CLOSE);
            },
            [&] {
                TestUpdatedlg dialog;
                dialog.realUpdate = true;
                result = dialog.DoModal(nullptr);
                MSG quit;
                if (result == -1)
                    ADD_FAILURE() << "no dialog: error " << ::GetLastError()
                                  << (::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) ? ", WM_QUIT waiting" : "");
            });

        EXPECT_EQ(IDCANCEL, result);
        EXPECT_EQ(u.status, status);
        EXPECT_FALSE(downloadEnabled);
        EXPECT_EQ(u.progress, progress);
        EXPECT_EQ(u.batchRuns, updatetest::FileExists(folder / "updater_ran.txt"));
        EXPECT_EQ(nullptr, updateWindow.load()) << "the dialog is gone; nothing is posted to its handle";
    }
}

}  // namespace
