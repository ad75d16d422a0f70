#include "KestLogText.h"

#include "KestPalette.h"
#include "framework/dc.h"
#include "framework/gdi_objects.h"

namespace {
// Any id but a template's: the bar sends nothing to its parent.
constexpr UINT kScrollbarId = 0xFFFF;
}  // namespace

void KestEditScrollbar::FollowDraggedThumb() {
    scale_ = static_cast<double>(Length() - ThumbTrackReserve()) / ScrollLimit();
    if (scale_ == 0.0) return;  // a bar no longer than its arrows maps nothing
    const int target = static_cast<int>((thumbPos_ - kThumbStart) / scale_);
    ::SendMessageA(list_, EM_LINESCROLL, 0, target - ScrollPos());
}

bool KestLogText::Attach(HWND edit) {
    if (!SubclassWindow(edit)) return false;
    const HWND parent = GetParent();
    RECT r = GetWindowRect();
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    MoveWindow(r.left, r.top, r.right - r.left - KestEditScrollbar::kWidth, r.bottom - r.top);
    bar_.CreateEx(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_NOTIFY, RECT{}, parent, kScrollbarId);
    bar_.SetList(edit);
    // The edit's own bar goes now; the next frame calculation sees to that.
    ModifyStyle(WS_VSCROLL, 0, SWP_FRAMECHANGED);
    PlaceScrollbar();
    return true;
}

void KestLogText::PlaceScrollbar() {
    if (!bar_.hwnd()) return;
    RECT r = GetWindowRect();
    ::MapWindowPoints(nullptr, GetParent(), reinterpret_cast<POINT*>(&r), 2);
    bar_.SetWindowPos(nullptr, r.right, r.top, KestEditScrollbar::kWidth, r.bottom - r.top,
                      SWP_NOZORDER | SWP_NOACTIVATE);
    bar_.UpdateThumb();
}

void KestLogText::PaintBorder() {
    // The dialog manager gives the edit the system's sunken edge, white along two
    // sides: the whole band around the text is painted dark, ringed like the job list.
    fw::WindowDC dc(hwnd());
    if (!dc) return;
    const RECT window = GetWindowRect();
    POINT origin{0, 0};
    ClientToScreen(&origin);
    const RECT client = GetClientRect();
    const int left = origin.x - window.left, top = origin.y - window.top;
    ::ExcludeClipRect(dc, left, top, left + client.right, top + client.bottom);
    const RECT all{0, 0, window.right - window.left, window.bottom - window.top};
    dc.FillSolidRect(all, kLogBackground);
    fw::Brush ring(::CreateSolidBrush(kListBorder));
    dc.FrameRect(all, ring);
}

LRESULT KestLogText::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_NCPAINT:
        PaintBorder();
        return 0;
    case WM_NCCALCSIZE:
        // The edit shows its scroll bar again whenever its range changes.
        ModifyStyle(WS_VSCROLL, 0);
        return Default(msg, wp, lp);
    case WM_SIZE:
    case WM_MOVE: {
        const LRESULT result = Default(msg, wp, lp);
        PlaceScrollbar();
        return result;
    }
    case WM_PAINT:
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
    case WM_KEYDOWN:
    case EM_LINESCROLL:
    case EM_SCROLLCARET:
    case WM_SETTEXT: {
        // Whatever may have scrolled the text moves the thumb after it.
        const LRESULT result = Default(msg, wp, lp);
        bar_.UpdateThumb();
        return result;
    }
    }
    return fw::Window::WindowProc(msg, wp, lp);
}
