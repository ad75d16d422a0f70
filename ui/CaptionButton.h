// CaptionButton: one of the four small buttons a themed dialog draws in its caption.
#pragma once

#include <windows.h>

// The action codes double as the hit-test codes reported to the system.
enum CaptionAction : int {
    kCaptionRestore = HTSIZE,        // 4
    kCaptionClose = HTMENU,          // 5
    kCaptionMinimise = HTMINBUTTON,  // 8
    kCaptionMaximise = HTMAXBUTTON,  // 9
};

// The order of the buttons in KestDlgFrame::buttons.
enum CaptionButtonIndex : int {
    kCloseButton = 0,
    kMaximiseButton = 1,
    kRestoreButton = 2,
    kMinimiseButton = 3,
    kCaptionButtonCount = 4,
};

struct CaptionButton {
    BYTE shown = 0;
    BYTE hot = 0;
    BYTE disabled = 0;
    BYTE spare = 0;
    int action = 0;
};
