// Fixed colours of the themed controls that are not part of the theme record: the
// dialog frame, buttons, job list, header, scroll-bar corner, status bar, progress bar
// and link. Controls name these; no control spells out an RGB value itself.
#pragma once

#include <windows.h>

#include "KestTheme.h"

// Dialog control colours
constexpr COLORREF kEditBackground = RGB(90, 90, 90);

// Dialog frame
constexpr COLORREF kCaptionHighlight = RGB(69, 69, 69);
constexpr COLORREF kCaptionButtonTop = RGB(204, 85, 85);
constexpr COLORREF kCaptionButtonBottomHot = RGB(128, 0, 0);
constexpr COLORREF kCaptionButtonBottomCold = RGB(80, 0, 0);
constexpr COLORREF kCaptionButtonDisabledTop = RGB(128, 53, 53);
constexpr COLORREF kCaptionButtonDisabledBottom = RGB(16, 0, 0);
constexpr COLORREF kCaptionButtonBevelLight = RGB(90, 90, 90);
constexpr COLORREF kCaptionButtonBevelDark = RGB(50, 50, 50);
constexpr COLORREF kCaptionButtonGlyph = RGB(248, 248, 240);

// Check box lamp
constexpr COLORREF kLampOn = RGB(0, 200, 0);
constexpr COLORREF kLampOff = RGB(0, 40, 0);
constexpr COLORREF kLampOutline = RGB(0, 0, 0);
constexpr COLORREF kCheckLabelHot = RGB(250, 250, 250);
constexpr COLORREF kCheckLabel = RGB(200, 200, 200);

// Job list rows: the stripes alternate by row index, the other columns read white.
constexpr COLORREF kListStripeOdd = RGB(30, 30, 30);
constexpr COLORREF kListStripeEven = RGB(50, 50, 50);
constexpr COLORREF kListText = RGB(255, 255, 255);
constexpr COLORREF kListStatusDefault = RGB(0, 0, 0);
constexpr COLORREF kListBorder = RGB(90, 90, 90);

// Job list header
constexpr COLORREF kHeaderFace = RGB(90, 90, 90);
constexpr COLORREF kHeaderText = RGB(200, 200, 200);

// Status bar and its progress bar
constexpr COLORREF kStatusBarBackground = RGB(70, 70, 70);
constexpr COLORREF kStatusBarText = RGB(230, 230, 230);
constexpr COLORREF kProgressBackground = RGB(35, 35, 35);
constexpr COLORREF kProgressText = RGB(255, 255, 255);
inline ThemeColour16 ProgressFillTop() { return MakeThemeColour16(0, 200, 0); }
inline ThemeColour16 ProgressFillBottom() { return MakeThemeColour16(0, 25, 0); }

// Hyperlink
constexpr COLORREF kLinkText = RGB(50, 140, 140);

// Program log window: the read-only log text
constexpr COLORREF kLogBackground = RGB(60, 60, 60);
constexpr COLORREF kLogText = RGB(255, 255, 255);

// Update prompt
constexpr COLORREF kErrorLabelText = RGB(255, 0, 0);
