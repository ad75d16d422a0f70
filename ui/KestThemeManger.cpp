#include "KestThemeManger.h"

#include "KestTheme.h"

KestThemeValues KestTheme;
HFONT CaptionFont = nullptr;

namespace {

FrameColours Frame(BYTE c0, BYTE c1, BYTE c2, BYTE c3) {
    return FrameColours{MakeThemeColour16(c0, c0, c0), MakeThemeColour16(c1, c1, c1),
                        MakeThemeColour16(c2, c2, c2), MakeThemeColour16(c3, c3, c3)};
}

}  // namespace

void KestThemeManger::SetUpTheme() {
    KestTheme.windowBackground = RGB(37, 40, 43);
    KestTheme.staticText = RGB(0, 165, 16);
    KestTheme.buttonFace = GradientStyle{MakeThemeColour16(86, 86, 86), MakeThemeColour16(32, 32, 32),
                                         kGradientVertical, RGB(255, 255, 255)};
    KestTheme.buttonFaceDisabled = GradientStyle{MakeThemeColour16(64, 64, 64), MakeThemeColour16(16, 16, 16),
                                                 kGradientVertical, RGB(127, 127, 127)};
    KestTheme.frameInactive = Frame(40, 40, 44, 60);
    KestTheme.frameActive = Frame(68, 40, 44, 60);
    KestTheme.drawClientRim = 1;
    KestTheme.rimDark = RGB(16, 16, 16);
    KestTheme.rimLight = RGB(81, 81, 81);
    KestTheme.captionText = RGB(255, 255, 255);
    KestTheme.borderWidth = 5;
    KestTheme.captionHeight = 25;
    KestTheme.captionTop = 1;
}

HFONT KestThemeManger::CreateCaptionFont() {
    return ::CreateFontA(16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_ROMAN, "Times New Roman");
}
