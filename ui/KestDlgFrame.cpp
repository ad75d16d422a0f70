#include "KestDlgFrame.h"

#include "KestDraw.h"
#include "KestMemDC.h"
#include "KestPalette.h"
#include "KestTheme.h"
#include "framework/dc.h"
#include "framework/gdi_objects.h"

namespace {

constexpr int kButtonWidth = 14;
constexpr int kButtonHeight = 13;
constexpr int kButtonTop = 3;
constexpr int kFirstButtonFromRight = 25;
constexpr int kButtonPitch = 19;
constexpr int kIconSize = 16;

// Hit bands of a caption button box, relative to the window's top-left corner.
constexpr int kButtonHitTop = 2;
constexpr int kButtonHitBottom = 16;

POINT WindowRelative(HWND hwnd, POINT screen, RECT* windowRect) {
    ::GetWindowRect(hwnd, windowRect);
    return POINT{screen.x - windowRect->left, screen.y - windowRect->top};
}

bool InButtonBand(const RECT& box, POINT p) {
    return p.x >= box.left - 1 && p.x <= box.left + kButtonWidth && p.y >= kButtonHitTop &&
           p.y <= kButtonHitBottom;
}

}  // namespace

KestDlgFrame::KestDlgFrame(KestDlg* ownerDialog) : owner(ownerDialog) {
    buttons[kCloseButton].action = kCaptionClose;
    buttons[kMaximiseButton].action = kCaptionMaximise;
    buttons[kRestoreButton].action = kCaptionRestore;
    buttons[kMinimiseButton].action = kCaptionMinimise;
}

int KestDlgFrame::ShownButtonCount() const {
    int n = 0;
    for (const auto& b : buttons) n += b.shown ? 1 : 0;
    return n;
}

bool KestDlgFrame::ButtonBox(int index, int windowWidth, RECT* box) const {
    if (!buttons[index].shown) return false;
    int placed = 0;
    for (int i = 0; i < index; ++i) placed += buttons[i].shown ? 1 : 0;
    const int x = windowWidth - kFirstButtonFromRight - kButtonPitch * placed;
    *box = RECT{x, kButtonTop, x + kButtonWidth, kButtonTop + kButtonHeight};
    return true;
}

int KestDlgFrame::ButtonAt(HWND hwnd, POINT screen, bool includeDisabled) const {
    RECT wr;
    POINT p = WindowRelative(hwnd, screen, &wr);
    for (int i = 0; i < kCaptionButtonCount; ++i) {
        RECT box;
        if (ButtonBox(i, wr.right - wr.left, &box) && (includeDisabled || !buttons[i].disabled) &&
            InButtonBand(box, p))
            return i;
    }
    return -1;
}

bool KestDlgFrame::HitTest(HWND hwnd, POINT screen, LRESULT* code) {
    RECT wr;
    const POINT p = WindowRelative(hwnd, screen, &wr);
    const int W = wr.right - wr.left, H = wr.bottom - wr.top;
    const KestThemeValues& t = KestTheme;

    if (p.x >= t.borderWidth - 1 && p.x <= W - t.borderWidth && p.y >= t.captionTop + t.captionHeight - 1 &&
        p.y <= H - t.borderWidth) {
        *code = HTCLIENT;
        return true;
    }
    // Every button is visited, so the one the cursor left is cleared even when it
    // comes after the one it entered.
    int found = -1;
    for (int i = 0; i < kCaptionButtonCount; ++i) {
        RECT box;
        if (!ButtonBox(i, W, &box)) continue;
        CaptionButton& b = buttons[i];
        if (found < 0 && InButtonBand(box, p)) {
            found = i;
            if (!b.hot) {
                b.hot = 1;
                ::SendMessageA(hwnd, WM_KEST_REDRAWBUTTONS, 0, 0);
            }
        } else if (b.hot) {
            b.hot = 0;
            ::SendMessageA(hwnd, WM_KEST_REDRAWBUTTONS, 0, 0);
        }
    }
    if (found >= 0) {
        *code = buttons[found].action;
        return true;
    }
    if (p.x >= -1 && p.x <= W && p.y >= t.captionTop + 2 && p.y <= t.captionTop + t.captionHeight + t.borderWidth) {
        *code = HTCAPTION;
        return true;
    }
    return false;
}

void KestDlgFrame::PaintFrame(HWND hwnd) {
    char text[256] = {};
    ::GetWindowTextA(hwnd, text, sizeof text);
    title = text;
    window = hwnd;
    fw::WindowDC dc(hwnd);
    if (!dc) return;
    windowDC = dc;

    RECT wr;
    ::GetWindowRect(hwnd, &wr);
    const int W = wr.right - wr.left, H = wr.bottom - wr.top;
    width = W;
    const KestThemeValues& t = KestTheme;
    const FrameColours& c = active == 1 ? t.frameActive : t.frameInactive;
    const int bw = t.borderWidth, ch = t.captionHeight;

    {
        KestMemDC mem(dc, RECT{0, 0, W, H});
        buffer = &mem;
        DrawGradientBox(mem, 0, 0, W, bw + ch - 1, c.c0, c.c1, kGradientHorizontal);
        DrawGradientBox(mem, 0, 0, bw - 1, H, c.c0, c.c2, kGradientVertical);
        DrawGradientBox(mem, W - bw, 0, W, H, c.c1, c.c3, kGradientVertical);
        DrawGradientBox(mem, 0, H - bw, W, H, c.c2, c.c3, kGradientHorizontal);
        {
            fw::Pen noPen(::CreatePen(PS_NULL, 1, 0));
            fw::Brush highlight(::CreateSolidBrush(kCaptionHighlight));
            fw::SelectObjectGuard usePen(mem, noPen);
            fw::SelectObjectGuard useBrush(mem, highlight);
            mem.Rectangle(5, 0, W - 4, 2);
        }
        if (t.drawClientRim) {
            FillSolidBox(mem, bw, bw + ch - 1, W - 2 * bw, 1, t.rimDark);
            FillSolidBox(mem, bw - 1, bw + ch, 1, H - ch - 2 * bw, t.rimDark);
            FillSolidBox(mem, W - bw, bw + ch, 1, H - ch - 2 * bw, t.rimLight);
            FillSolidBox(mem, bw, H - bw, W - 2 * bw, 1, t.rimLight);
        }
        if (icon) mem.DrawIconEx(7, t.captionTop + 5, icon, kIconSize, kIconSize);
        {
            fw::SelectObjectGuard useFont(mem, CaptionFont);
            mem.SetBkMode(TRANSPARENT);
            mem.SetTextColor(t.captionText);
            RECT titleRect = {25, t.captionTop + 3, W - 20 * ShownButtonCount() - 10, t.captionTop + 19};
            mem.DrawText(title.c_str(), -1, &titleRect, DT_SINGLELINE);
            mem.SetBkMode(OPAQUE);
        }
        PaintButtons(mem, W);

        // Only the frame strips go to the window: the client area is never overwritten.
        dc.BitBlt(0, 0, W, bw + ch, mem, 0, 0, SRCCOPY);
        dc.BitBlt(0, 0, bw, H, mem, 0, 0, SRCCOPY);
        dc.BitBlt(W - bw, 0, bw, H, mem, W - bw, 0, SRCCOPY);
        dc.BitBlt(0, H - bw, W, bw, mem, 0, H - bw, SRCCOPY);
        mem.SetNoFinalCopy(true);
        buffer = nullptr;
    }
    windowDC = nullptr;
}

void KestDlgFrame::PaintButtonsOnly(HWND hwnd) {
    fw::WindowDC dc(hwnd);
    if (!dc) return;
    RECT wr;
    ::GetWindowRect(hwnd, &wr);
    PaintButtons(dc, wr.right - wr.left);
}

void KestDlgFrame::PaintButtons(HDC dc, int windowWidth) {
    if (buttonStyle == 0) return;
    for (int i = 0; i < kCaptionButtonCount; ++i) {
        RECT box;
        if (ButtonBox(i, windowWidth, &box)) PaintButton(dc, i, box);
    }
}

void KestDlgFrame::PaintButton(HDC dc, int index, const RECT& box) {
    CaptionButton& b = buttons[index];
    if (b.disabled) b.hot = 0;  // a disabled button never looks hot
    const int x = box.left, y = box.top;
    COLORREF top = b.disabled ? kCaptionButtonDisabledTop : kCaptionButtonTop;
    COLORREF bottom = b.disabled ? kCaptionButtonDisabledBottom
                                 : (b.hot ? kCaptionButtonBottomHot : kCaptionButtonBottomCold);
    DrawGradientBox(dc, x, y, kButtonWidth, kButtonHeight, ThemeColour16From(top), ThemeColour16From(bottom),
                    kGradientVertical);

    // Raised when hot, sunken when not.
    const COLORREF lit = b.hot ? kCaptionButtonBevelLight : kCaptionButtonBevelDark;
    const COLORREF shade = b.hot ? kCaptionButtonBevelDark : kCaptionButtonBevelLight;
    FillSolidBox(dc, x - 1, y - 1, 1, 15, lit);
    FillSolidBox(dc, x, 2, 15, 1, lit);
    FillSolidBox(dc, x - 1, y + 14, 17, 1, shade);
    FillSolidBox(dc, x + 15, y - 1, 1, 15, shade);

    fw::Pen pen(::CreatePen(PS_SOLID, 1, kCaptionButtonGlyph));
    fw::SelectObjectGuard usePen(dc, pen);
    fw::SelectObjectGuard hollow(dc, ::GetStockObject(HOLLOW_BRUSH));
    switch (b.action) {
    case kCaptionClose:
        ::MoveToEx(dc, x + 3, y + 2, nullptr);
        ::LineTo(dc, x + 12, y + 11);
        ::MoveToEx(dc, x + 11, y + 2, nullptr);
        ::LineTo(dc, x + 2, y + 11);
        break;
    case kCaptionMaximise:
        ::Rectangle(dc, x + 3, y + 3, x + 12, y + 11);
        ::Rectangle(dc, x + 3, y + 2, x + 12, y + 3);
        break;
    case kCaptionMinimise:
        ::Rectangle(dc, x + 3, y + 10, x + 12, y + 11);
        break;
    default:  // restore: background and bevel only
        break;
    }
}
