// The theme record: the fixed colours and frame metrics every themed window reads,
// filled once by KestThemeManger::SetUpTheme, and the caption font.
#pragma once

#include <windows.h>

// A colour in the form GradientFill takes: each channel is the 8-bit value times 255.
struct ThemeColour16 {
    USHORT red = 0;
    USHORT green = 0;
    USHORT blue = 0;
};

inline ThemeColour16 MakeThemeColour16(BYTE red, BYTE green, BYTE blue) {
    return ThemeColour16{static_cast<USHORT>(red * 255), static_cast<USHORT>(green * 255),
                         static_cast<USHORT>(blue * 255)};
}

inline ThemeColour16 ThemeColour16From(COLORREF colour) {
    return MakeThemeColour16(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

enum GradientDirection : int {
    kGradientHorizontal = 0,  // left to right
    kGradientVertical = 1,    // top to bottom
};

// The face of a push button.
struct GradientStyle {
    ThemeColour16 start;
    ThemeColour16 end;
    int direction = kGradientVertical;
    COLORREF text = 0;
};

// The caption and border colours of a dialog in one activation state.
struct FrameColours {
    ThemeColour16 c0, c1, c2, c3;
};

struct KestThemeValues {
    COLORREF windowBackground = 0;
    COLORREF staticText = 0;
    GradientStyle buttonFace;
    GradientStyle buttonFaceDisabled;
    FrameColours frameInactive;
    FrameColours frameActive;
    BYTE drawClientRim = 0;
    COLORREF rimDark = 0;
    COLORREF rimLight = 0;
    COLORREF captionText = 0;
    int borderWidth = 0;
    int captionHeight = 0;
    int captionTop = 0;
};

// The one theme record of the process; written only by SetUpTheme.
extern KestThemeValues KestTheme;

// The caption title font, made by the application at start-up and kept until exit.
extern HFONT CaptionFont;
