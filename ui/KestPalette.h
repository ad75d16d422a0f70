// Fixed colours of the themed controls that are not part of the theme record.
// Controls name these; no control spells out an RGB value itself.
#pragma once

#include <windows.h>

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
