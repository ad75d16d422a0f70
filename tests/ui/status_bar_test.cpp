// The status bar and its progress bar: creation, text, positions in and out of the
// bounds, the fill width on the 150-pixel bar, the percentage text and resizing.
#include <gtest/gtest.h>

#include "KestPalette.h"
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
    EXPECT_EQ(1, progress.GetDlgCtrlID());
    EXPECT_EQ(0, progress.Lower());
    EXPECT_EQ(100, progress.Upper());
    RECT inBar = progress.GetWindowRect();
    bar.ScreenToClient(&inBar);
    RECT client = bar.GetClientRect();
    EXPECT_EQ(client.right - 151, inBar.left);
    EXPECT_EQ(client.right - 1, inBar.right);
    EXPECT_EQ(3, inBar.top);
    EXPECT_EQ(client.bottom - 1, inBar.bottom);

    uitest::Pixels p = Progress();
    EXPECT_EQ(p.width * p.height, CountPixels(p, kProgressBackground)) << "position 0: dark, no text";
}

TEST_F(StatusBarTest, PositionsOutsideTheBoundsAreDropped) {
    for (int pos : {-1, 0, 1, 100, 101}) {
        bar.SetProgressPos(40);
        EXPECT_EQ(0, bar.SetProgressPos(pos));
        EXPECT_EQ(pos < 0 || pos > 100 ? 40 : pos, bar.Progress().Position()) << "position " << pos;
    }
}

// The gradient runs from column 0 up to and including (150 x percent) / 100.
TEST_F(StatusBarTest, FillWidthAndPercentFollowThePositionOnTheHundredAndFiftyPixelBar) {
    const struct { int pos; int greenColumns; const char* text; } cases[] = {
        {1, 2, "1%"}, {10, 16, "10%"}, {50, 76, "50%"}, {90, 136, "90%"}, {100, 150, "100%"}};
    for (const auto& c : cases) {
        bar.SetProgressPos(c.pos);
        uitest::Pixels p = Progress();
        ASSERT_EQ(150, p.width);
        EXPECT_EQ(c.greenColumns, GreenWidth(p)) << "position " << c.pos;
        if (c.greenColumns < 150) {
            EXPECT_EQ(kProgressBackground, p.At(c.greenColumns, 1)) << "position " << c.pos;
        }
        EXPECT_EQ(c.text, bar.Progress().PercentText());
        EXPECT_GT(CountPixels(p, kProgressText), 3) << "position " << c.pos << " writes its percent";
    }
    uitest::Pixels full = Progress();
    EXPECT_GT(GetGValue(full.At(2, 0)), 180) << "bright at the top";
    EXPECT_LT(GetGValue(full.At(2, full.height - 1)), 60) << "dark at the bottom";
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

TEST_F(StatusBarTest, ThePartHasNoSystemBorder) {
    uitest::RepaintNow(dialog.hwnd());
    const uitest::Pixels p = uitest::CaptureClient(bar.hwnd());
    RECT part{};
    ASSERT_TRUE(bar.Send(SB_GETRECT, 0, reinterpret_cast<LPARAM>(&part)));
    RECT progress = bar.Progress().GetWindowRect();
    bar.ScreenToClient(&progress);
    int off = 0;
    for (int x = part.left; x < progress.left; ++x)
        off += (p.At(x, part.top) != kStatusBarBackground) + (p.At(x, part.bottom - 1) != kStatusBarBackground);
    for (int y = part.top; y < part.bottom; ++y) off += p.At(part.left, y) != kStatusBarBackground;
    EXPECT_EQ(0, off) << "pixels of a border around the status text";
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

// The job list and the status bar as the main window shows them.
TEST_F(StatusBarTest, WithTheJobListNothingShowsInTheSystemsLook) {
    KestListView list;
    ASSERT_TRUE(list.SubclassDlgItem(IDC_JOB_LIST, dialog.hwnd()));
    list.InsertColumn(0, "File", LVCFMT_LEFT, 130);
    list.InsertColumn(1, "Status", LVCFMT_LEFT, 110);
    list.InsertColumn(2, "Size", LVCFMT_LEFT, 60);
    list.AttachScrollBars();
    uitest::PumpUntil([&] { return list.Header().hwnd() != nullptr; });
    const struct { const char* file; const char* status; COLORREF colour; bool coloured; } rows[] = {
        {"patch.ff", "Done", RGB(0, 200, 0), true},
        {"common.ff", "Writing Files", RGB(230, 200, 40), true},
        {"broken.ff", "Error: Bad header", RGB(220, 40, 40), true},
        {"ui.ff", "Waiting", RGB(160, 160, 160), true},
        {"never_coloured.ff", "Waiting", 0, false},
    };
    for (const auto& r : rows) {
        if (r.coloured) list.SetRowStatusColour(list.rowCounter, r.colour);
        int row = list.InsertItem(list.rowCounter++, r.file);
        list.SetItemText(row, 1, r.status);
        list.SetItemText(row, 2, "1.2 MB");
    }
    bar.SetStatusText("Writing Files");
    bar.SetProgressPos(62);
    uitest::RepaintNow(dialog.hwnd());
    const uitest::Pixels p = uitest::CaptureWindow(dialog.hwnd());
    uitest::SavePng(p, "job_list_and_status_bar");
    // The check boxes and buttons are not themed here; the list and the bar are.
    for (HWND themed : {list.hwnd(), bar.hwnd()})
        EXPECT_EQ(std::vector<std::string>{}, uitest::SystemColourBlocks(uitest::CutOut(p, dialog.hwnd(), themed)));
    ::DestroyWindow(dialog.hwnd());
}

}  // namespace
