// Anchored layout: controls follow the dialog's size by their anchors or dock code.
#include <gtest/gtest.h>

#include "KestSexyAnchors.h"
#include "framework/dialog.h"
#include "res/resource.h"
#include "themed_test_dialog.h"

namespace {

RECT RectIn(HWND parent, HWND control) {
    RECT r;
    ::GetWindowRect(control, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RECT Grow(RECT r, int dw, int dh) {
    r.right += dw;
    r.bottom += dh;
    return r;
}

class AnchorsTest : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::EnsureThemedUi();
        ASSERT_TRUE(dialog.Create(nullptr));
        base = dialog.GetWindowRect();
    }
    void TearDown() override { ::DestroyWindow(dialog.hwnd()); }

    RECT Item(int id) { return RectIn(dialog.hwnd(), dialog.GetDlgItem(id)); }
    void AttachAndLayOut() {
        anchors.Attach(dialog.hwnd(), 0);
        anchors.Relayout(base, kRelayoutAnySize);
    }

    fw::Dialog dialog{IDD_KEST_VANDREL_DIALOG};
    KestSexyAnchors anchors;
    RECT base{};
};

TEST_F(AnchorsTest, WideningBy40MovesRightAnchoredAndStretchesFullyAnchored) {
    anchors.AddControl(IDC_CLOSE, ANCHOR_RIGHT | ANCHOR_BOTTOM);
    anchors.AddControl(IDC_JOB_LIST, ANCHOR_TOP | ANCHOR_BOTTOM | ANCHOR_LEFT | ANCHOR_RIGHT);
    anchors.AddControl(IDC_DROP_HINT, ANCHOR_LEFT | ANCHOR_BOTTOM);
    AttachAndLayOut();
    const RECT button = Item(IDC_CLOSE), list = Item(IDC_JOB_LIST), hint = Item(IDC_DROP_HINT);

    anchors.Relayout(Grow(base, 40, 25), SIZE_RESTORED);
    EXPECT_EQ(CHANGED_RIGHT | CHANGED_BOTTOM, anchors.ChangeMask());
    EXPECT_EQ(40, anchors.DeltaWidth());

    const RECT button2 = Item(IDC_CLOSE), list2 = Item(IDC_JOB_LIST), hint2 = Item(IDC_DROP_HINT);
    EXPECT_EQ(button.left + 40, button2.left);
    EXPECT_EQ(button.top + 25, button2.top);
    EXPECT_EQ(button.right - button.left, button2.right - button2.left);
    EXPECT_EQ(list.left, list2.left);
    EXPECT_EQ(list.right + 40, list2.right);
    EXPECT_EQ(list.bottom + 25, list2.bottom);
    EXPECT_EQ(hint.left, hint2.left);
    EXPECT_EQ(hint.top + 25, hint2.top);
}

TEST_F(AnchorsTest, WithoutAHorizontalAnchorAControlFollowsHalfTheWidthChange) {
    anchors.AddControl(IDC_DROP_HINT, ANCHOR_BOTTOM);
    AttachAndLayOut();
    const LONG left = Item(IDC_DROP_HINT).left;

    anchors.Relayout(Grow(base, 40, 0), SIZE_RESTORED);
    EXPECT_EQ(left + 20, Item(IDC_DROP_HINT).left);
    anchors.Relayout(Grow(base, 47, 0), SIZE_RESTORED);  // ΔW = 7
    EXPECT_EQ(left + 23, Item(IDC_DROP_HINT).left);
    anchors.Relayout(Grow(base, 40, 0), SIZE_RESTORED);  // ΔW = -7
    EXPECT_EQ(left + 20, Item(IDC_DROP_HINT).left);
}

TEST_F(AnchorsTest, MinimisingOrMovingLeavesControlsWhereTheyWere) {
    anchors.AddControl(IDC_CLOSE, ANCHOR_RIGHT | ANCHOR_BOTTOM);
    anchors.AddControl(IDC_DROP_HINT, 0);
    AttachAndLayOut();
    const RECT button = Item(IDC_CLOSE);

    RECT iconic{-32000, -32000, -31840, -31976};
    anchors.Relayout(iconic, SIZE_MINIMIZED);
    anchors.Relayout(base, SIZE_RESTORED);
    RECT after = Item(IDC_CLOSE);
    EXPECT_TRUE(::EqualRect(&button, &after));

    RECT moved = base;
    ::OffsetRect(&moved, 50, 30);
    anchors.Relayout(moved, SIZE_RESTORED);
    EXPECT_EQ(CHANGED_LEFT | CHANGED_TOP | CHANGED_RIGHT | CHANGED_BOTTOM, anchors.ChangeMask());
    EXPECT_EQ(0, anchors.DeltaWidth());
    after = Item(IDC_CLOSE);
    EXPECT_TRUE(::EqualRect(&button, &after));
}

TEST_F(AnchorsTest, DockBottomKeepsAWindowAlongTheLowerEdgeAtFullWidth) {
    const RECT client = dialog.GetClientRect();
    HWND bar = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 10, 10, 50, 20, dialog.hwnd(), nullptr,
                                 nullptr, nullptr);
    anchors.AddWindow(bar, DOCK_BOTTOM);
    AttachAndLayOut();
    anchors.Relayout(Grow(base, 30, 12), SIZE_RESTORED);
    const RECT r = RectIn(dialog.hwnd(), bar);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(client.right + 30, r.right);
    EXPECT_EQ(client.bottom + 12, r.bottom);
    EXPECT_EQ(20, r.bottom - r.top);
}

TEST_F(AnchorsTest, AutoAnchorsComeFromWhereTheControlSitsAndMissingIdsAreSkipped) {
    anchors.AddControl(IDC_CLOSE, ANCHOR_AUTO);
    anchors.AddControl(IDC_JOB_LIST, ANCHOR_AUTO);
    anchors.AddControl(4242, ANCHOR_RIGHT);
    AttachAndLayOut();
    const auto& entries = anchors.Entries();
    EXPECT_EQ(ANCHOR_RIGHT | ANCHOR_BOTTOM, entries[0].flags);
    EXPECT_EQ(ANCHOR_TOP | ANCHOR_BOTTOM | ANCHOR_LEFT | ANCHOR_RIGHT, entries[1].flags);
    EXPECT_EQ(nullptr, entries[2].window);
    anchors.Relayout(Grow(base, 10, 10), SIZE_RESTORED);  // must not trip over the missing control
}

TEST_F(AnchorsTest, ChildObjectIsResizedInPlace) {
    fw::Window panel;
    ASSERT_TRUE(panel.CreateEx(0, "STATIC", "", WS_CHILD | WS_VISIBLE, RECT{30, 40, 130, 90}, dialog.hwnd(), 0));
    anchors.AddChildObject(&panel, ANCHOR_LEFT | ANCHOR_RIGHT | ANCHOR_TOP | ANCHOR_BOTTOM);
    AttachAndLayOut();
    EXPECT_FALSE(anchors.Entries()[0].dock);
    anchors.Relayout(Grow(base, 40, 10), SIZE_RESTORED);
    const RECT r = RectIn(dialog.hwnd(), panel.hwnd());
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(140, r.right);
    EXPECT_EQ(60, r.bottom);
}

TEST_F(AnchorsTest, DockCodesAreRecognisedByTheirRanges) {
    anchors.AddControl(IDC_CLOSE, 15);
    anchors.AddControl(IDC_CLOSE, 0x200);
    anchors.AddControl(IDC_CLOSE, 0x1000);
    anchors.AddControl(IDC_CLOSE, ANCHOR_TOP);
    anchors.AddControl(IDC_CLOSE, 0x2000);
    const auto& e = anchors.Entries();
    EXPECT_TRUE(e[0].dock);
    EXPECT_TRUE(e[1].dock);
    EXPECT_TRUE(e[2].dock);
    EXPECT_FALSE(e[3].dock);
    EXPECT_FALSE(e[4].dock);
}

}  // namespace
