// The job list: attach, scroll-bar placement, row stripes, status colours, header,
// wheel selection and the bitmap scroll bars' arrows, track and thumb.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <vector>

#include "KestPalette.h"
#include "KestListView.h"
#include "import_patch.h"
#include "themed_test_dialog.h"
#include "ui_test_support.h"

namespace {

using uitest::ThemedTestDialog;

constexpr int kShowCloseAndMinimise = 1 | 8;
constexpr COLORREF kDone = RGB(0, 200, 0);
constexpr COLORREF kFailed = RGB(220, 40, 40);

// Left, top, width and height in the parent's client area.
std::vector<LONG> PlaceInParent(HWND hwnd) {
    RECT r;
    ::GetWindowRect(hwnd, &r);
    ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

int CountPixels(const uitest::Pixels& p, const RECT& area, COLORREF colour) {
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (p.At(x, y) == colour) ++n;
    return n;
}

// A pixel of one of the program's bitmaps, to compare painted pieces with.
COLORREF PiecePixel(UINT resourceId, int x, int y) {
    fw::Bitmap piece(::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId)));
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, piece);
    COLORREF c = ::GetPixel(dc, x, y);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    return c;
}

class ListViewTest : public ::testing::Test {
protected:
    ThemedTestDialog dialog{IDD_KEST_VANDREL_DIALOG, 9, kShowCloseAndMinimise};
    KestListView list;

    void SetUp() override {
        uitest::EnsureThemedUi();
        ASSERT_TRUE(dialog.Create(nullptr));
        dialog.SetWindowPos(nullptr, 30, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ASSERT_TRUE(list.SubclassDlgItem(IDC_JOB_LIST, dialog.hwnd()));
        list.InsertColumn(0, "File", LVCFMT_LEFT, 130);
        list.InsertColumn(1, "Status", LVCFMT_LEFT, 100);
        list.InsertColumn(2, "Size", LVCFMT_LEFT, 60);
        list.AttachScrollBars();
        uitest::ShowAndPaint(dialog.hwnd());
        ASSERT_TRUE(uitest::PumpUntil([&] { return list.Header().hwnd() != nullptr; }));
    }
    void TearDown() override {
        if (dialog.hwnd()) ::DestroyWindow(dialog.hwnd());
    }

    void AddRows(int count, const char* status = "Waiting") {
        for (int i = 0; i < count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "zone_%02d.ff", list.rowCounter);
            int row = list.InsertItem(list.rowCounter++, name);
            list.SetItemText(row, 1, status);
            list.SetItemText(row, 2, "12 KB");
        }
        Repaint();
    }
    void Repaint() {
        uitest::RepaintNow(dialog.hwnd());
        uitest::PumpPending();
    }
    RECT Row(int i) {
        RECT r{};
        list.GetItemRect(i, &r, LVIR_BOUNDS);
        return r;
    }
    int Selected() {
        for (int i = 0; i < list.GetItemCount(); ++i)
            if (list.GetItemState(i, LVIS_SELECTED)) return i;
        return -1;
    }
    void Select(int row) {
        list.SetSelectionMark(row);
        list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    LRESULT Wheel(int delta) { return list.Send(WM_MOUSEWHEEL, MAKEWPARAM(0, delta), 0); }
    int HorizontalOffset() { return -Row(0).left; }
    void Press(fw::WindowHandle bar, int x, int y) { bar.Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
    void Release(fw::WindowHandle bar, int x, int y) { bar.Send(WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }
    int BarHeight() { return list.VerticalBar().GetClientRect().bottom; }
    int BarWidth() { return list.HorizontalBar().GetClientRect().right; }
};

TEST_F(ListViewTest, AttachBindsTheHeaderAndPutsTheBarsAlongTheRightAndBottomEdges) {
    EXPECT_EQ(static_cast<LRESULT>(LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER),
              list.Send(LVM_GETEXTENDEDLISTVIEWSTYLE));
    EXPECT_EQ(&list.Header(), fw::Window::FromHandle(list.GetHeader()));
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_NOTIFY;
    for (fw::WindowHandle bar : {fw::WindowHandle(list.VerticalBar()), fw::WindowHandle(list.HorizontalBar())}) {
        EXPECT_EQ(dialog.hwnd(), bar.GetParent());
        EXPECT_EQ(65535, bar.GetDlgCtrlID() & 0xFFFF);
        EXPECT_EQ(style, bar.GetStyle() & style);
    }
    for (int move = 0; move < 2; ++move) {
        if (move) list.MoveWindow(20, 15, 300, 120);
        std::vector<LONG> l = PlaceInParent(list.hwnd());
        EXPECT_EQ((std::vector<LONG>{l[0] + l[2], l[1], 12, l[3] + 12}), PlaceInParent(list.VerticalBar().hwnd()));
        EXPECT_EQ((std::vector<LONG>{l[0], l[1] + l[3], l[2] + 1, 12}), PlaceInParent(list.HorizontalBar().hwnd()));
    }
    AddRows(40);
    list.InsertColumn(3, "Wide", LVCFMT_LEFT, 600);
    Repaint();
    EXPECT_EQ(0u, list.GetStyle() & (WS_VSCROLL | WS_HSCROLL)) << "the list never shows its own bars";
}

TEST_F(ListViewTest, RowsAreStripedByIndexDownToTheBottomInsideAGreyFrame) {
    uitest::Pixels p = uitest::CaptureClient(list.hwnd());
    RECT client = list.GetClientRect();
    EXPECT_EQ(kListStripeOdd, p.At(client.right / 2, client.bottom / 2)) << "an empty list is one dark stripe";
    uitest::Pixels frame = uitest::CaptureWindow(list.hwnd());
    EXPECT_EQ(kListBorder, frame.At(0, 0));
    EXPECT_EQ(kListBorder, frame.At(frame.width - 1, frame.height / 2));

    AddRows(3);
    p = uitest::CaptureClient(list.hwnd());
    RECT r = Row(0);
    int h = r.bottom - r.top;
    for (int i = 0, y = r.top + h / 2; y < client.bottom; ++i, y += h) {
        COLORREF stripe = (i % 2) ? kListStripeOdd : kListStripeEven;
        EXPECT_EQ(stripe, p.At(r.right - 4, y)) << "row " << i << " in its last cell";
        EXPECT_EQ(stripe, p.At(client.right - 3, y)) << "row " << i << " past the columns";
    }
}

TEST_F(ListViewTest, StatusColumnTakesTheRowColourAndBlackWhenNeverSet) {
    AddRows(3, "Done");
    list.SetRowStatusColour(0, kDone);
    list.SetRowStatusColour(2, kFailed);
    Repaint();
    uitest::Pixels p = uitest::CaptureClient(list.hwnd());
    auto cell = [&](int row, int from, int to) {
        RECT r = Row(row);
        return RECT{r.left + from, r.top, r.left + to, r.bottom};
    };
    EXPECT_GT(CountPixels(p, cell(0, 130, 230), kDone), 5);
    EXPECT_GT(CountPixels(p, cell(2, 130, 230), kFailed), 5);
    EXPECT_GT(CountPixels(p, cell(1, 130, 230), RGB(0, 0, 0)), 5) << "a row never coloured writes in black";
    for (int row = 0; row < 3; ++row) {
        EXPECT_GT(CountPixels(p, cell(row, 0, 130), kListText), 5) << "other columns are white";
        EXPECT_EQ(0, CountPixels(p, cell(row, 0, 130), kDone));
    }
}

TEST_F(ListViewTest, HeaderIsFlatGreyWithLightText) {
    uitest::Pixels p = uitest::CaptureClient(list.GetHeader());
    RECT item;
    ASSERT_TRUE(list.Header().GetItemRect(1, &item));
    EXPECT_EQ(kHeaderFace, p.At(item.right - 5, item.top + 3));
    EXPECT_GT(CountPixels(p, item, kHeaderText), 3) << "the item's text";
    EXPECT_EQ(kHeaderFace, p.At(p.width - 3, p.height / 2)) << "beyond the last item";
}

TEST_F(ListViewTest, WheelMovesTheSelectionAndStopsAtBothEnds) {
    AddRows(5);
    Wheel(WHEEL_DELTA);
    EXPECT_EQ(-1, Selected()) << "with no selection, away from the user selects nothing";
    for (int i = 0; i < 5; ++i) EXPECT_EQ(0u, list.GetItemState(i, LVIS_SELECTED | LVIS_FOCUSED));
    Wheel(-WHEEL_DELTA);
    EXPECT_EQ(0, Selected()) << "toward the user selects the first row";

    Select(3);
    EXPECT_EQ(TRUE, Wheel(-WHEEL_DELTA));
    EXPECT_EQ(4, Selected());
    Wheel(-WHEEL_DELTA);
    EXPECT_EQ(4, Selected()) << "the last row stays selected";
    for (int i = 0; i < 6; ++i) Wheel(WHEEL_DELTA);
    EXPECT_EQ(0, Selected()) << "the first row stays selected";
    EXPECT_EQ(0, list.GetSelectionMark());
    EXPECT_EQ(LVIS_FOCUSED, list.GetItemState(0, LVIS_FOCUSED));
}

TEST_F(ListViewTest, ThumbShowsOnlyWithRowsToScrollAndRunsFromTheTopArrowToAboveTheDownArrow) {
    AddRows(2);
    uitest::Pixels v = uitest::CaptureWindow(list.VerticalBar().hwnd());
    uitest::Pixels h = uitest::CaptureWindow(list.HorizontalBar().hwnd());
    EXPECT_EQ(PiecePixel(IDB_VSCROLL_TRACK, 6, 0), v.At(6, 25 + 13)) << "a short list shows only the track";
    EXPECT_EQ(PiecePixel(IDB_HSCROLL_TRACK, 0, 6), h.At(25 + 13, 6));

    AddRows(58);
    int H = BarHeight();
    EXPECT_EQ(25, list.VerticalBar().ThumbPos());
    v = uitest::CaptureWindow(list.VerticalBar().hwnd());
    EXPECT_EQ(PiecePixel(IDB_VSCROLL_THUMB, 6, 13), v.At(6, 25 + 13)) << "the thumb is painted";
    EXPECT_EQ(PiecePixel(IDB_VSCROLL_UP, 6, 13), v.At(6, 13));
    EXPECT_EQ(PiecePixel(IDB_VSCROLL_DOWN, 6, 13), v.At(6, H - 37 + 13));
    EXPECT_EQ(PiecePixel(IDB_SCROLL_CORNER, 5, 5), v.At(1 + 5, H - 11 + 5));

    list.EnsureVisible(59, false);
    Repaint();
    EXPECT_EQ(H - 62, list.VerticalBar().ThumbPos());

    list.EnsureVisible(0, false);
    for (int i = 0; i < 10; ++i) list.Send(WM_VSCROLL, SB_LINEDOWN);
    ASSERT_EQ(10, list.GetTopIndex());
    Repaint();
    EXPECT_GT(list.VerticalBar().ThumbPos(), 25);
    EXPECT_LT(list.VerticalBar().ThumbPos(), H - 62);
}

TEST_F(ListViewTest, ArrowClicksStepOneLineAndStopAtTheStart) {
    AddRows(40);
    list.InsertColumn(3, "Wide", LVCFMT_LEFT, 900);
    Repaint();
    fw::WindowHandle v(list.VerticalBar());
    int H = BarHeight();
    Press(v, 6, H - 37 + 13);
    uitest::PumpUntil([] { return false; }, 100);
    Release(v, 6, H - 37 + 13);
    EXPECT_EQ(1, list.GetTopIndex()) << "a press of 100 ms is one line";
    for (int i = 0; i < 2; ++i) {
        Press(v, 6, 13);
        Release(v, 6, 13);
    }
    EXPECT_EQ(0, list.GetTopIndex()) << "up, and nothing above the first row";

    // Sideways the step is whatever one SB_LINERIGHT is worth to the list.
    list.Send(WM_HSCROLL, SB_LINERIGHT);
    int step = HorizontalOffset();
    list.Send(WM_HSCROLL, SB_LINELEFT);
    ASSERT_GT(step, 0);
    fw::WindowHandle h(list.HorizontalBar());
    Press(h, BarWidth() - 13, 6);
    Release(h, BarWidth() - 13, 6);
    EXPECT_EQ(step, HorizontalOffset()) << "right arrow";
    Press(h, 13, 6);
    Release(h, 13, 6);
    EXPECT_EQ(0, HorizontalOffset()) << "left arrow";
}

// The timers the bar asks for, as (id, interval) pairs: the delays are its own, never
// measured on the clock of a busy machine.
std::vector<std::pair<UINT_PTR, UINT>> g_timers;
decltype(&::SetTimer) g_setTimer = nullptr;
UINT_PTR WINAPI RecordSetTimer(HWND hwnd, UINT_PTR id, UINT interval, TIMERPROC proc) {
    g_timers.emplace_back(id, interval);
    return g_setTimer(hwnd, id, interval, proc);
}

TEST_F(ListViewTest, HeldArrowRepeatsEveryFiftyMillisecondsAfterAQuarterSecond) {
    AddRows(60);
    g_timers.clear();
    uitest::ImportPatch setTimer("user32.dll", "SetTimer", reinterpret_cast<void*>(&RecordSetTimer));
    ASSERT_TRUE(setTimer.Active());
    g_setTimer = reinterpret_cast<decltype(&::SetTimer)>(setTimer.Original());
    fw::WindowHandle v(list.VerticalBar());
    int H = BarHeight();
    Press(v, 6, H - 37 + 13);
    EXPECT_TRUE(list.VerticalBar().SecondArrowPressed());
    EXPECT_EQ(0, list.GetTopIndex()) << "nothing moves before the first delay";
    ASSERT_TRUE(uitest::PumpUntil([&] { return list.GetTopIndex() >= 3; }, 3000));
    const std::vector<std::pair<UINT_PTR, UINT>> delays{{KestListScrollbar::kFirstDelayTimer, 250},
                                                        {KestListScrollbar::kRepeatTimer, 50}};
    EXPECT_EQ(delays, g_timers) << "a quarter second first, then one repeating 50 ms timer";
    int held = list.GetTopIndex();
    Release(v, 6, H - 37 + 13);
    EXPECT_EQ(held + 1, list.GetTopIndex()) << "the release adds its own step";
    uitest::PumpUntil([] { return false; }, 400);
    EXPECT_EQ(held + 1, list.GetTopIndex()) << "no timer keeps running after the release";
}

TEST_F(ListViewTest, HeldArrowStopsWhenTheBarLosesTheMouse) {
    AddRows(60);
    fw::WindowHandle v(list.VerticalBar());
    const int H = BarHeight();
    HWND thief = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr);
    struct Loss {
        const char* name;
        std::function<void()> take;
    } losses[] = {
        {"capture taken by another window", [&] { ::SetCapture(thief); }},
        {"cancel mode", [&] { v.Send(WM_CANCELMODE); }},
    };
    for (const Loss& loss : losses) {
        for (int pressedFor : {0, 400}) {  // during the first delay, and while repeating
            list.EnsureVisible(0, false);
            Press(v, 6, H - 37 + 13);
            ASSERT_EQ(v.hwnd(), ::GetCapture());
            if (pressedFor) {
                ASSERT_TRUE(uitest::PumpUntil([&] { return list.GetTopIndex() >= 1; }, 3000));
            }
            loss.take();
            const int top = list.GetTopIndex();
            EXPECT_FALSE(list.VerticalBar().SecondArrowPressed()) << loss.name;
            uitest::PumpUntil([] { return false; }, 400);
            EXPECT_EQ(top, list.GetTopIndex()) << loss.name << " after " << pressedFor << " ms: the list goes on scrolling";
            EXPECT_NE(v.hwnd(), ::GetCapture()) << loss.name;
            if (::GetCapture()) ::ReleaseCapture();

            Release(v, 6, H - 37 + 13);
            EXPECT_EQ(top, list.GetTopIndex()) << loss.name << ": a release after the loss is not a click";
        }
    }
    ::DestroyWindow(thief);
}

TEST_F(ListViewTest, TrackClickPagesTowardThePoint) {
    AddRows(60);
    list.Send(WM_VSCROLL, SB_PAGEDOWN);
    int page = list.GetTopIndex();
    list.EnsureVisible(0, false);
    ASSERT_GT(page, 1);
    fw::WindowHandle v(list.VerticalBar());
    int below = list.VerticalBar().ThumbPos() + 26 + 10;
    Press(v, 6, below);
    Release(v, 6, below);
    EXPECT_EQ(page, list.GetTopIndex());
    Press(v, 6, list.VerticalBar().ThumbPos() - 2);
    Release(v, 6, list.VerticalBar().ThumbPos() - 2);
    EXPECT_EQ(0, list.GetTopIndex());
}

TEST_F(ListViewTest, DraggingTheThumbScrollsTheList) {
    AddRows(60);
    fw::WindowHandle v(list.VerticalBar());
    int H = BarHeight();
    Press(v, 6, 25 + 13);
    EXPECT_TRUE(list.VerticalBar().ThumbGrabbed());
    v.Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(6, H / 2));
    int middle = list.GetTopIndex();
    EXPECT_GT(middle, 0);
    EXPECT_NEAR(H / 2 - 13, list.VerticalBar().ThumbPos(), 2) << "the thumb stays under the pointer";
    v.Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(6, H + 40));
    EXPECT_GT(list.GetTopIndex(), middle);
    EXPECT_EQ(H - 62, list.VerticalBar().ThumbPos()) << "the thumb stops above the down arrow";
    int end = list.GetTopIndex();
    Release(v, 6, H + 40);
    EXPECT_EQ(end, list.GetTopIndex()) << "letting go of the thumb is not a track click";
    EXPECT_FALSE(list.VerticalBar().ThumbGrabbed());
}

}  // namespace
