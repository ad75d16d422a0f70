// The themed message box: labels and visibility per button set, the result of every
// button and of closing through the frame, the picture per flag, and its place above
// the program's other top-most windows. Each box runs in ShowMessageBox's own modal
// loop, where the box answerer presses what the test asks for.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "KestMessagebox.h"
#include "themed_test_dialog.h"
#include "ui_test_support.h"

namespace {

using BoxAction = std::function<void(HWND box)>;

int RunBox(const std::string& caption, unsigned flags, BoxAction act, BoxAction inspect = nullptr) {
    int result = -1;
    auto inspectThenAct = [&](HWND box) {
        if (inspect) inspect(box);
        act(box);
    };
    uitest::AnswerOneBox(caption, inspectThenAct,
                         [&] { result = ShowMessageBox(caption, "Not a FastFile: 'notes.txt'", flags); });
    return result;
}

BoxAction Click(int id) {
    return [id](HWND box) { ::SendMessageA(::GetDlgItem(box, id), BM_CLICK, 0, 0); };
}
BoxAction ClickCloseBox() {
    return [](HWND box) { EXPECT_EQ(HTMENU, uitest::ClickCloseBox(box)) << "the close box"; };
}
BoxAction PressEscape() {
    return [](HWND box) { ::PostMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0); };
}
// Enter as the keyboard delivers it: to the window with the focus.
BoxAction PressEnter() {
    return [](HWND box) {
        HWND focus = ::GetFocus();
        ::PostMessageA(focus && ::IsChild(box, focus) ? focus : box, WM_KEYDOWN, VK_RETURN, 0);
    };
}
BoxAction SystemClose() {
    return [](HWND box) { ::PostMessageA(box, WM_CLOSE, 0, 0); };
}

std::string TextOf(HWND box, int id) {
    char text[64] = {};
    ::GetDlgItemTextA(box, id, text, sizeof text);
    return text;
}
bool Shown(HWND box, int id) { return ::IsWindowVisible(::GetDlgItem(box, id)) != FALSE; }

struct ButtonSet {
    const char* name;
    unsigned flags;
    const char* left;  // label; nullptr when hidden
    const char* middle;
    const char* right;
    int leftResult, middleResult, rightResult, closeResult;
};

void PrintTo(const ButtonSet& set, std::ostream* os) { *os << set.name; }

const ButtonSet kButtonSets[] = {
    {"Ok", KMB_OK, nullptr, nullptr, "Ok", -1, -1, KMB_RES_OK, KMB_RES_OK},
    {"OkCancel", KMB_OKCANCEL, nullptr, "OK", "Cancel", -1, KMB_RES_OK, KMB_RES_CANCEL, KMB_RES_CANCEL},
    {"YesNo", KMB_YESNO, nullptr, "Yes", "No", -1, KMB_RES_YES, KMB_RES_NO, KMB_RES_CANCEL},
    {"YesNoCancel", KMB_YESNOCANCEL, "Yes", "No", "Cancel", KMB_RES_YES, KMB_RES_NO, KMB_RES_CANCEL,
     KMB_RES_CANCEL},
    {"NoButtonFlag", 0, nullptr, "OK", "Cancel", -1, KMB_RES_OK, KMB_RES_OK, KMB_RES_CANCEL},
    {"Retry", KMB_RETRY, nullptr, "OK", "Cancel", -1, KMB_RES_RETRY, KMB_RES_CANCEL, KMB_RES_CANCEL},
};

class MessageBoxTest : public ::testing::TestWithParam<ButtonSet> {
protected:
    void SetUp() override { uitest::EnsureThemedUi(); }
};

TEST_P(MessageBoxTest, LabelsAndShowsTheButtonsOfItsSet) {
    const ButtonSet& set = GetParam();
    auto inspect = [&](HWND box) {
        const struct { int id; const char* label; } buttons[] = {
            {IDC_MSGBOX_LEFT, set.left}, {IDC_MSGBOX_MIDDLE, set.middle}, {IDC_MSGBOX_RIGHT, set.right}};
        for (const auto& b : buttons) {
            EXPECT_EQ(b.label != nullptr, Shown(box, b.id)) << "button " << b.id;
            if (b.label) {
                EXPECT_EQ(b.label, TextOf(box, b.id)) << "button " << b.id;
            }
        }
        char title[64] = {};
        ::GetWindowTextA(box, title, sizeof title);
        EXPECT_EQ(std::string("Labels ") + set.name, title);
        EXPECT_EQ("Not a FastFile: 'notes.txt'", TextOf(box, IDC_MSGBOX_TEXT));
        EXPECT_TRUE(::GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_EQ(nullptr, ::GetWindow(box, GW_OWNER));
    };
    RunBox(std::string("Labels ") + set.name, set.flags, Click(IDC_MSGBOX_RIGHT), inspect);
}

TEST_P(MessageBoxTest, EachShownButtonAndTheFrameGiveTheirResults) {
    const ButtonSet& set = GetParam();
    std::string caption = std::string("Results ") + set.name;
    if (set.left) {
        EXPECT_EQ(set.leftResult, RunBox(caption, set.flags, Click(IDC_MSGBOX_LEFT))) << "left";
    }
    if (set.middle) {
        EXPECT_EQ(set.middleResult, RunBox(caption, set.flags, Click(IDC_MSGBOX_MIDDLE))) << "middle";
    }
    EXPECT_EQ(set.rightResult, RunBox(caption, set.flags, Click(IDC_MSGBOX_RIGHT))) << "right";
    EXPECT_EQ(set.closeResult, RunBox(caption, set.flags, ClickCloseBox())) << "close box";
    EXPECT_EQ(set.closeResult, RunBox(caption, set.flags, PressEscape())) << "Escape";
    EXPECT_EQ(set.closeResult, RunBox(caption, set.flags, SystemClose())) << "system close";
}

TEST_P(MessageBoxTest, EnterPressesTheFirstShownButtonWhichHasTheFocus) {
    const ButtonSet& set = GetParam();
    const int first = set.left ? IDC_MSGBOX_LEFT : set.middle ? IDC_MSGBOX_MIDDLE : IDC_MSGBOX_RIGHT;
    const int expected = set.left ? set.leftResult : set.middle ? set.middleResult : set.rightResult;
    auto inspect = [&](HWND box) { EXPECT_EQ(::GetDlgItem(box, first), ::GetFocus()) << "the focus starts there"; };
    EXPECT_EQ(expected, RunBox(std::string("Enter ") + set.name, set.flags, PressEnter(), inspect));
}

INSTANTIATE_TEST_SUITE_P(ButtonSets, MessageBoxTest, ::testing::ValuesIn(kButtonSets),
                         [](const ::testing::TestParamInfo<ButtonSet>& info) { return info.param.name; });

class MessageBoxPictureTest : public ::testing::Test {
protected:
    void SetUp() override { uitest::EnsureThemedUi(); }

    // Runs a box and compares its picture with the bitmap it should show.
    void ExpectPicture(unsigned flags, UINT bitmap, const char* screenshot) {
        auto inspect = [&](HWND box) {
            uitest::Pixels p = uitest::CaptureWindow(box);
            RECT box_r, pic;
            ::GetWindowRect(box, &box_r);
            ::GetWindowRect(::GetDlgItem(box, IDC_MSGBOX_PICTURE), &pic);
            fw::Bitmap expected(::LoadBitmapA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(bitmap)));
            HDC dc = ::CreateCompatibleDC(nullptr);
            HGDIOBJ old = ::SelectObject(dc, expected);
            for (POINT at : {POINT{16, 32}, POINT{32, 16}, POINT{32, 32}, POINT{46, 40}, POINT{2, 2}}) {
                COLORREF want = ::GetPixel(dc, at.x, at.y);
                COLORREF got = p.At(pic.left - box_r.left + at.x, pic.top - box_r.top + at.y);
                EXPECT_TRUE(uitest::SameColour(want, got, 2))
                    << screenshot << " at " << at.x << "," << at.y << ": " << uitest::ColourText(got)
                    << " instead of " << uitest::ColourText(want);
            }
            ::SelectObject(dc, old);
            ::DeleteDC(dc);
            EXPECT_FALSE(uitest::SavePng(p, screenshot).empty());
        };
        RunBox(screenshot, flags, ClickCloseBox(), inspect);
    }
};

TEST_F(MessageBoxPictureTest, ErrorFlagShowsTheRedCross) {
    EXPECT_EQ(static_cast<UINT>(IDB_MSG_ERROR), KestMessagebox::PictureFor(KMB_OK | KMB_ICONERROR));
    ExpectPicture(KMB_OK | KMB_ICONERROR, IDB_MSG_ERROR, "message_box_error");
}

TEST_F(MessageBoxPictureTest, WarningFlagShowsTheOrangeTriangleEvenWithTheErrorFlag) {
    ExpectPicture(KMB_YESNO | KMB_ICONWARNING, IDB_MSG_WARNING, "message_box_warning");
    EXPECT_EQ(static_cast<UINT>(IDB_MSG_WARNING), KestMessagebox::PictureFor(KMB_ICONWARNING | KMB_ICONERROR));
    ExpectPicture(KMB_OK | KMB_ICONWARNING | KMB_ICONERROR, IDB_MSG_WARNING, "message_box_warning_and_error");
}

TEST_F(MessageBoxPictureTest, NoPictureFlagShowsTheInformationPicture) {
    ExpectPicture(KMB_YESNOCANCEL, IDB_MSG_INFO, "message_box_information");
}

TEST(MessageBoxOrderTest, StaysAboveATopMostMainWindow) {
    uitest::EnsureThemedUi();
    uitest::ThemedTestDialog main(IDD_KEST_VANDREL_DIALOG, 9, 1 | 8);
    ASSERT_TRUE(main.Create(nullptr));
    uitest::ShowAndPaint(main.hwnd());
    main.SetWindowPos(HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ASSERT_TRUE(main.GetExStyle() & WS_EX_TOPMOST);
    auto inspect = [&](HWND box) {
        bool mainBelow = false;
        for (HWND w = ::GetWindow(box, GW_HWNDNEXT); w; w = ::GetWindow(w, GW_HWNDNEXT))
            if (w == main.hwnd()) mainBelow = true;
        EXPECT_TRUE(mainBelow) << "the box is above the top-most main window";
    };
    EXPECT_EQ(KMB_RES_OK, RunBox("Invalid File", KMB_OK | KMB_ICONERROR, Click(IDC_MSGBOX_RIGHT), inspect));
    ::DestroyWindow(main.hwnd());
}

TEST(MessageBoxEnterTest, EnterPressesTheButtonTheUserMovedTheFocusTo) {
    uitest::EnsureThemedUi();
    auto focusCancel = [](HWND box) {
        ::SetFocus(::GetDlgItem(box, IDC_MSGBOX_RIGHT));
        PressEnter()(box);
    };
    EXPECT_EQ(KMB_RES_CANCEL, RunBox("Enter after moving", KMB_YESNOCANCEL, focusCancel));
}

TEST(MessageBoxRetryTest, HiddenRetryButtonWouldAnswerYes) {
    uitest::EnsureThemedUi();
    auto pressHidden = [](HWND box) {
        EXPECT_EQ("Retry", TextOf(box, IDC_MSGBOX_LEFT));
        ::SendMessageA(box, WM_COMMAND, MAKEWPARAM(IDC_MSGBOX_LEFT, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(box, IDC_MSGBOX_LEFT)));
    };
    EXPECT_EQ(KMB_RES_YES, RunBox("Retry hidden", KMB_RETRY, pressHidden));
}

}  // namespace
