#include "Kest_CheckBox.h"

#include <windowsx.h>

#include "KestPalette.h"
#include "KestTheme.h"
#include "framework/gdi_objects.h"

Kest_CheckBox::Kest_CheckBox() : checkedColour_(kLampOn), uncheckedColour_(kLampOff) {}

void Kest_CheckBox::PreSubclassWindow() {
    styleBeforeAttach_ = GetStyle();
    ModifyStyle(BS_TYPEMASK, BS_OWNERDRAW, SWP_FRAMECHANGED);
}

LRESULT Kest_CheckBox::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case BM_SETCHECK:
        checked_ = (wp == BST_CHECKED || wp == BST_INDETERMINATE) ? 1 : 0;
        Invalidate();
        return 0;
    case BM_GETCHECK:
        return checked_;
    case WM_MOUSEMOVE:
        return OnMouseMove(wp, lp);
    case WM_MOUSELEAVE:
        hot_ = 0;
        Invalidate();
        return 0;
    }
    return fw::Window::WindowProc(msg, wp, lp);
}

bool Kest_CheckBox::OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
        checked_ = !checked_;
        Invalidate();
        return false;  // the parent still hears of the click
    }
    if (msg == WM_DRAWITEM) {
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
        result = TRUE;
        return true;
    }
    return false;
}

LRESULT Kest_CheckBox::OnMouseMove(WPARAM keys, LPARAM point) {
    POINT p{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    ClientToScreen(&p);
    HWND under = ::WindowFromPoint(p);
    // Dragging in from elsewhere with the button held does not light the control.
    if ((keys & MK_LBUTTON) && !hot_) return 0;
    if (under == hwnd()) {
        if (!hot_) {
            hot_ = 1;
            Invalidate();
            TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd(), 0};
            ::TrackMouseEvent(&track);
        }
    } else {
        hot_ = 0;
        Invalidate();
    }
    return Default(WM_MOUSEMOVE, keys, point);
}

void Kest_CheckBox::DrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const RECT& r = item.rcItem;
    disabled_ = (item.itemState & ODS_DISABLED) ? 1 : 0;
    focused_ = (item.itemState & ODS_FOCUS) ? 1 : 0;
    pressed_ = (item.itemState & ODS_SELECTED) ? 1 : 0;

    fw::Pen backgroundPen(::CreatePen(PS_SOLID, 1, KestTheme.windowBackground));
    fw::Brush backgroundBrush(::CreateSolidBrush(KestTheme.windowBackground));
    {
        fw::SelectObjectGuard usePen(dc, backgroundPen);
        fw::SelectObjectGuard useBrush(dc, backgroundBrush);
        ::Rectangle(dc, r.left, r.top, r.right, r.bottom);
    }
    ::SetBkMode(dc, TRANSPARENT);

    // The lamp's top is measured from 0, not from the item's top.
    RECT lamp{r.left, (r.bottom - r.top - diameter_) / 2 + 2, r.left + diameter_, 0};
    lamp.bottom = lamp.top + diameter_;
    if (pressed_) ::OffsetRect(&lamp, 1, 1);
    const COLORREF lampColour =
        disabled_ ? ::GetSysColor(COLOR_BTNSHADOW) : (checked_ ? checkedColour_ : uncheckedColour_);
    fw::Pen outline(::CreatePen(PS_SOLID, 1, kLampOutline));
    fw::Brush fill(::CreateSolidBrush(lampColour));
    {
        fw::SelectObjectGuard usePen(dc, outline);
        fw::SelectObjectGuard useBrush(dc, fill);
        ::Ellipse(dc, lamp.left, lamp.top, lamp.right, lamp.bottom);
    }

    const std::string text = GetWindowText();
    if (text.empty()) return;
    const RECT area{r.left + diameter_ + 3, r.top, r.right, r.bottom};
    RECT label = area;
    ::DrawTextA(dc, text.c_str(), -1, &label, DT_CALCRECT | DT_SINGLELINE | DT_VCENTER);
    const int dx = ((area.right - area.left) - (label.right - label.left)) / 2;
    const int dy = ((area.bottom - area.top) - (label.bottom - label.top)) / 2 + 2;
    ::OffsetRect(&label, dx, dy);
    if (pressed_) ::OffsetRect(&label, 1, 1);
    ::SetTextColor(dc, disabled_ ? ::GetSysColor(COLOR_BTNHIGHLIGHT)
                                 : ((hot_ || pressed_) ? kCheckLabelHot : kCheckLabel));
    ::DrawTextA(dc, text.c_str(), -1, &label, DT_SINGLELINE | DT_VCENTER);
}
