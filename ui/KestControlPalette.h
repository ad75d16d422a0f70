// Fixed colours of the job list, its header and scroll-bar corner, the status bar,
// the progress bar and the link: the controls name these and never spell out a value.
#pragma once

#include <windows.h>

#include "KestTheme.h"

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
