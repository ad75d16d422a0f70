// The update dialog: its Offer, Downloading, Failed and Running states driven by the
// update thread's three messages, what does not close it while it downloads, the red
// error label and its pixels; and one real update against the local server, run
// modally as the main window runs it.
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

constexpr char kTestHost[] = "127.0.0.1:8123";

// Counts the updates it is asked to start instead of starting one, unless told to.
class TestUpdatedlg : public KestUpdatedlg {
public:
    int updatesBegun = 0;
    bool realUpdate = false;
    KestProgress& Progress() { return progress_; }
    KestHyperlink& Link() { return releaseNotes_; }

protected:
    void BeginUpdate() override {
        ++updatesBegun;
        if (realUpdate) KestUpdatedlg::BeginUpdate();
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

LPARAM CloseBoxPoint(HWND dialog) {
    RECT r;
    ::GetWindowRect(dialog, &r);
    return MAKELPARAM(r.right - 25 + 7, r.top + 9);
}

class UpdateDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::EnsureThemedUi();
        ASSERT_TRUE(dialog.Create(nullptr));
        dialog.SetWindowPos(nullptr, 60, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        uitest::ShowAndPaint(dialog.hwnd());
    }
    void TearDown() override {
        if (dialog.IsWindow()) ::DestroyWindow(dialog.hwnd());
        updateWindow = nullptr;
    }
    HWND hwnd() { return dialog.hwnd(); }
    void Post(UINT msg, LPARAM lp) {
        dialog.Post(msg, 0, lp);
        uitest::PumpPending();
        uitest::RepaintNow(hwnd());
    }
    void StartDownloading() {
        Click(hwnd(), IDC_UPDATE_DOWNLOAD);
        uitest::RepaintNow(hwnd());
    }
    bool CloseBoxDisabled() { return dialog.Frame().buttons[kCloseButton].disabled != 0; }

    // No part of the client area keeps a light system colour; only the buttons and the
    // bar's percentage have white text.
    void ExpectDarkClient(const uitest::Pixels& p) {
        const RECT window = dialog.GetWindowRect();
        POINT origin{0, 0};
        ::ClientToScreen(hwnd(), &origin);
        const RECT client = dialog.GetClientRect();
        const RECT area{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
        std::vector<RECT> whiteText;
        for (int id : {IDC_UPDATE_DOWNLOAD, IDC_UPDATE_CLOSE, IDC_UPDATE_PROGRESS})
            whiteText.push_back(fw::WindowHandle(dialog.GetDlgItem(id)).GetWindowRect());
        int light = 0;
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                bool skip = false;
                for (const RECT& r : whiteText) skip = skip || ::PtInRect(&r, POINT{x, y});
                if (skip) continue;
                const COLORREF c = p.At(x - window.left, y - window.top);
                if (GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 200) ++light;
            }
        }
        EXPECT_EQ(0, light) << "light pixels in the client area";
        EXPECT_EQ(KestTheme.windowBackground, p.At(area.left + 2 - window.left, area.bottom - 2 - window.top));
        EXPECT_EQ(KestTheme.windowBackground,
                  p.At((area.left + area.right) / 2 - window.left, area.bottom - 2 - window.top));
    }
    // Red pixels of the label's own rectangle.
    int RedPixelsOfTheErrorLabel(const uitest::Pixels& p) {
        RECT window = dialog.GetWindowRect();
        RECT label = fw::WindowHandle(dialog.GetDlgItem(IDC_UPDATE_ERROR_LABEL)).GetWindowRect();
        int red = 0;
        for (int y = label.top; y < label.bottom; ++y) {
            for (int x = label.left; x < label.right; ++x) {
                const COLORREF c = p.At(x - window.left, y - window.top);
                if (GetRValue(c) > 200 && GetGValue(c) < 60 && GetBValue(c) < 60) ++red;
            }
        }
        return red;
    }

    ScopedEnvironment host{"KEST_UPDATE_HOST", kTestHost};
    TestUpdatedlg dialog;
};

TEST_F(UpdateDialogTest, OpensOfferingTheUpdateWithItsReleaseNotes) {
    EXPECT_EQ("Program Update", dialog.GetWindowText());
    EXPECT_TRUE(Shown(hwnd(), IDC_UPDATE_NOTICE));
    EXPECT_TRUE(Shown(hwnd(), IDC_UPDATE_RELEASE_NOTES));
    EXPECT_FALSE(Shown(hwnd(), IDC_UPDATE_STATUS));
    EXPECT_FALSE(Shown(hwnd(), IDC_UPDATE_ERROR_LABEL));
    EXPECT_TRUE(Enabled(hwnd(), IDC_UPDATE_DOWNLOAD));
    EXPECT_TRUE(Enabled(hwnd(), IDC_UPDATE_CLOSE));
    EXPECT_TRUE(dialog.Frame().buttons[kCloseButton].shown);
    EXPECT_FALSE(CloseBoxDisabled());
    EXPECT_EQ(std::string("http://") + kTestHost + "/downloads.php?action=release_notes&id=11",
              dialog.Link().Address());
    EXPECT_EQ(0, dialog.Progress().Lower());
    EXPECT_EQ(100, dialog.Progress().Upper());
    EXPECT_EQ(0, dialog.Progress().Position());

    const uitest::Pixels p = uitest::CaptureWindow(hwnd());
    ExpectDarkClient(p);
    RECT window = dialog.GetWindowRect();
    RECT bar = fw::WindowHandle(dialog.GetDlgItem(IDC_UPDATE_PROGRESS)).GetWindowRect();
    EXPECT_EQ(kProgressBackground, p.At(bar.left - window.left + 3, bar.top - window.top + 3)) << "empty bar";
    EXPECT_FALSE(uitest::SavePng(p, "update_offer").empty());
}

TEST_F(UpdateDialogTest, DownloadDisablesEveryWayOutAndHandsTheDialogToTheUpdater) {
    StartDownloading();
    EXPECT_EQ(1, dialog.updatesBegun);
    EXPECT_EQ(hwnd(), updateWindow.load());
    EXPECT_TRUE(dialog.IsDownloading());
    EXPECT_FALSE(Enabled(hwnd(), IDC_UPDATE_DOWNLOAD));
    EXPECT_FALSE(Enabled(hwnd(), IDC_UPDATE_CLOSE));
    EXPECT_TRUE(CloseBoxDisabled());

    const struct {
        const char* name;
        std::function<void()> attempt;
    } attempts[] = {
        {"Close button", [&] { Click(hwnd(), IDC_UPDATE_CLOSE); }},
        {"Close click reaching the dialog",
         [&] { dialog.Send(WM_COMMAND, MAKEWPARAM(IDC_UPDATE_CLOSE, BN_CLICKED), 0); }},
        {"close box",
         [&] {
             const LPARAM at = CloseBoxPoint(hwnd());
             dialog.Send(WM_NCLBUTTONDOWN, dialog.Send(WM_NCHITTEST, 0, at), at);
         }},
        {"Escape", [&] { dialog.Post(WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"system close", [&] { dialog.Post(WM_CLOSE, 0, 0); }},
        {"Download again", [&] { dialog.Send(WM_COMMAND, MAKEWPARAM(IDC_UPDATE_DOWNLOAD, BN_CLICKED), 0); }},
    };
    for (const auto& a : attempts) {
        a.attempt();
        uitest::PumpPending();
        EXPECT_TRUE(dialog.IsWindow()) << a.name;
        EXPECT_TRUE(dialog.IsDownloading()) << a.name;
    }
    EXPECT_EQ(1, dialog.updatesBegun) << "one update only";
}

TEST_F(UpdateDialogTest, TheBarTakesOnlyPercentagesFrom0To100) {
    StartDownloading();
    const struct {
        LPARAM posted;
        int shown;
    } steps[] = {{0, 0}, {37, 37}, {101, 37}, {-1, 37}, {100, 100}, {1000, 100}, {-100, 100}, {5, 5}};
    for (const auto& s : steps) {
        Post(WM_KEST_UPDATEPROGRESS, s.posted);
        EXPECT_EQ(s.shown, dialog.Progress().Position()) << "after " << s.posted;
    }
}

TEST_F(UpdateDialogTest, AnErrorShowsTheTextUnderARedLabelAndOnlyCloseIsLeft) {
    StartDownloading();
    Post(WM_KEST_UPDATEPROGRESS, 42);
    const char error[] = "KestDownloader:: Error occurred during download";
    Post(WM_KEST_UPDATEERROR, reinterpret_cast<LPARAM>(error));

    EXPECT_FALSE(Shown(hwnd(), IDC_UPDATE_NOTICE));
    EXPECT_FALSE(Shown(hwnd(), IDC_UPDATE_RELEASE_NOTES));
    EXPECT_TRUE(Shown(hwnd(), IDC_UPDATE_ERROR_LABEL));
    EXPECT_TRUE(Shown(hwnd(), IDC_UPDATE_STATUS));
    EXPECT_EQ("Error:", TextOf(hwnd(), IDC_UPDATE_ERROR_LABEL));
    EXPECT_EQ(error, TextOf(hwnd(), IDC_UPDATE_STATUS));
    EXPECT_TRUE(Enabled(hwnd(), IDC_UPDATE_CLOSE));
    EXPECT_FALSE(CloseBoxDisabled());
    EXPECT_FALSE(Enabled(hwnd(), IDC_UPDATE_DOWNLOAD)) << "a failed update is not retried here";

    const uitest::Pixels p = uitest::CaptureWindow(hwnd());
    EXPECT_GT(RedPixelsOfTheErrorLabel(p), 10);
    ExpectDarkClient(p);
    EXPECT_FALSE(uitest::SavePng(p, "update_failed").empty());

    const LPARAM at = CloseBoxPoint(hwnd());
    dialog.Send(WM_NCLBUTTONDOWN, dialog.Send(WM_NCHITTEST, 0, at), at);
    EXPECT_FALSE(dialog.IsWindow()) << "the close box ends it";
}

TEST_F(UpdateDialogTest, RunningShowsRunningUpdateWithoutTheErrorLabel) {
    StartDownloading();
    Post(WM_KEST_UPDATEPROGRESS, 100);
    Post(WM_KEST_UPDATERUNNING, 0);

    EXPECT_FALSE(Shown(hwnd(), IDC_UPDATE_NOTICE));
    EXPECT_FALSE(Shown(hwnd(), IDC_UPDATE_RELEASE_NOTES));
    EXPECT_FALSE(Shown(hwnd(), IDC_UPDATE_ERROR_LABEL));
    EXPECT_TRUE(Shown(hwnd(), IDC_UPDATE_STATUS));
    EXPECT_EQ("Running Update...", TextOf(hwnd(), IDC_UPDATE_STATUS));
    EXPECT_TRUE(Enabled(hwnd(), IDC_UPDATE_CLOSE));
    EXPECT_FALSE(CloseBoxDisabled());
    EXPECT_FALSE(Enabled(hwnd(), IDC_UPDATE_DOWNLOAD));

    const uitest::Pixels p = uitest::CaptureWindow(hwnd());
    EXPECT_EQ(0, RedPixelsOfTheErrorLabel(p));
    ExpectDarkClient(p);
    EXPECT_FALSE(uitest::SavePng(p, "update_running").empty());

    Click(hwnd(), IDC_UPDATE_CLOSE);
    EXPECT_FALSE(dialog.IsWindow()) << "Close ends it";
}

TEST_F(UpdateDialogTest, CloseEndsTheOfferAndForgetsNothingOfTheUpdater) {
    Click(hwnd(), IDC_UPDATE_CLOSE);
    EXPECT_FALSE(dialog.IsWindow());
    EXPECT_EQ(0, dialog.updatesBegun);
    EXPECT_EQ(nullptr, updateWindow.load());
}

// The whole update as the program runs it: the main window's modal loop, Download, the
// real update thread against the local server, and Close once it has finished.
struct RealUpdate {
    const char* name;
    const char* zipOptions;
    const char* status;
    bool batchRuns;
};

void PrintTo(const RealUpdate& u, std::ostream* os) { *os << u.name; }

const RealUpdate kRealUpdates[] = {
    {"Succeeds", "", "Running Update...", true},
    {"FailsOnTheSecondFile", "cut=2000", "KestDownloader:: Error occurred during download", false},
};

class RealUpdateTest : public ::testing::TestWithParam<RealUpdate> {};

struct ModalScript {
    int step = 0;
    std::string statusSeen;
    bool downloadEnabledAtEnd = true;
    int progressAtEnd = -1;
};
ModalScript* g_script = nullptr;

void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = ::FindWindowA(nullptr, "Program Update");
    if (!g_script || !box || !::IsWindowVisible(box)) return;
    if (g_script->step == 0) {
        g_script->step = 1;
        Click(box, IDC_UPDATE_DOWNLOAD);
    } else if (g_script->step == 1 && Shown(box, IDC_UPDATE_STATUS) && !theUpdater.IsRunning()) {
        g_script->step = 2;
        g_script->statusSeen = TextOf(box, IDC_UPDATE_STATUS);
        g_script->downloadEnabledAtEnd = Enabled(box, IDC_UPDATE_DOWNLOAD);
        auto* dialog = dynamic_cast<TestUpdatedlg*>(fw::Window::FromHandle(box));
        if (dialog) g_script->progressAtEnd = dialog->Progress().Position();
        uitest::RepaintNow(box);
        Click(box, IDC_UPDATE_CLOSE);
    }
}

void CALLBACK EndStuckDialog(HWND, UINT, UINT_PTR, DWORD) {
    if (auto* d = dynamic_cast<fw::Dialog*>(fw::Window::FromHandle(::FindWindowA(nullptr, "Program Update"))))
        d->EndDialog(IDABORT);
}

TEST_P(RealUpdateTest, RunsModallyFromDownloadToItsOutcome) {
    uitest::EnsureThemedUi();
    const RealUpdate& u = GetParam();
    updatetest::TestHttpServer& server = updatetest::Server();
    server.RemoveUpdateFiles();
    server.PutUpdateFile("7za.exe", updatetest::Pattern(0, 30000));
    server.PutUpdateFile("FF_Update.zip", updatetest::Pattern(0, 40000), u.zipOptions);
    server.PutUpdateFile("Kest_Vandrel_Updater.bat", "@echo off\r\necho ran> updater_ran.txt\r\n");
    ScopedEnvironment host("KEST_UPDATE_HOST", server.Host().c_str());
    updatetest::TempFolder folder;
    updatetest::CurrentFolder current(folder.Path());

    ModalScript script;
    g_script = &script;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, &OnTick);
    const DWORD started = ::GetTickCount();
    // A stuck dialog ends the test instead of hanging it.
    const UINT_PTR guard = ::SetTimer(nullptr, 0, 20000, &EndStuckDialog);
    INT_PTR result = 0;
    {
        TestUpdatedlg dialog;
        dialog.realUpdate = true;
        result = dialog.DoModal(nullptr);
    }
    ::KillTimer(nullptr, timer);
    ::KillTimer(nullptr, guard);
    g_script = nullptr;
    std::printf("%s: %lu ms from opening to Close\n", u.name, ::GetTickCount() - started);

    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(2, script.step);
    EXPECT_EQ(u.status, script.statusSeen);
    EXPECT_FALSE(script.downloadEnabledAtEnd);
    if (u.batchRuns) {
        EXPECT_EQ(100, script.progressAtEnd);
    }
    EXPECT_EQ(u.batchRuns, updatetest::FileExists(folder / "updater_ran.txt"));
    EXPECT_EQ(nullptr, updateWindow.load()) << "the dialog is gone; nothing is posted to its handle";
}

INSTANTIATE_TEST_SUITE_P(Updates, RealUpdateTest, ::testing::ValuesIn(kRealUpdates),
                         [](const ::testing::TestParamInfo<RealUpdate>& info) { return info.param.name; });

}  // namespace
