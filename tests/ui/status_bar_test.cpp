// The status bar and its progress bar: creation, text, positions in and out of the
// bounds, the fill width on the 150-pixel bar, the percentage text and resizing.
#include <gtest/gtest.h>

#include "KestControlPalette.h"
#include "KestListView.h"
#include "KestStautsBar.h"
#include "themed_test_dialog.h"
#include "ui_test_support.h"

namespace {

using uitest::ThemedTestDialog;

bool Greenish(COLORREF c) { return GetGValue(c) > GetRValue(c) + 15 && GetGValue(c) > GetBValue(c) + 15; }

int CountPixels(const uitest::Pixels& p, COLORREF colour) {
    int n = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.At(x, y) == colour) ++n;
    return n;
}

class StatusBarTest : public ::testing::Test {
protected:
    ThemedTestDialog dialog{IDD_KEST_VANDREL_DIALOG, 9, 1 | 8};
    KestStautsBar bar;

    void SetUp() override {
        uitest::EnsureThemedUi();
        ASSERT_TRUE(dialog.Create(nullptr));
        dialog.SetWindowPos(nullptr, 30, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ASSERT_TRUE(bar.Create(dialog.hwnd()));
        uitest::ShowAndPaint(dialog.hwnd());
    }
    void TearDown() override {
        if (dialog.hwnd()) ::DestroyWindow(dialog.hwnd());
    }
    uitest::Pixels Progress() {
        uitest::RepaintNow(dialog.hwnd());
        return uitest::CaptureWindow(bar.Progress().hwnd());
    }
    // The first column, counted from the left on row 1, that is no longer green.
    int GreenWidth(const uitest::Pixels& p) {
        int x = 0;
        while (x < p.width && Greenish(p.At(x, 1))) ++x;
        return x;
    }
};

TEST_F(StatusBarTest, CreateMakesAnOwnerDrawnBarWithAnEmptyProgressAtItsRightEnd) {
    EXPECT_EQ(KestStautsBar::kStatusBarId, static_cast<UINT>(bar.GetDlgCtrlID()));
    EXPECT_TRUE(bar.GetStyle() & CCS_BOTTOM);
    EXPECT_EQ("Ready..", bar.StatusText());
    EXPECT_EQ(SBT_OWNERDRAW, HIWORD(bar.Send(SB_GETTEXTLENGTHA, 0)) & SBT_OWNERDRAW);

    KestProgress& progress = bar.Progress();
    EXPECT_TRUE(progress.created);
    EXPECT_EQ(bar.hwnd(), progress.GetParent());
    EXPECT_EQ(1, progress.GetDlgCtrlID());
    EXPECT_EQ(0, progress.Lower());
    EXPECT_EQ(100, progress.Upper());
    EXPECT_EQ(0, progress.Position());

    RECT inBar = progress.GetWindowRect();
    bar.ScreenToClient(&inBar);
    RECT client = bar.GetClientRect();
    EXPECT_EQ(150, inBar.right - inBar.left);
    EXPECT_EQ(client.right - 1, inBar.right);
    EXPECT_EQ(3, inBar.top);
    EXPECT_EQ(client.bottom - 1, inBar.bottom);
}

TEST_F(StatusBarTest, PositionsOutsideTheBoundsAreDropped) {
    KestProgress& progress = bar.Progress();
    EXPECT_EQ(0, bar.SetProgressPos(40));
    EXPECT_EQ(40, progress.Position());
    EXPECT_EQ(0, bar.SetProgressPos(-1));
    EXPECT_EQ(40, progress.Position()) << "below the lower bound";
    bar.SetProgressPos(101);
    EXPECT_EQ(40, progress.Position()) << "above the upper bound";
    bar.SetProgressPos(0);
    EXPECT_EQ(0, progress.Position());
    bar.SetProgressPos(100);
    EXPECT_EQ(100, progress.Position());
    EXPECT_EQ("100%", progress.PercentText());
}

TEST_F(StatusBarTest, EmptyBarIsDarkWithoutText) {
    uitest::Pixels p = Progress();
    ASSERT_EQ(150, p.width);
    EXPECT_EQ(p.width * p.height, CountPixels(p, kProgressBackground));
    EXPECT_EQ("", bar.Progress().PercentText());
}

TEST_F(StatusBarTest, OnePercentFillsTheFirstColumnsAndWritesItsPercent) {
    bar.SetProgressPos(1);
    EXPECT_EQ(1, bar.Progress().FillEdge(150));
    uitest::Pixels p = Progress();
    // The gradient runs from column 0 up to and including the fill edge.
    EXPECT_EQ(2, GreenWidth(p));
    EXPECT_EQ(kProgressBackground, p.At(2, 1));
    EXPECT_EQ("1%", bar.Progress().PercentText());
    EXPECT_GT(CountPixels(p, kProgressText), 3) << "the text is drawn";
}

TEST_F(StatusBarTest, FillWidthFollowsThePercentOnTheHundredAndFiftyPixelBar) {
    for (int pos : {10, 50, 90}) {
        bar.SetProgressPos(pos);
        uitest::Pixels p = Progress();
        int edge = 150 * pos / 100;
        EXPECT_EQ(edge + 1, GreenWidth(p)) << "position " << pos;
        EXPECT_EQ(kProgressBackground, p.At(edge + 1, 1)) << "position " << pos;
        EXPECT_GT(CountPixels(p, kProgressText), 3) << "position " << pos;
    }
}

TEST_F(StatusBarTest, FullBarIsGreenAcrossWithTopBrightAndBottomDark) {
    bar.SetProgressPos(100);
    uitest::Pixels p = Progress();
    EXPECT_EQ(150, GreenWidth(p));
    COLORREF top = p.At(2, 0), bottom = p.At(2, p.height - 1);
    EXPECT_GT(GetGValue(top), 180) << uitest::ColourText(top);
    EXPECT_LT(GetGValue(bottom), 60) << uitest::ColourText(bottom);
}

TEST_F(StatusBarTest, StatusTextIsDrawnLightOnTheDarkBar) {
    uitest::RepaintNow(dialog.hwnd());
    uitest::Pixels before = uitest::CaptureWindow(bar.hwnd());
    EXPECT_EQ(kStatusBarBackground, before.At(before.width / 2, before.height / 2));
    int readyPixels = CountPixels(before, kStatusBarText);
    EXPECT_GT(readyPixels, 5);

    EXPECT_EQ(0, bar.SetStatusText("Decompressing a rather longer status line"));
    EXPECT_EQ("Decompressing a rather longer status line", bar.StatusText());
    uitest::RepaintNow(dialog.hwnd());
    EXPECT_GT(CountPixels(uitest::CaptureWindow(bar.hwnd()), kStatusBarText), readyPixels);
}

TEST_F(StatusBarTest, ResizingKeepsTheProgressAtTheRightEnd) {
    RECT w = dialog.GetWindowRect();
    dialog.SetWindowPos(nullptr, 0, 0, w.right - w.left + 120, w.bottom - w.top + 40,
                        SWP_NOMOVE | SWP_NOZORDER);
    bar.Send(WM_SIZE, SIZE_RESTORED, 0);
    uitest::PumpPending();
    RECT inBar = bar.Progress().GetWindowRect();
    bar.ScreenToClient(&inBar);
    RECT client = bar.GetClientRect();
    EXPECT_EQ(client.right - 1, inBar.right);
    EXPECT_EQ(150, inBar.right - inBar.left);
}

TEST_F(StatusBarTest, ScreenshotOfTheMainWindowLook) {
    KestListView list;
    ASSERT_TRUE(list.SubclassDlgItem(IDC_JOB_LIST, dialog.hwnd()));
    list.InsertColumn(0, "File", LVCFMT_LEFT, 130);
    list.InsertColumn(1, "Status", LVCFMT_LEFT, 100);
    list.InsertColumn(2, "Size", LVCFMT_LEFT, 60);
    list.AttachScrollBars();
    uitest::PumpUntil([&] { return list.Header().hwnd() != nullptr; });
    const char* status[] = {"Done", "Writing Files", "Waiting"};
    const COLORREF colour[] = {RGB(0, 200, 0), RGB(230, 200, 40), RGB(160, 160, 160)};
    for (int i = 0; i < 3; ++i) {
        list.SetRowStatusColour(i, colour[i]);
        list.InsertItem(i, i == 0 ? "patch.ff" : i == 1 ? "common.ff" : "ui.ff");
        list.SetItemText(i, 1, status[i]);
        list.SetItemText(i, 2, "1.2 MB");
    }
    bar.SetStatusText("Writing Files");
    bar.SetProgressPos(62);
    uitest::RepaintNow(dialog.hwnd());
    EXPECT_FALSE(uitest::SavePng(uitest::CaptureWindow(dialog.hwnd()), "status_bar_progress").empty());
    ::DestroyWindow(dialog.hwnd());
}

}  // namespace
