// The transparent static image (mask from pixel 1, 1; 64 x 64 cut) and the hyperlink
// (font, cursor, hit test, colour, and which clicks open the address).
#include <gtest/gtest.h>

#include "KestPalette.h"
#include "KestHyperlink.h"
#include "KestStaticImage.h"
#include "themed_test_dialog.h"
#include "ui_test_support.h"

namespace {

using uitest::ThemedTestDialog;

constexpr COLORREF kRed = RGB(200, 30, 30);
constexpr COLORREF kBlue = RGB(30, 60, 200);
constexpr COLORREF kBlack = RGB(0, 0, 0);

void Fill(HDC dc, int l, int t, int r, int b, COLORREF c) {
    RECT rect{l, t, r, b};
    fw::Brush brush(::CreateSolidBrush(c));
    ::FillRect(dc, &rect, brush);
}

// 80 x 80: red, with the key colour at (1, 1) and in a square at 10-20, a blue square
// at 30-40, and a black square at 45-55.
HBITMAP MakePicture(COLORREF key) {
    HDC screen = ::GetDC(nullptr);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 80, 80);
    HDC dc = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    Fill(dc, 0, 0, 80, 80, kRed);
    ::SetPixel(dc, 1, 1, key);
    Fill(dc, 10, 10, 20, 20, key);
    Fill(dc, 30, 30, 40, 40, kBlue);
    Fill(dc, 45, 45, 55, 55, kBlack);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return bitmap;
}

COLORREF BitmapPixel(HBITMAP bitmap, int x, int y) {
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    COLORREF c = ::GetPixel(dc, x, y);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    return c;
}

class CountingLink : public KestHyperlink {
public:
    int opened = 0;

protected:
    void OpenAddress() override { ++opened; }
};

class ImageAndLinkTest : public ::testing::Test {
protected:
    ThemedTestDialog dialog{IDD_ABOUT, 8, 1};
    KestStaticImage image;
    CountingLink link;

    void SetUp() override {
        uitest::EnsureThemedUi();
        ASSERT_TRUE(dialog.Create(nullptr));
        dialog.SetWindowPos(nullptr, 60, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ASSERT_TRUE(image.SubclassDlgItem(IDC_ABOUT_PICTURE, dialog.hwnd()));
        ASSERT_TRUE(link.SubclassDlgItem(IDC_ABOUT_LINK, dialog.hwnd()));
        image.SetWindowPos(nullptr, 0, 0, 80, 80, SWP_NOMOVE | SWP_NOZORDER);
        uitest::ShowAndPaint(dialog.hwnd());
    }
    void TearDown() override {
        if (dialog.hwnd()) ::DestroyWindow(dialog.hwnd());
    }
    uitest::Pixels Picture() {
        uitest::RepaintNow(dialog.hwnd());
        return uitest::CaptureWindow(image.hwnd());
    }
    POINT CentreOf(HWND hwnd) {
        RECT r;
        ::GetWindowRect(hwnd, &r);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    void MouseTo(POINT screen) {
        ::SetCursorPos(screen.x, screen.y);
        uitest::PumpPending();
    }
    void Button(DWORD flag) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dwFlags = flag;
        ::SendInput(1, &in, sizeof in);
        uitest::PumpUntil([] { return false; }, 100);
    }
};

TEST_F(ImageAndLinkTest, KeyColourBecomesTransparentAndThePictureIsCutAt64) {
    for (COLORREF key : {RGB(0, 255, 0), kBlack}) {
        image.SetImage(MakePicture(key));
        image.BuildMask();
        ASSERT_TRUE(image.MaskReady());
        EXPECT_EQ(kBlack, BitmapPixel(image.Image(), 15, 15)) << "the key colour turns black in the image";
        uitest::Pixels p = Picture();
        const COLORREF bg = KestTheme.windowBackground;
        EXPECT_EQ(bg, p.At(1, 1));
        EXPECT_EQ(bg, p.At(15, 15)) << "key-coloured square";
        EXPECT_EQ(kRed, p.At(5, 5));
        EXPECT_EQ(kBlue, p.At(35, 35));
        EXPECT_EQ(key == kBlack ? bg : kBlack, p.At(50, 50)) << "black shows unless it is the key";
        EXPECT_EQ(kRed, p.At(63, 30));
        EXPECT_EQ(bg, p.At(64, 30)) << "nothing beyond 64 pixels";
        EXPECT_EQ(bg, p.At(30, 70));
        if (key == kBlack) uitest::SavePng(p, "static_image_black_key");
    }
}

TEST_F(ImageAndLinkTest, ImageWithoutMaskOrWithoutBitmapPaintsNothing) {
    image.BuildMask();
    EXPECT_FALSE(image.MaskReady()) << "no image, no mask";
    image.SetImage(MakePicture(RGB(0, 255, 0)));
    uitest::Pixels p = Picture();
    EXPECT_EQ(KestTheme.windowBackground, p.At(35, 35)) << "until BuildMask the control is a plain static";
}

TEST_F(ImageAndLinkTest, LinkIsThinUnderlinedTealTahomaUnderTheHandCursor) {
    LOGFONTA lf{};
    ASSERT_TRUE(::GetObjectA(link.Font(), sizeof lf, &lf));
    EXPECT_STREQ("Tahoma", lf.lfFaceName);
    EXPECT_EQ(15, lf.lfHeight);
    EXPECT_EQ(100, lf.lfWeight);
    EXPECT_TRUE(lf.lfUnderline);
    EXPECT_FALSE(lf.lfItalic);
    EXPECT_EQ(::LoadCursor(nullptr, IDC_HAND), link.Cursor());
    EXPECT_EQ(HTCLIENT, link.Send(WM_NCHITTEST, 0, 0));
    EXPECT_EQ(TRUE, link.Send(WM_SETCURSOR, reinterpret_cast<WPARAM>(link.hwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(link.Cursor(), ::GetCursor());

    uitest::RepaintNow(dialog.hwnd());
    uitest::Pixels p = uitest::CaptureWindow(link.hwnd());
    int teal = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) teal += p.At(x, y) == kLinkText;
    EXPECT_GT(teal, 10) << "the text is teal";
}

TEST_F(ImageAndLinkTest, ClickOpensTheAddressOnlyWhenReleasedOnTheLink) {
    ::SetForegroundWindow(dialog.hwnd());
    MouseTo(CentreOf(link.hwnd()));
    Button(MOUSEEVENTF_LEFTDOWN);
    Button(MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(1, link.opened);

    Button(MOUSEEVENTF_LEFTDOWN);
    RECT d = dialog.GetClientRect();
    POINT away{d.right - 10, d.bottom - 10};
    dialog.ClientToScreen(&away);
    MouseTo(away);
    Button(MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(1, link.opened) << "the button-up went to another window";
}

}  // namespace
