// The program log window: the history on opening, live lines from this and other
// threads, Clear, Close, hiding, the 200-line trim, its layout, scroll bar and colours,
// and its end with lines still on their way.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "KestListScrollbar.h"
#include "KestPalette.h"
#include "KestProgramLogDlg.h"
#include "guarded_allocation.h"
#include "heap_block_counter.h"
#include "import_patch.h"
#include "program_log.h"
#include "themed_test_dialog.h"
#include "ui_test_support.h"

namespace {

constexpr int kShowCloseAndMinimise = 1 | 8;

class LogWindowTest : public ::testing::Test {
protected:
    uitest::ThemedTestDialog owner{IDD_KEST_VANDREL_DIALOG, 9, kShowCloseAndMinimise};
    KestProgramLogDlg* window = nullptr;  // the owner's slot

    void SetUp() override {
        uitest::EnsureThemedUi();
        theLog.ClearHistory();
        ASSERT_TRUE(owner.Create(nullptr));
        owner.SetWindowPos(nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    void TearDown() override {
        KestProgramLogDlg::Destroy(window);
        if (owner.hwnd()) ::DestroyWindow(owner.hwnd());
        uitest::PumpPending();
    }
    void ShowLog() {
        ASSERT_NE(nullptr, KestProgramLogDlg::Show(window, owner.hwnd()));
        uitest::PumpUntil([&] { return window->IsWindowVisible(); });
    }
    HWND Edit() const { return window->GetDlgItem(IDC_LOG_TEXT); }
    std::string Text() const { return fw::WindowHandle(Edit()).GetWindowText(); }
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        const std::string text = Text();
        if (text.empty()) return lines;
        for (size_t start = 0;;) {
            size_t end = text.find("\r\n", start);
            lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
            if (end == std::string::npos) return lines;
            start = end + 2;
        }
    }
    // The window of the dialog standing just right of control, level with it.
    RECT BarBeside(HWND control) const {
        const RECT c = fw::WindowHandle(control).GetWindowRect();
        for (HWND child = ::GetWindow(window->hwnd(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            const RECT r = fw::WindowHandle(child).GetWindowRect();
            if (r.left == c.right && r.top == c.top && r.bottom == c.bottom) return r;
        }
        return RECT{};
    }
    bool PumpUntilLast(const std::string& line) {
        return uitest::PumpUntil([&] {
            const std::string text = Text();
            return text.size() >= line.size() && text.compare(text.size() - line.size(), line.size(), line) == 0;
        });
    }
    void Click(int id) { ::SendMessageA(window->GetDlgItem(id), BM_CLICK, 0, 0); }
};

TEST_F(LogWindowTest, OpensWithTheHistoryThenAppendsEachNewLine) {
    theLog.Log("first");
    theLog.LogError("second %d", 2);
    theLog.Log("third");
    ShowLog();
    EXPECT_EQ(owner.hwnd(), ::GetWindow(window->hwnd(), GW_OWNER));
    EXPECT_EQ("first\r\nsecond 2\r\nthird", Text());
    theLog.Log("fourth");
    EXPECT_TRUE(PumpUntilLast("fourth"));
    EXPECT_EQ("first\r\nsecond 2\r\nthird\r\nfourth", Text());

    // The start header's bare line ends become the edit's own.
    theLog.Log("\n*** Started ***\n");
    EXPECT_TRUE(PumpUntilLast("\r\n\r\n*** Started ***\r\n"));

    KestProgramLogDlg* same = window;
    ShowLog();
    EXPECT_EQ(same, window) << "a second Show Log shows the same window";
}

TEST_F(LogWindowTest, ButtonsKeepToTheLowerRightAndTheTextGrowsWithTheWindow) {
    ShowLog();
    fw::WindowHandle close(window->GetDlgItem(IDC_LOG_CLOSE)), clear(window->GetDlgItem(IDC_LOG_CLEAR));
    const RECT closeBefore = close.GetWindowRect(), clearBefore = clear.GetWindowRect();
    const RECT textBefore = fw::WindowHandle(Edit()).GetWindowRect();
    const RECT w = window->GetWindowRect();
    window->SetWindowPos(nullptr, 0, 0, w.right - w.left + 60, w.bottom - w.top + 40, SWP_NOMOVE | SWP_NOZORDER);
    const RECT closeAfter = close.GetWindowRect(), clearAfter = clear.GetWindowRect();
    const RECT textAfter = fw::WindowHandle(Edit()).GetWindowRect();
    EXPECT_EQ(closeBefore.left + 60, closeAfter.left);
    EXPECT_EQ(closeBefore.top + 40, closeAfter.top);
    EXPECT_EQ(clearBefore.left + 60, clearAfter.left);
    EXPECT_EQ(textBefore.left, textAfter.left);
    EXPECT_EQ(textBefore.top, textAfter.top);
    EXPECT_EQ(textBefore.right + 60, textAfter.right);
    EXPECT_EQ(textBefore.bottom + 40, textAfter.bottom);
}

TEST_F(LogWindowTest, ClearEmptiesWindowAndHistoryAndCloseEndsTheWindow) {
    theLog.Log("before");
    ShowLog();
    theLog.Log("logged but not shown yet");
    Click(IDC_LOG_CLEAR);
    EXPECT_EQ("", Text());
    EXPECT_TRUE(theLog.History().empty());
    theLog.Log("after");
    EXPECT_TRUE(PumpUntilLast("after"));
    EXPECT_EQ("after", Text());

    const HWND hwnd = window->hwnd();
    Click(IDC_LOG_CLOSE);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(nullptr, window) << "the window clears the owner's pointer as it goes";
    theLog.Log("closed");
    ShowLog();
    EXPECT_EQ("after\r\nclosed", Text()) << "a new window starts from the history";
}

TEST_F(LogWindowTest, CaptionCloseEscapeAndTheSystemCloseOnlyHide) {
    struct Way {
        const char* name;
        std::function<void(KestProgramLogDlg*)> close;
    } ways[] = {
        {"close button", [](KestProgramLogDlg* w) { uitest::ClickCloseBox(w->hwnd()); }},
        {"Escape", [](KestProgramLogDlg* w) { ::PostMessageA(w->GetDlgItem(IDC_LOG_TEXT), WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"system close", [](KestProgramLogDlg* w) { ::PostMessageA(w->hwnd(), WM_CLOSE, 0, 0); }},
    };
    for (const Way& way : ways) {
        theLog.ClearHistory();
        KestProgramLogDlg::Destroy(window);
        theLog.Log("kept");
        ShowLog();
        KestProgramLogDlg* open = window;
        way.close(window);
        EXPECT_TRUE(uitest::PumpUntil([&] { return !window->IsWindowVisible(); })) << way.name;
        EXPECT_EQ(open, window) << way.name;
        theLog.Log("while hidden");
        EXPECT_TRUE(PumpUntilLast("while hidden")) << way.name;
        ShowLog();
        EXPECT_EQ(open, window) << way.name;
        EXPECT_EQ("kept\r\nwhile hidden", Text()) << way.name;
    }
}

// Minimised by its caption button, it comes back with the next Show Log; and it
// cannot be dragged smaller than 350 by 200.
TEST_F(LogWindowTest, ShowRestoresItFromMinimisedAndItsSizeHasAFloor) {
    ShowLog();
    ASSERT_TRUE(uitest::PressCaptionMinimise(window->hwnd())) << "no minimise button left of the close button";
    ASSERT_TRUE(uitest::PumpUntil([&] { return window->IsIconic(); }));
    ShowLog();
    EXPECT_TRUE(uitest::PumpUntil([&] { return !window->IsIconic(); }));

    MINMAXINFO limits{};
    window->Send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(350, limits.ptMinTrackSize.x);
    EXPECT_EQ(200, limits.ptMinTrackSize.y);
}

TEST_F(LogWindowTest, KeepsTheNewestTwoHundredWholeLines) {
    ShowLog();
    char line[256];
    auto lineText = [&](int i) {
        // Long lines: 200 of them pass the edit's default 32K limit.
        std::snprintf(line, sizeof line, "line %03d %0200d", i, i);
        return std::string(line);
    };
    for (int i = 0; i < 450; ++i) {
        theLog.Log("%s", lineText(i).c_str());
        if (i % 10 != 9) continue;
        ASSERT_TRUE(PumpUntilLast(lineText(i))) << i;
        const std::vector<std::string> lines = Lines();
        ASSERT_LE(lines.size(), 200u) << "after line " << i;
        const int first = i + 1 - static_cast<int>(lines.size());
        for (size_t k = 0; k < lines.size(); k += 37) ASSERT_EQ(lineText(first + static_cast<int>(k)), lines[k]);
    }
    EXPECT_GE(Lines().size(), 180u);
    EXPECT_EQ(200u, theLog.History().size());

    Click(IDC_LOG_CLOSE);
    ShowLog();
    EXPECT_EQ(200u, Lines().size()) << "a full history fills a new window";
    EXPECT_EQ(lineText(449), Lines().back());
}

TEST_F(LogWindowTest, LinesFromAnotherThreadArriveAndThatThreadNeverWaitsForTheWindow) {
    ShowLog();
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        for (int i = 0; i < 300; ++i) theLog.Log("worker %d", i);
        finished = true;
    });
    // This thread does not pump meanwhile: a worker that sent instead of posting
    // would wait here for good.
    for (int waited = 0; !finished && waited < 10000; waited += 5) ::Sleep(5);
    EXPECT_TRUE(finished) << "the logging thread waited for the window";
    uitest::PumpUntil([&] { return finished.load(); }, 10000);
    worker.join();

    ASSERT_TRUE(PumpUntilLast("worker 299"));
    const std::vector<std::string> lines = Lines();
    ASSERT_GE(lines.size(), 180u);
    for (size_t k = 0; k < lines.size(); ++k)
        EXPECT_EQ("worker " + std::to_string(300 - static_cast<int>(lines.size()) + static_cast<int>(k)), lines[k]);
}

TEST_F(LogWindowTest, BitmapScrollBarBesideTheTextScrollsIt) {
    for (int i = 0; i < 60; ++i) theLog.Log("row %d", i);
    ShowLog();
    fw::WindowHandle edit(Edit());
    EXPECT_EQ(0u, edit.GetStyle() & WS_VSCROLL) << "the system's own bar stays hidden";
    const RECT place = BarBeside(Edit());
    HWND barWindow = ::WindowFromPoint(POINT{place.left + 6, place.top + 40});
    auto* bar = dynamic_cast<KestListScrollbar*>(fw::Window::FromHandle(barWindow));
    ASSERT_NE(nullptr, bar);
    const int H = place.bottom - place.top;
    const int newest = static_cast<int>(edit.Send(EM_GETFIRSTVISIBLELINE));
    EXPECT_GT(newest, 40) << "the newest lines are in view";
    EXPECT_EQ(H - 51, bar->ThumbPos()) << "the thumb sits on the down arrow";

    auto send = [&](UINT msg, int y) { ::SendMessageA(barWindow, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(6, y)); };
    send(WM_LBUTTONDOWN, 13);
    send(WM_LBUTTONUP, 13);
    EXPECT_EQ(newest - 1, edit.Send(EM_GETFIRSTVISIBLELINE)) << "the up arrow goes one line back";
    EXPECT_LT(bar->ThumbPos(), H - 51);
    send(WM_LBUTTONDOWN, H - 13);
    send(WM_LBUTTONUP, H - 13);
    EXPECT_EQ(newest, edit.Send(EM_GETFIRSTVISIBLELINE)) << "the down arrow at the very bottom";

    send(WM_LBUTTONDOWN, bar->ThumbPos() + 13);
    send(WM_MOUSEMOVE, 0);
    send(WM_LBUTTONUP, 0);
    EXPECT_EQ(0, edit.Send(EM_GETFIRSTVISIBLELINE)) << "the thumb dragged to the top";
    EXPECT_EQ(25, bar->ThumbPos());
    edit.Send(WM_VSCROLL, SB_BOTTOM);
    EXPECT_EQ(H - 51, bar->ThumbPos()) << "the thumb follows the text";
}

TEST_F(LogWindowTest, RepaintingAndNewLinesLeaveNoGdiObjectBehind) {
    for (int i = 0; i < 40; ++i) theLog.Log("row %d", i);
    ShowLog();
    uitest::RepaintNow(window->hwnd());
    uitest::GdiLedger ledger;
    for (int i = 0; i < 10; ++i) {
        theLog.Log("more %d", i);
        ASSERT_TRUE(PumpUntilLast("more " + std::to_string(i)));
        uitest::RepaintNow(window->hwnd());
    }
    EXPECT_GT(ledger.Created(), 10) << "the painters' objects pass through the ledger";
    const std::vector<HGDIOBJ> left = ledger.Live();
    EXPECT_TRUE(left.empty()) << uitest::GdiLedger::Describe(left);
}

class GuardedLogWindow : public KestProgramLogDlg, public uitest::GuardedAllocation {
public:
    using KestProgramLogDlg::KestProgramLogDlg;
};

TEST_F(LogWindowTest, EndingWithLinesOnTheirWayFreesThemAndTouchesNothing) {
    struct Way {
        const char* name;
        std::function<void()> end;
    } ways[] = {
        {"Close button", [this] { Click(IDC_LOG_CLOSE); }},
        {"owner's destructor", [this] { KestProgramLogDlg::Destroy(window); }},
        {"owner window destroyed", [this] { ::DestroyWindow(owner.hwnd()); }},
    };
    const std::string padding(230, '.');
    for (const Way& way : ways) {
        if (!owner.hwnd()) {
            ASSERT_TRUE(owner.Create(nullptr));
        }
        // Lines travel as "\r\n" and the line: watch blocks of exactly that size.
        uitest::g_watchedSize = std::string("\r\non the way 00000 ").size() + padding.size() + 1;
        const int before = uitest::g_watchedLive;
        const int touches = uitest::GuardedAllocation::TouchesAfterDelete();
        window = new GuardedLogWindow(owner.hwnd(), &window);
        ASSERT_TRUE(window->Create());
        window->ShowWindow(SW_SHOW);

        std::thread worker([&] {
            for (int i = 0; i < 50; ++i) theLog.Log("on the way %05d %s", i, padding.c_str());
        });
        worker.join();
        EXPECT_EQ(before + 50, uitest::g_watchedLive) << way.name << ": the lines wait for the window";
        way.end();
        EXPECT_EQ(nullptr, window) << way.name;
        uitest::PumpPending();  // the nudge reaches a window that is gone
        theLog.Log("after the end %s", padding.c_str());
        EXPECT_EQ(before, uitest::g_watchedLive) << way.name << ": lines on their way were not freed";
        EXPECT_EQ(touches, uitest::GuardedAllocation::TouchesAfterDelete()) << way.name << ": used after delete";
        uitest::g_watchedSize = 0;
    }
}

TEST_F(LogWindowTest, TextIsWhiteOnDarkGreyInAThemedWindow) {
    theLog.Log("Background FastFile Worker started");
    for (int i = 1; i <= 20; ++i) theLog.Log("Added 'zone_%02d.ff' to the Que", i);
    theLog.Log("(%s) Error: %s", "zone_07.ff", "Corrupt or unsupported");
    theLog.LogError("Permissions Required to write: %s", "C:\\games\\zone\\maps\\mp_test.gsc");
    ShowLog();
    window->SetWindowPos(nullptr, 60, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    uitest::RepaintNow(window->hwnd());
    const uitest::Pixels p = uitest::CaptureWindow(window->hwnd());
    uitest::SavePng(p, "program_log_window");

    RECT w = window->GetWindowRect(), edit = fw::WindowHandle(Edit()).GetWindowRect();
    ::OffsetRect(&edit, -w.left, -w.top);
    int dark = 0, white = 0, other = 0;
    for (int y = edit.top + 2; y < edit.bottom - 2; ++y)
        for (int x = edit.left + 2; x < edit.right - 20; ++x) {
            const COLORREF c = p.At(x, y);
            if (c == kLogBackground) ++dark;
            else if (c == kLogText) ++white;
            else ++other;
        }
    EXPECT_GT(dark, (edit.right - edit.left) * (edit.bottom - edit.top) / 2) << "the text's background";
    EXPECT_GT(white, 200) << "the text";
    // The edge around the text, and the scroll bar beside it, are dark all round.
    RECT bar = BarBeside(Edit());
    ::OffsetRect(&bar, -w.left, -w.top);
    EXPECT_EQ(12, bar.right - bar.left);
    for (const RECT& r : {edit, bar}) {
        int light = 0;
        for (int x = r.left; x < r.right; ++x)
            for (LONG y : {r.top, r.bottom - 1}) light += GetRValue(p.At(x, y)) > 150;
        for (int y = r.top; y < r.bottom; ++y)
            for (LONG x : {r.left, r.right - 1}) light += GetRValue(p.At(x, y)) > 150;
        EXPECT_EQ(0, light) << "light pixels on the outline of " << (&r == &edit ? "the text" : "its scroll bar");
    }
    const POINT besideButtons{20, p.height - 15};
    EXPECT_EQ(KestTheme.windowBackground, p.At(besideButtons.x, besideButtons.y));
    RECT close = fw::WindowHandle(window->GetDlgItem(IDC_LOG_CLOSE)).GetWindowRect();
    const COLORREF face = p.At(close.left - w.left + 4, close.bottom - w.top - 4);
    EXPECT_LT(GetRValue(face), 200) << "a themed button, not the system's: " << uitest::ColourText(face);
}

}  // namespace
