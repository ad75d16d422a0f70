// Theme record, gradient and solid boxes, and the off-screen painting context.
#include <gtest/gtest.h>

#include <cstdint>

#include "KestDraw.h"
#include "KestMemDC.h"
#include "KestTheme.h"
#include "KestThemeManger.h"
#include "ui_test_support.h"

namespace {

// A 32-bit top-down DIB section with a memory DC, filled with one colour.
class Surface {
public:
    Surface(int w, int h, COLORREF fill) : w_(w), h_(h) {
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        dc_ = ::CreateCompatibleDC(nullptr);
        bitmap_ = ::CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
        old_ = ::SelectObject(dc_, bitmap_);
        RECT all{0, 0, w, h};
        HBRUSH b = ::CreateSolidBrush(fill);
        ::FillRect(dc_, &all, b);
        ::DeleteObject(b);
    }
    ~Surface() {
        ::SelectObject(dc_, old_);
        ::DeleteObject(bitmap_);
        ::DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    COLORREF At(int x, int y) const {
        ::GdiFlush();
        uint32_t p = bits_[y * w_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    int w_, h_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    uint32_t* bits_ = nullptr;
};

constexpr COLORREF kPaper = RGB(1, 2, 3);

TEST(Theme, RecordIsZeroBeforeSetUpExceptTheDirections) {
    KestThemeValues fresh;
    EXPECT_EQ(0u, fresh.windowBackground);
    EXPECT_EQ(0, fresh.borderWidth);
    EXPECT_EQ(0, fresh.frameActive.c0.red);
    EXPECT_EQ(kGradientVertical, fresh.buttonFace.direction);
    EXPECT_EQ(kGradientVertical, fresh.buttonFaceDisabled.direction);
}

TEST(Theme, ChannelsAreStoredAsTheValueTimes255) {
    KestThemeManger().SetUpTheme();
    EXPECT_EQ(17340, KestTheme.frameActive.c0.red);  // 68
    EXPECT_EQ(15300, KestTheme.frameActive.c3.blue);  // 60
    EXPECT_EQ(65025, MakeThemeColour16(255, 255, 255).green);
    EXPECT_EQ(RGB(37, 40, 43), KestTheme.windowBackground);
    EXPECT_EQ(5, KestTheme.borderWidth);
    EXPECT_EQ(25, KestTheme.captionHeight);
}

TEST(Theme, CaptionFontIsTimesNewRomanOfHeight16) {
    HFONT font = KestThemeManger::CreateCaptionFont();
    ASSERT_NE(nullptr, font);
    LOGFONTA lf{};
    ::GetObjectA(font, sizeof lf, &lf);
    EXPECT_STREQ("Times New Roman", lf.lfFaceName);
    EXPECT_EQ(16, lf.lfHeight);
    EXPECT_EQ(FW_NORMAL, lf.lfWeight);
    ::DeleteObject(font);
}

TEST(DrawGradientBox, WidthZeroStillPaintsOneColumn) {
    Surface s(10, 10, kPaper);
    DrawGradientBox(s.dc(), 3, 2, 0, 4, MakeThemeColour16(200, 0, 0), MakeThemeColour16(200, 0, 0),
                    kGradientVertical);
    EXPECT_TRUE(uitest::SameColour(RGB(200, 0, 0), s.At(3, 2), 1)) << uitest::ColourText(s.At(3, 2));
    EXPECT_TRUE(uitest::SameColour(RGB(200, 0, 0), s.At(3, 6), 1));
    EXPECT_EQ(kPaper, s.At(4, 2));
    EXPECT_EQ(kPaper, s.At(3, 7));
}

TEST(DrawGradientBox, RunsFromTheFirstColourToTheSecondInItsDirection) {
    Surface s(40, 40, kPaper);
    DrawGradientBox(s.dc(), 0, 0, 39, 9, MakeThemeColour16(255, 255, 255), MakeThemeColour16(0, 0, 0),
                    kGradientHorizontal);
    // 65025 per channel shows as very nearly white.
    EXPECT_TRUE(uitest::SameColour(RGB(254, 254, 254), s.At(0, 5), 1)) << uitest::ColourText(s.At(0, 5));
    EXPECT_LT(GetRValue(s.At(39, 5)), 10);

    RECT box{0, 20, 10, 40};
    DrawGradientBox(s.dc(), box, MakeThemeColour16(0, 0, 0), MakeThemeColour16(0, 0, 200), kGradientVertical);
    EXPECT_LT(GetBValue(s.At(5, 20)), 12);
    EXPECT_GT(GetBValue(s.At(5, 39)), 185);
    EXPECT_EQ(kPaper, s.At(10, 30)) << "the rectangle form stops before its right edge";
}

TEST(FillSolidBox, FillsWidthByHeightPixelsSoWidthOneIsALine) {
    Surface s(10, 10, kPaper);
    FillSolidBox(s.dc(), 2, 1, 1, 6, RGB(16, 16, 16));
    EXPECT_EQ(RGB(16, 16, 16), s.At(2, 1));
    EXPECT_EQ(RGB(16, 16, 16), s.At(2, 6));
    EXPECT_EQ(kPaper, s.At(3, 1));
    EXPECT_EQ(kPaper, s.At(2, 7));
    EXPECT_EQ(kPaper, s.At(1, 3));
}

TEST(KestMemDC, CopiesItsAreaToTheTargetWhenItGoes) {
    Surface s(20, 20, kPaper);
    {
        KestMemDC mem(s.dc(), RECT{4, 4, 12, 12});
        RECT r{4, 4, 12, 12};
        mem.FillSolidRect(r, RGB(0, 200, 0));
        EXPECT_EQ(kPaper, s.At(6, 6)) << "nothing reaches the target before the end";
    }
    EXPECT_EQ(RGB(0, 200, 0), s.At(4, 4));
    EXPECT_EQ(RGB(0, 200, 0), s.At(11, 11));
    EXPECT_EQ(kPaper, s.At(12, 12));
}

TEST(KestMemDC, NoFinalCopyLeavesTheTargetUntouched) {
    Surface s(20, 20, kPaper);
    {
        KestMemDC mem(s.dc(), RECT{0, 0, 20, 20});
        RECT r{0, 0, 20, 20};
        mem.FillSolidRect(r, RGB(0, 200, 0));
        mem.SetNoFinalCopy(true);
    }
    EXPECT_EQ(kPaper, s.At(10, 10));
}

}  // namespace
