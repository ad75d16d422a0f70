// The themed dialog frame: non-client size, hit test, caption buttons, Escape,
// minimum tracking size, control colours, first-shown message, and its pixels.
#include <gtest/gtest.h>

#include "KestButton.h"
#include "Kest_CheckBox.h"
#include "KestPalette.h"
#include "KestSexyAnchors.h"
#include "guarded_allocation.h"
#include "import_patch.h"
#include "themed_test_dialog.h"
#include "ui_test_support.h"

namespace {

using uitest::ThemedTestDialog;

constexpr int kShowClose = 1, kShowMaximise = 2, kShowMinimise = 8;

// Screen point for a point given relative to the window's top-left corner.
LPARAM At(HWND hwnd, int x, int y) {
    RECT r;
    ::GetWindowRect(hwnd, &r);
    return MAKELPARAM(r.left + x, r.top + y);
}

int Width(HWND hwnd) {
    RECT r;
    ::GetWindowRect(hwnd, &r);
    return r.right - r.left;
}

class KestDlgTest : public ::testing::Test {
protected:
    void SetUp() override { uitest::EnsureThemedUi(); }
    void Open(ThemedTestDialog& dialog, int x = 40, int y = 40) {
        ASSERT_TRUE(dialog.Create(nullptr));
        dialog.SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        uitest::ShowAndPaint(dialog.hwnd());
        uitest::PumpUntil([&] { return dialog.Frame().active == 1; });
        uitest::RepaintNow(dialog.hwnd());
    }
    LRESULT HitTest(ThemedTestDialog& d, int x, int y) { return d.Send(WM_NCHITTEST, 0, At(d.hwnd(), x, y)); }
    void ClickCaption(ThemedTestDialog& d, int x, int y) {
        d.Send(WM_NCLBUTTONDOWN, HitTest(d, x, y), At(d.hwnd(), x, y));
    }
    // Anchors the Close button to the right and bottom and returns its screen rectangle.
    RECT AnchorCloseButton(ThemedTestDialog& d) {
        auto anchors = std::make_unique<KestSexyAnchors>();
        anchors->AddControl(IDC_CLOSE, ANCHOR_RIGHT | ANCHOR_BOTTOM);
        anchors->Attach(d.hwnd(), 0);
        anchors->Relayout(d.GetWindowRect(), kRelayoutAnySize);
        d.SetAnchors(std::move(anchors));
        return fw::WindowHandle(d.GetDlgItem(IDC_CLOSE)).GetWindowRect();
    }
};

TEST_F(KestDlgTest, FrameTakesFiveBordersAndAThirtyPixelCaption) {
    ThemedTestDialog d(IDD_MESSAGEBOX, 8, kShowClose);
    Open(d);
    const RECT w = d.GetWindowRect(), c = d.GetClientRect();
    EXPECT_EQ(w.right - w.left - 10, c.right);
    EXPECT_EQ(w.bottom - w.top - 35, c.bottom);
    POINT origin{0, 0};
    d.ClientToScreen(&origin);
    EXPECT_EQ(w.left + 5, origin.x);
    EXPECT_EQ(w.top + 30, origin.y);

    // The window grows by what the frame takes, so the template's area stays whole.
    RECT templateArea{0, 0, 237, 108};
    ::MapDialogRect(d.hwnd(), &templateArea);
    EXPECT_EQ(templateArea.right, c.right);
    EXPECT_EQ(templateArea.bottom, c.bottom);
    ::DestroyWindow(d.hwnd());
}

TEST_F(KestDlgTest, HitTestReportsClientCaptionAndButtonCodes) {
    ThemedTestDialog d(IDD_KEST_VANDREL_DIALOG, 9, kShowClose | kShowMinimise);
    Open(d);
    const RECT w = d.GetWindowRect();
    const int W = w.right - w.left, H = w.bottom - w.top;

    EXPECT_EQ(HTCLIENT, HitTest(d, W / 2, H / 2));
    EXPECT_EQ(HTCLIENT, HitTest(d, 4, 25));
    EXPECT_EQ(HTCLIENT, HitTest(d, W - 5, H - 5));
    EXPECT_EQ(HTCAPTION, HitTest(d, W / 2, 10));
    EXPECT_EQ(HTCAPTION, HitTest(d, W / 2, 3));

    EXPECT_EQ(kCaptionClose, HitTest(d, W - 25 + 7, 8));
    EXPECT_EQ(1, d.Frame().buttons[kCloseButton].hot);
    EXPECT_EQ(kCaptionClose, HitTest(d, W - 26, 2));
    EXPECT_EQ(kCaptionClose, HitTest(d, W - 25 + 14, 16));

    EXPECT_EQ(kCaptionMinimise, HitTest(d, W - 44 + 7, 8));
    EXPECT_EQ(0, d.Frame().buttons[kCloseButton].hot) << "leaving a button clears its hot state";
    EXPECT_EQ(1, d.Frame().buttons[kCloseButton + 3].hot);

    // Moving between buttons repaints the buttons only, once per change.
    const int paintsBefore = d.framePaints, redrawsBefore = d.buttonRepaints;
    HitTest(d, W - 25 + 7, 8);
    HitTest(d, W - 25 + 8, 9);
    HitTest(d, W - 44 + 7, 8);
    EXPECT_EQ(paintsBefore, d.framePaints);
    EXPECT_EQ(redrawsBefore + 4, d.buttonRepaints);
    EXPECT_EQ(0, d.Frame().buttons[kCloseButton].hot) << "only the button under the cursor is hot";
    // Entering close from minimise clears minimise, which comes after it.
    HitTest(d, W - 25 + 7, 8);
    EXPECT_EQ(0, d.Frame().buttons[kMinimiseButton].hot);

    const LRESULT border = HitTest(d, 1, H / 2);
    EXPECT_NE(HTCLIENT, border);
    EXPECT_NE(HTCAPTION, border);
    ::DestroyWindow(d.hwnd());
}

TEST_F(KestDlgTest, CloseButtonAndEscapeBothRunCloseDialog) {
    ThemedTestDialog d(IDD_MESSAGEBOX, 8, kShowClose);
    d.closeEndsDialog = false;
    Open(d);
    uitest::ClickCloseBox(d.hwnd());
    EXPECT_EQ(1, d.closeCalls);
    EXPECT_EQ(0, d.Frame().buttons[kCloseButton].hot) << "the click clears the hot state";

    ::PostMessageA(d.GetDlgItem(IDC_MSGBOX_MIDDLE), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(uitest::PumpUntil([&] { return d.closeCalls == 2; }));

    d.Frame().buttons[kCloseButton].disabled = 1;
    uitest::ClickCloseBox(d.hwnd());
    EXPECT_EQ(2, d.closeCalls) << "a disabled caption button does nothing";

    d.closeEndsDialog = true;
    ::PostMessageA(d.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(uitest::PumpUntil([&] { return d.hwnd() == nullptr; })) << "a modeless dialog is destroyed";
}

// A modeless dialog that owns itself, as the program log window does; touching it
// after it is gone is caught.
class SelfDeletingDialog : public ThemedTestDialog, public uitest::GuardedAllocation {
public:
    SelfDeletingDialog() : ThemedTestDialog(IDD_MESSAGEBOX, 8, kShowClose) {}

protected:
    void OnFinalMessage() override { delete this; }
};

TEST_F(KestDlgTest, SelfDeletingDialogIsNotTouchedAfterItClosesItself) {
    struct Way {
        const char* name;
        void (*close)(SelfDeletingDialog& dialog);
    } ways[] = {
        {"close button", [](SelfDeletingDialog& d) { uitest::ClickCloseBox(d.hwnd()); }},
        {"Escape",
         [](SelfDeletingDialog& d) {
             ::PostMessageA(d.hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
             uitest::PumpPending();
         }},
    };
    for (const Way& way : ways) {
        const int touchesBefore = uitest::GuardedAllocation::TouchesAfterDelete();
        auto* dialog = new SelfDeletingDialog;
        Open(*dialog);
        const HWND hwnd = dialog->hwnd();
        way.close(*dialog);
        EXPECT_FALSE(::IsWindow(hwnd)) << way.name;
        EXPECT_EQ(touchesBefore, uitest::GuardedAllocation::TouchesAfterDelete())
            << way.name << ": the dialog was used after it deleted itself";
    }
}

TEST_F(KestDlgTest, MaximiseFillsTheWorkAreaAndRestoreReturnsExactly) {
    ThemedTestDialog d(IDD_MESSAGEBOX, 9, kShowClose | kShowMaximise);
    Open(d, 70, 90);
    const RECT before = d.GetWindowRect();
    ClickCaption(d, Width(d.hwnd()) - 44 + 7, 8);

    RECT area;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT now = d.GetWindowRect();
    EXPECT_TRUE(::EqualRect(&area, &now));
    EXPECT_EQ(1, d.Frame().maximised);
    EXPECT_EQ(0, d.Frame().buttons[kMaximiseButton].shown);
    EXPECT_EQ(1, d.Frame().buttons[kRestoreButton].shown);
    EXPECT_EQ(kCaptionRestore, HitTest(d, Width(d.hwnd()) - 44 + 7, 8)) << "restore takes maximise's place";

    ClickCaption(d, Width(d.hwnd()) - 44 + 7, 8);
    now = d.GetWindowRect();
    EXPECT_TRUE(::EqualRect(&before, &now));
    EXPECT_EQ(0, d.Frame().maximised);
    EXPECT_EQ(1, d.Frame().buttons[kMaximiseButton].shown);
    ::DestroyWindow(d.hwnd());
}

TEST_F(KestDlgTest, MinimiseButtonMinimisesAndAnchorsStayPut) {
    ThemedTestDialog d(IDD_KEST_VANDREL_DIALOG, 9, kShowClose | kShowMinimise);
    Open(d);
    const RECT button = AnchorCloseButton(d);

    ClickCaption(d, Width(d.hwnd()) - 44 + 7, 8);
    EXPECT_TRUE(uitest::PumpUntil([&] { return d.IsIconic(); }));
    d.ShowWindow(SW_RESTORE);
    uitest::PumpUntil([&] { return !d.IsIconic(); });
    const RECT after = fw::WindowHandle(d.GetDlgItem(IDC_CLOSE)).GetWindowRect();
    EXPECT_TRUE(::EqualRect(&button, &after));
    ::DestroyWindow(d.hwnd());
}

TEST_F(KestDlgTest, OneResizeMovesTheAnchoredControls) {
    ThemedTestDialog d(IDD_KEST_VANDREL_DIALOG, 9, kShowClose | kShowMinimise);
    Open(d);
    const RECT button = AnchorCloseButton(d);
    const RECT w = d.GetWindowRect();

    d.SetWindowPos(nullptr, 0, 0, w.right - w.left + 40, w.bottom - w.top, SWP_NOMOVE | SWP_NOZORDER);
    RECT after = fw::WindowHandle(d.GetDlgItem(IDC_CLOSE)).GetWindowRect();
    EXPECT_EQ(button.left + 40, after.left);

    d.CloseDialog();
    EXPECT_EQ(nullptr, d.Anchors()) << "closing releases the anchors";
}

TEST_F(KestDlgTest, MinimumTrackingSizeComesFromTheFrame) {
    ThemedTestDialog d(IDD_MESSAGEBOX, 8, kShowClose);
    ASSERT_TRUE(d.Create(nullptr));
    MINMAXINFO info{};
    d.Send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(150, info.ptMinTrackSize.x);
    EXPECT_EQ(150, info.ptMinTrackSize.y);
    d.Frame().minTrackWidth = 400;
    d.Frame().minTrackHeight = 280;
    d.Send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(400, info.ptMinTrackSize.x);
    EXPECT_EQ(280, info.ptMinTrackSize.y);
    ::DestroyWindow(d.hwnd());
}

TEST_F(KestDlgTest, StaticAndEditColoursUseOneBrushEachForTheDialogsLife) {
    ThemedTestDialog d(IDD_PROGRAM_LOG, 9, kShowClose | kShowMinimise, IDI_PROGRAM_LOG);
    ASSERT_TRUE(d.Create(nullptr));
    HWND edit = d.GetDlgItem(IDC_LOG_TEXT);
    HDC dc = ::GetDC(edit);
    auto staticBrush = d.Send(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
    EXPECT_EQ(KestTheme.staticText, ::GetTextColor(dc));
    EXPECT_EQ(KestTheme.windowBackground, ::GetBkColor(dc));
    EXPECT_EQ(staticBrush, d.Send(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit)));

    auto editBrush = d.Send(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
    EXPECT_EQ(kEditBackground, ::GetBkColor(dc));
    EXPECT_NE(staticBrush, editBrush);
    EXPECT_EQ(editBrush, d.Send(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit)));
    LOGBRUSH lb{};
    ::GetObjectA(reinterpret_cast<HBRUSH>(editBrush), sizeof lb, &lb);
    EXPECT_EQ(kEditBackground, lb.lbColor);
    ::ReleaseDC(edit, dc);
    ::DestroyWindow(d.hwnd());
}

TEST_F(KestDlgTest, FirstShownArrivesOnceAfterTheDialogIsVisible) {
    ThemedTestDialog d(IDD_MESSAGEBOX, 8, kShowClose);
    ASSERT_TRUE(d.Create(nullptr));
    uitest::PumpPending();
    EXPECT_EQ(0, d.firstShownCalls);
    d.ShowWindow(SW_SHOW);
    EXPECT_TRUE(uitest::PumpUntil([&] { return d.firstShownCalls == 1; }));
    d.ShowWindow(SW_HIDE);
    d.ShowWindow(SW_SHOW);
    uitest::PumpPending();
    EXPECT_EQ(1, d.firstShownCalls);
    ::DestroyWindow(d.hwnd());
}

TEST_F(KestDlgTest, OpensCentredOnItsOwnerOrOnTheScreen) {
    auto centre = [](const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; };
    auto within1 = [](POINT a, POINT b) { return std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1; };
    RECT area{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);

    ThemedTestDialog owner(IDD_KEST_VANDREL_DIALOG, 9, kShowClose);
    ASSERT_TRUE(owner.Create(nullptr));
    EXPECT_TRUE(within1(centre(area), centre(owner.GetWindowRect()))) << "no owner: the middle of the screen";
    owner.SetWindowPos(nullptr, area.left + 20, area.top + 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    uitest::ShowAndPaint(owner.hwnd());

    ThemedTestDialog box(IDD_MESSAGEBOX, 8, kShowClose);
    ASSERT_TRUE(box.Create(IDD_MESSAGEBOX, owner.hwnd()));
    EXPECT_TRUE(within1(centre(owner.GetWindowRect()), centre(box.GetWindowRect()))) << "over its owner";
    ::DestroyWindow(box.hwnd());
    ::DestroyWindow(owner.hwnd());
}

// ---- pixels -------------------------------------------------------------------

TEST_F(KestDlgTest, ActiveFramePaintsGradientCaptionRimAndClientBackground) {
    ThemedTestDialog d(IDD_MESSAGEBOX, 8, kShowClose);
    Open(d);
    // A new title repaints the frame at once, and in our colours.
    d.SetWindowText("Kest_Ryn - Frame");
    uitest::PumpPending();
    const uitest::Pixels p = uitest::CaptureWindow(d.hwnd());
    uitest::SavePng(p, "kestdlg_active");
    const int W = p.width, H = p.height;

    // Caption: 68 at the left end fading to 40 at the right (a channel of 68 * 255 shows as 67).
    EXPECT_TRUE(uitest::SameColour(RGB(67, 67, 67), p.At(5, 24), 2)) << uitest::ColourText(p.At(5, 24));
    EXPECT_TRUE(uitest::SameColour(RGB(40, 40, 40), p.At(W - 6, 24), 2)) << uitest::ColourText(p.At(W - 6, 24));
    EXPECT_EQ(RGB(69, 69, 69), p.At(10, 0)) << "top highlight";
    // The rim around the client area.
    EXPECT_EQ(KestTheme.rimDark, p.At(20, 29));
    EXPECT_EQ(KestTheme.rimDark, p.At(4, 60));
    EXPECT_EQ(KestTheme.rimLight, p.At(W - 5, 60));
    EXPECT_EQ(KestTheme.rimLight, p.At(20, H - 5));
    // Client background.
    EXPECT_EQ(KestTheme.windowBackground, p.At(7, 32));
    // Title in white somewhere in its band.
    int white = 0;
    for (int y = 4; y < 21; ++y)
        for (int x = 25; x < W - 30; ++x) white += uitest::SameColour(p.At(x, y), RGB(255, 255, 255), 40);
    EXPECT_GT(white, 10);
    ::DestroyWindow(d.hwnd());
}

TEST_F(KestDlgTest, CaptionTurnsInactiveWhenAnotherWindowIsActivated) {
    ThemedTestDialog d(IDD_MESSAGEBOX, 8, kShowClose);
    Open(d);
    ThemedTestDialog other(IDD_MESSAGEBOX, 8, kShowClose);
    Open(other, 700, 500);
    EXPECT_TRUE(uitest::PumpUntil([&] { return d.Frame().active == 0; }));
    const uitest::Pixels p = uitest::CaptureWindow(d.hwnd());
    uitest::SavePng(p, "kestdlg_inactive");
    EXPECT_TRUE(uitest::SameColour(RGB(40, 40, 40), p.At(5, 24), 2)) << uitest::ColourText(p.At(5, 24));
    EXPECT_TRUE(uitest::SameColour(RGB(40, 40, 40), p.At(p.width - 6, 24), 2));
    ::DestroyWindow(other.hwnd());
    ::DestroyWindow(d.hwnd());
}

TEST_F(KestDlgTest, CaptionButtonLooksSunkenWhenColdAndRaisedWhenHot) {
    ThemedTestDialog d(IDD_MESSAGEBOX, 8, kShowClose);
    Open(d);
    const int x = Width(d.hwnd()) - 25, y = 3;
    uitest::Pixels p = uitest::CaptureWindow(d.hwnd());
    EXPECT_TRUE(uitest::SameColour(RGB(204, 85, 85), p.At(x + 1, y), 3)) << uitest::ColourText(p.At(x + 1, y));
    EXPECT_LT(GetRValue(p.At(x + 1, y + 13)), 100) << uitest::ColourText(p.At(x + 1, y + 13));
    EXPECT_EQ(kCaptionButtonBevelDark, p.At(x - 1, y + 5));
    EXPECT_EQ(kCaptionButtonBevelLight, p.At(x + 5, y + 14));
    EXPECT_EQ(kCaptionButtonGlyph, p.At(x + 3, y + 2)) << "the close cross";

    HitTest(d, x + 7, 8);  // the hit test repaints only the buttons
    p = uitest::CaptureWindow(d.hwnd());
    uitest::SavePng(p, "kestdlg_close_hot");
    EXPECT_GT(GetRValue(p.At(x + 1, y + 13)), 125) << uitest::ColourText(p.At(x + 1, y + 13));
    EXPECT_EQ(kCaptionButtonBevelLight, p.At(x - 1, y + 5));
    EXPECT_EQ(kCaptionButtonBevelDark, p.At(x + 5, y + 14));
    ::DestroyWindow(d.hwnd());
}

TEST_F(KestDlgTest, RepaintingLeavesNoPenBrushFontOrBitmapBehind) {
    ThemedTestDialog d(IDD_KEST_VANDREL_DIALOG, 9, kShowClose | kShowMinimise);
    Open(d);
    KestButton close;
    close.SubclassDlgItem(IDC_CLOSE, d.hwnd());
    Kest_CheckBox check;
    check.SubclassDlgItem(IDC_CREATE_DUMP, d.hwnd());
    const int W = Width(d.hwnd());
    auto paintEverything = [&] {
        uitest::RepaintNow(d.hwnd());
        HitTest(d, W - 25 + 7, 8);  // the buttons alone, hot and cold again
        HitTest(d, W / 2, 10);
        check.Send(WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));  // the lamp, hot
        HDC dc = ::GetDC(d.hwnd());
        d.Send(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(d.GetDlgItem(IDC_DROP_HINT)));
        d.Send(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(d.GetDlgItem(IDC_DROP_HINT)));
        ::ReleaseDC(d.hwnd(), dc);
    };
    paintEverything();  // what the dialog and its controls keep for their lifetime is made now

    uitest::GdiLedger ledger;
    for (int i = 0; i < 10; ++i) paintEverything();
    EXPECT_GT(ledger.Created(), 10 * 4) << "the painters' own pens and brushes pass through the ledger";
    const std::vector<HGDIOBJ> left = ledger.Live();
    EXPECT_TRUE(left.empty()) << left.size() << " left behind: " << uitest::GdiLedger::Describe(left);
    ::DestroyWindow(d.hwnd());
}

// Every template of the program opens as a themed dialog; the screenshots show them.
TEST_F(KestDlgTest, EveryTemplateOpensThemed) {
    struct Case {
        UINT id;
        const char* name;
        int style, shown;
        UINT icon;
    } cases[] = {
        {IDD_KEST_VANDREL_DIALOG, "template_102_main", 9, kShowClose | kShowMinimise, IDR_MAINFRAME},
        {IDD_PROGRAM_LOG, "template_105_log", 9, kShowClose | kShowMinimise, IDI_PROGRAM_LOG},
        {IDD_UPDATE, "template_107_update", 8, kShowClose, IDR_MAINFRAME},
        {IDD_MESSAGEBOX, "template_2000_messagebox", 8, kShowClose, IDR_MAINFRAME},
        {IDD_ABOUT, "template_2007_about", 8, kShowClose, IDR_MAINFRAME},
    };
    int texts = 0;
    for (const Case& c : cases) {
        ThemedTestDialog d(c.id, c.style, c.shown, c.icon);
        Open(d);
        KestButton buttons[3];
        int bound = 0;
        for (HWND child = ::GetWindow(d.hwnd(), GW_CHILD); child && bound < 3; child = ::GetWindow(child, GW_HWNDNEXT)) {
            char cls[32] = {};
            ::GetClassNameA(child, cls, sizeof cls);
            const DWORD type = static_cast<DWORD>(::GetWindowLongA(child, GWL_STYLE)) & BS_TYPEMASK;
            if (lstrcmpiA(cls, "Button") == 0 && type != BS_AUTOCHECKBOX) buttons[bound++].SubclassWindow(child);
        }
        uitest::RepaintNow(d.hwnd());
        const uitest::Pixels p = uitest::CaptureWindow(d.hwnd());
        EXPECT_FALSE(uitest::SavePng(p, c.name).empty()) << c.name;
        EXPECT_EQ(KestTheme.rimDark, p.At(20, 29)) << c.name;
        // Texts sit on the window's background, not on the edit controls' grey.
        for (HWND child = ::GetWindow(d.hwnd(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            char cls[32] = {};
            ::GetClassNameA(child, cls, sizeof cls);
            const DWORD type = static_cast<DWORD>(::GetWindowLongA(child, GWL_STYLE)) & SS_TYPEMASK;
            if (lstrcmpiA(cls, "Static") != 0 || !::IsWindowVisible(child) || type > SS_RIGHT) continue;
            ++texts;
            const uitest::Pixels text = uitest::CutOut(p, d.hwnd(), child);
            int background = 0, edit = 0;
            for (int y = 0; y < text.height; ++y)
                for (int x = 0; x < text.width; ++x) {
                    background += text.At(x, y) == KestTheme.windowBackground;
                    edit += text.At(x, y) == kEditBackground;
                }
            EXPECT_EQ(0, edit) << c.name << ", static " << ::GetDlgCtrlID(child);
            EXPECT_GT(background, text.width * text.height / 2) << c.name << ", static " << ::GetDlgCtrlID(child);
        }
        ::DestroyWindow(d.hwnd());
    }
    EXPECT_GT(texts, 5);
}

}  // namespace
