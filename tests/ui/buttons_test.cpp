// The themed push button and the lamp check box: state through messages, looks
// through pixels.
#include <gtest/gtest.h>

#include <functional>

#include "KestButton.h"
#include "KestPalette.h"
#include "Kest_CheckBox.h"
#include "themed_test_dialog.h"
#include "ui_test_support.h"

namespace {

// The main window's template with its buttons and check boxes bound, recording
// what the parent hears of the check boxes.
class ControlsDialog : public uitest::ThemedTestDialog {
public:
    ControlsDialog() : ThemedTestDialog(IDD_KEST_VANDREL_DIALOG, 9, 1 | 8) {}
    KestButton close, showLog, about;
    Kest_CheckBox createDump, windowOnTop, incStringTable, dumpToLocal;
    int clicksHeard = 0;
    int stateReadOnClick = -1;

protected:
    BOOL OnInitDialog() override {
        ThemedTestDialog::OnInitDialog();
        close.SubclassDlgItem(IDC_CLOSE, hwnd());
        showLog.SubclassDlgItem(IDC_SHOW_LOG, hwnd());
        about.SubclassDlgItem(IDC_ABOUT, hwnd());
        createDump.SubclassDlgItem(IDC_CREATE_DUMP, hwnd());
        windowOnTop.SubclassDlgItem(IDC_WINDOW_ON_TOP, hwnd());
        incStringTable.SubclassDlgItem(IDC_INC_STRINGTABLE, hwnd());
        dumpToLocal.SubclassDlgItem(IDC_DUMP_TO_LOCAL, hwnd());
        return TRUE;
    }
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_COMMAND && LOWORD(wp) == IDC_CREATE_DUMP && HIWORD(wp) == BN_CLICKED) {
            ++clicksHeard;
            stateReadOnClick = createDump.GetCheck();
        }
        return ThemedTestDialog::WindowProc(msg, wp, lp);
    }
};

class ButtonsTest : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::EnsureThemedUi();
        ASSERT_TRUE(dialog.Create(nullptr));
        dialog.SetWindowPos(nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        uitest::ShowAndPaint(dialog.hwnd());
    }
    void TearDown() override { ::DestroyWindow(dialog.hwnd()); }

    // The control's pixels, cut out of a capture of the whole dialog.
    uitest::Pixels Capture(const fw::WindowHandle& control) {
        uitest::RepaintNow(dialog.hwnd());
        return uitest::CutOut(uitest::CaptureWindow(dialog.hwnd()), dialog.hwnd(), control.hwnd());
    }
    static COLORREF LampCentre(const uitest::Pixels& p) {
        const int top = (p.height - 15) / 2 + 2;
        return p.At(7, top + 7);
    }
    // Matching pixels, leaving out a margin (a push button's bevel is the system's).
    static int Count(const uitest::Pixels& p, const std::function<bool(COLORREF)>& match, int margin = 0) {
        int n = 0;
        for (int y = margin; y < p.height - margin; ++y)
            for (int x = margin; x < p.width - margin; ++x) n += match(p.At(x, y)) ? 1 : 0;
        return n;
    }

    ControlsDialog dialog;
};

TEST_F(ButtonsTest, AttachingMakesBothKindsOwnerDrawn) {
    EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), dialog.close.GetStyle() & BS_TYPEMASK);
    EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), dialog.createDump.GetStyle() & BS_TYPEMASK);
    EXPECT_EQ(static_cast<DWORD>(BS_AUTOCHECKBOX), dialog.createDump.StyleBeforeAttach() & BS_TYPEMASK);
}

TEST_F(ButtonsTest, PushButtonFaceIsAGreyGradientAndStaysDarkerWhenDisabled) {
    uitest::Pixels p = Capture(dialog.close);
    uitest::SavePng(p, "kestbutton_enabled");
    const int h = p.height;
    EXPECT_TRUE(uitest::SameColour(RGB(84, 84, 84), p.At(2, 1), 4)) << uitest::ColourText(p.At(2, 1));
    EXPECT_TRUE(uitest::SameColour(RGB(36, 36, 36), p.At(2, h - 2), 5)) << uitest::ColourText(p.At(2, h - 2));
    EXPECT_GT(Count(p, [](COLORREF c) { return uitest::SameColour(c, RGB(255, 255, 255), 30); }, 2), 5)
        << "white text";

    dialog.close.EnableWindow(false);
    p = Capture(dialog.close);
    uitest::SavePng(p, "kestbutton_disabled");
    EXPECT_TRUE(uitest::SameColour(RGB(62, 62, 62), p.At(2, 1), 4)) << uitest::ColourText(p.At(2, 1));
    EXPECT_TRUE(uitest::SameColour(RGB(20, 20, 20), p.At(2, h - 2), 5)) << uitest::ColourText(p.At(2, h - 2));
    EXPECT_GT(Count(p, [](COLORREF c) { return uitest::SameColour(c, RGB(127, 127, 127), 6); }), 5)
        << "grey text, not greyed by the system";
    EXPECT_EQ(0, Count(p, [](COLORREF c) { return uitest::SameColour(c, RGB(255, 255, 255), 30); }, 2));
}

TEST_F(ButtonsTest, SetCheckTreatsIndeterminateAsChecked) {
    Kest_CheckBox& box = dialog.createDump;
    EXPECT_EQ(0, box.GetCheck());
    EXPECT_EQ(0, box.Send(BM_SETCHECK, BST_INDETERMINATE));
    EXPECT_EQ(1, box.GetCheck());
    box.SetCheck(3);
    EXPECT_EQ(0, box.GetCheck()) << "any value but 1 or 2 clears it";
    box.SetCheck(BST_CHECKED);
    EXPECT_EQ(1, box.GetCheck());
    box.SetCheck(BST_UNCHECKED);
    EXPECT_EQ(0, box.GetCheck());
}

TEST_F(ButtonsTest, ClickTogglesTheBoxBeforeTheParentReadsIt) {
    dialog.createDump.Click();
    EXPECT_EQ(1, dialog.clicksHeard);
    EXPECT_EQ(1, dialog.stateReadOnClick);
    dialog.createDump.Click();
    EXPECT_EQ(2, dialog.clicksHeard);
    EXPECT_EQ(0, dialog.stateReadOnClick);
}

TEST_F(ButtonsTest, LampShowsCheckedUncheckedAndDisabledColours) {
    Kest_CheckBox& box = dialog.windowOnTop;
    uitest::Pixels p = Capture(box);
    EXPECT_EQ(kLampOff, LampCentre(p)) << uitest::ColourText(LampCentre(p));
    EXPECT_EQ(KestTheme.windowBackground, p.At(p.width - 1, 0)) << "background";

    box.SetCheck(BST_INDETERMINATE);
    p = Capture(box);
    uitest::SavePng(p, "checkbox_checked");
    EXPECT_EQ(kLampOn, LampCentre(p));
    EXPECT_GT(Count(p, [](COLORREF c) { return c == kCheckLabel; }), 5) << "label in 200 grey";

    box.EnableWindow(false);
    p = Capture(box);
    uitest::SavePng(p, "checkbox_disabled");
    EXPECT_EQ(::GetSysColor(COLOR_BTNSHADOW), LampCentre(p));
}

TEST_F(ButtonsTest, EmptyLabelDrawsOnlyBackgroundAndLamp) {
    Kest_CheckBox& box = dialog.incStringTable;
    box.SetWindowText("");
    const uitest::Pixels p = Capture(box);
    for (int y = 0; y < p.height; ++y)
        for (int x = 20; x < p.width; ++x)
            ASSERT_EQ(KestTheme.windowBackground, p.At(x, y)) << x << "," << y;
}

TEST_F(ButtonsTest, HoverLightsTheLabelAndLeavingOrDraggingInDoesNot) {
    Kest_CheckBox& box = dialog.dumpToLocal;
    const RECT r = box.GetWindowRect();
    ::SetCursorPos(r.left + 5, r.top + 5);

    box.Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_FALSE(box.IsHot()) << "dragging onto a cold box does not light it";

    box.Send(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(box.IsHot());
    uitest::Pixels p = Capture(box);
    uitest::SavePng(p, "checkbox_hot");
    EXPECT_GT(Count(p, [](COLORREF c) { return c == kCheckLabelHot; }), 5);

    box.Send(WM_MOUSELEAVE);
    EXPECT_FALSE(box.IsHot());
    p = Capture(box);
    EXPECT_EQ(0, Count(p, [](COLORREF c) { return c == kCheckLabelHot; }));
}

TEST_F(ButtonsTest, MainWindowControlsTogetherShowNothingInTheSystemsLook) {
    dialog.createDump.SetCheck(BST_CHECKED);
    dialog.dumpToLocal.SetCheck(BST_CHECKED);
    dialog.about.EnableWindow(false);
    uitest::RepaintNow(dialog.hwnd());
    const uitest::Pixels p = uitest::CaptureWindow(dialog.hwnd());
    uitest::SavePng(p, "main_window_controls");
    const fw::WindowHandle* controls[] = {&dialog.close, &dialog.showLog, &dialog.about, &dialog.createDump,
                                          &dialog.windowOnTop, &dialog.incStringTable, &dialog.dumpToLocal};
    for (const fw::WindowHandle* control : controls) {
        ASSERT_NE(nullptr, control->hwnd());
        EXPECT_EQ(std::vector<std::string>{},
                  uitest::SystemColourBlocks(uitest::CutOut(p, dialog.hwnd(), control->hwnd())))
            << control->GetDlgCtrlID();
    }
}

}  // namespace
