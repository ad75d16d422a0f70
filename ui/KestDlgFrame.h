// KestDlgFrame: the state of a themed dialog's own frame (caption, borders, rim,
// caption buttons) with its painter, its hit test and the caption-button geometry.
// KestDlg owns one and routes the non-client messages to it.
#pragma once

#include <windows.h>

#include <string>

#include "CaptionButton.h"

class KestDlg;
class KestMemDC;

// Sent by the frame to its own dialog: repaint only the caption buttons.
constexpr UINT WM_KEST_REDRAWBUTTONS = WM_USER + 20;

class KestDlgFrame {
public:
    explicit KestDlgFrame(KestDlg* owner);

    // The whole frame, painted off-screen and copied as four strips (WM_NCPAINT).
    void PaintFrame(HWND hwnd);
    // Only the caption buttons, straight onto the window (WM_KEST_REDRAWBUTTONS).
    void PaintButtonsOnly(HWND hwnd);
    // WM_NCHITTEST; returns false when the system's default hit test should decide.
    bool HitTest(HWND hwnd, POINT screen, LRESULT* code);
    // The first shown caption button under the screen point (only enabled ones
    // unless includeDisabled), or -1.
    int ButtonAt(HWND hwnd, POINT screen, bool includeDisabled = false) const;
    // The box of button index in a window of width windowWidth; false when not shown.
    bool ButtonBox(int index, int windowWidth, RECT* box) const;
    int ShownButtonCount() const;

    KestDlg* owner;
    BYTE firstShown = 0;
    BYTE themed = 1;
    BYTE subclassed = 0;
    HICON icon = nullptr;
    std::string title;
    HWND window = nullptr;
    HDC windowDC = nullptr;
    KestMemDC* buffer = nullptr;
    BYTE maximised = 0;
    RECT savedRect{};
    int minTrackWidth = 150;
    int minTrackHeight = 150;
    int active = 0;
    int width = 0;
    int buttonStyle = 0;
    CaptionButton buttons[kCaptionButtonCount];

private:
    void PaintButtons(HDC dc, int windowWidth);
    void PaintButton(HDC dc, int index, const RECT& box);
};
