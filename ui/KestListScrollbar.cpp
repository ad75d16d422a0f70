#include "KestListScrollbar.h"

#include <windowsx.h>

#include <algorithm>

#include "framework/application.h"
#include "framework/dc.h"
#include "KestMemDC.h"

HBITMAP LoadScrollbarPiece(UINT resourceId) {
    return ::LoadBitmapA(fw::Application::ResourceInstance(), MAKEINTRESOURCEA(resourceId));
}

void BlitScrollbarPiece(HDC target, HDC pieces, HBITMAP piece, int x, int y, int w, int h) {
    if (!piece) return;
    fw::SelectObjectGuard use(pieces, piece);
    ::BitBlt(target, x, y, w, h, pieces, 0, 0, SRCCOPY);
}

bool PointWithin(POINT pt, int left, int top, int right, int bottom) {
    return pt.x >= left && pt.x < right && pt.y >= top && pt.y < bottom;
}

int KestListScrollbar::ScrollLimit() const {
    if (!list_) return 0;
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_PAGE;
    if (!::GetScrollInfo(list_, bar_, &si)) return 0;
    int limit = si.nMax - std::max(static_cast<int>(si.nPage) - 1, 0);
    // The platform keeps the page within the range, so a short list comes out at 0;
    // anything below is treated the same way rather than as a negative range.
    return std::max(limit, 0);
}

int KestListScrollbar::ScrollPos() const { return list_ ? ::GetScrollPos(list_, bar_) : 0; }

void KestListScrollbar::SendScroll(int code) const {
    if (list_) ::SendMessageA(list_, bar_ == SB_HORZ ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(code, 0), 0);
}

void KestListScrollbar::ClampThumb() {
    int length = Length();
    int farEnd = FarArrowEnd();
    if (thumbPos_ + kThumbLength > length - farEnd) thumbPos_ = length - farEnd - kThumbStart;
    if (thumbPos_ < kThumbStart) thumbPos_ = kThumbStart;
}

void KestListScrollbar::UpdateThumb() {
    if (!hwnd()) return;
    int limit = ScrollLimit();
    // With nothing to scroll the thumb is hidden and the scale means nothing.
    if (limit != 0) {
        scale_ = static_cast<double>(Length() - ThumbTrackReserve()) / limit;
        thumbPos_ = static_cast<int>(scale_ * ScrollPos()) + kThumbStart;
    }
    ClampThumb();
    Invalidate(false);
}

LRESULT KestListScrollbar::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    switch (msg) {
    case WM_PAINT:
        Paint();
        break;
    case WM_LBUTTONDOWN:
        OnButtonDown(pt);
        break;
    case WM_LBUTTONUP:
        OnButtonUp(pt);
        break;
    case WM_MOUSEMOVE:
        OnMouseMove(pt);
        break;
    case WM_TIMER:
        OnTimer(wp);
        break;
    case WM_CAPTURECHANGED:
        // Alt+Tab, a box popping up or another window taking the mouse ends the press.
        EndPress();
        break;
    case WM_CANCELMODE:
        EndPress();
        if (::GetCapture() == hwnd()) ::ReleaseCapture();
        break;
    }
    return fw::StaticT<fw::Window>::WindowProc(msg, wp, lp);
}

void KestListScrollbar::Paint() {
    fw::PaintDC dc(hwnd());
    RECT client = GetClientRect();
    if (client.right <= 0 || client.bottom <= 0) return;
    KestMemDC buffer(dc, client);
    fw::MemoryDC pieces(dc);
    PaintPieces(buffer, pieces, client.right, client.bottom, ScrollLimit() != 0);
}

void KestListScrollbar::OnButtonDown(POINT pt) {
    ::SetCapture(hwnd());
    pressed_ = true;
    int arrow = ArrowAtPress(pt);
    if (arrow != 0) {
        (arrow == 1 ? firstArrow_ : secondArrow_) = true;
        ::SetTimer(hwnd(), kFirstDelayTimer, kFirstDelayMs, nullptr);
    } else if (ScrollLimit() != 0 && OnThumb(pt)) {
        // Only a painted thumb can be taken hold of.
        thumbGrabbed_ = true;
    }
}

void KestListScrollbar::OnTimer(UINT_PTR id) {
    if (id == kFirstDelayTimer) {
        ::KillTimer(hwnd(), kFirstDelayTimer);
        if (HeldArrow() != 0) ::SetTimer(hwnd(), kRepeatTimer, kRepeatMs, nullptr);
    } else if (id == kRepeatTimer) {
        int arrow = HeldArrow();
        if (arrow == 0) {
            ::KillTimer(hwnd(), kRepeatTimer);
            return;
        }
        SendScroll(LineStep(arrow));
        UpdateThumb();
    }
}

void KestListScrollbar::OnButtonUp(POINT pt) {
    // A release whose press the bar lost (or never saw) is not a click.
    if (!pressed_) return;
    UpdateThumb();
    // The first delay is stopped too: a press shorter than it must not leave it running.
    ::KillTimer(hwnd(), kRepeatTimer);
    ::KillTimer(hwnd(), kFirstDelayTimer);

    int arrow = ArrowAtRelease(pt);
    if (arrow != 0) {
        SendScroll(LineStep(arrow));
        UpdateThumb();
    } else if (!OnThumb(pt) && !thumbGrabbed_) {
        SendScroll(PageStep(Along(pt) <= thumbPos_));
        UpdateThumb();
    }
    EndPress();
    // Last, as releasing the capture sends WM_CAPTURECHANGED, which ends the press.
    if (::GetCapture() == hwnd()) ::ReleaseCapture();
}

void KestListScrollbar::EndPress() {
    ::KillTimer(hwnd(), kRepeatTimer);
    ::KillTimer(hwnd(), kFirstDelayTimer);
    pressed_ = firstArrow_ = secondArrow_ = thumbMoved_ = thumbGrabbed_ = false;
}

void KestListScrollbar::OnMouseMove(POINT pt) {
    if (!thumbGrabbed_) return;
    thumbMoved_ = true;
    thumbPos_ = Along(pt) - kThumbLength / 2;
    // A bar with nothing to scroll has no scale to follow.
    if (ScrollLimit() != 0) FollowDraggedThumb();
    ClampThumb();
    Invalidate(false);
}
