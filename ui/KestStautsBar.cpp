#include "KestStautsBar.h"

#include <commctrl.h>

#include "framework/dc.h"
#include "KestPalette.h"

namespace {

constexpr int kTextIndent = 2;

// Under a visual style the status bar ignores its background colour, so the style is
// taken off it. Without the theme library loaded there is no style to take off.
void UseClassicLook(HWND bar) {
    HMODULE uxtheme = ::GetModuleHandleA("uxtheme.dll");
    if (!uxtheme) return;
    using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
    auto setWindowTheme = reinterpret_cast<SetWindowThemeFn>(
        reinterpret_cast<void*>(::GetProcAddress(uxtheme, "SetWindowTheme")));
    // A blank (not empty) class list: it names no class, so no style applies.
    if (setWindowTheme) setWindowTheme(bar, L" ", L" ");
}

}  // namespace

bool KestStautsBar::Create(HWND parent) {
    RECT empty{};
    if (!CreateEx(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | CCS_BOTTOM, empty, parent, kStatusBarId))
        return false;
    UseClassicLook(hwnd());
    SetSimple(false);
    const int wholeWidth[] = {-1};
    SetParts(1, wholeWidth);
    SetText(0, "", SBT_OWNERDRAW | SBT_NOBORDERS);  // the system's sunken part border is light grey
    SetBkColor(kStatusBarBackground);
    text_ = "Ready..";

    RECT r = ProgressRect();
    progress_.CreateEx(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, r, hwnd(), kProgressId);
    progress_.SetBounds(0, 100);
    progress_.SetPosition(0);
    progress_.Invalidate();
    progress_.created = true;
    return true;
}

RECT KestStautsBar::ProgressRect() const {
    RECT r = GetWindowRect();
    ScreenToClient(&r);
    r.top += 3;
    r.bottom -= 1;
    r.right -= 1;
    r.left = r.right - kProgressWidth;
    return r;
}

LRESULT KestStautsBar::SetStatusText(const char* text) {
    text_ = text ? text : "";
    Invalidate();
    return 0;
}

LRESULT KestStautsBar::SetProgressPos(int pos) {
    progress_.SetPosition(pos);
    return 0;
}

LRESULT KestStautsBar::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SIZE && progress_.created) {
        RECT r = ProgressRect();
        progress_.MoveWindow(r.left, r.top, r.right - r.left, r.bottom - r.top, true);
    }
    return fw::StatusBarCtrlT<fw::Window>::WindowProc(msg, wp, lp);
}

bool KestStautsBar::OnReflectedMessage(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
    if (msg != WM_DRAWITEM) return false;
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
    result = TRUE;
    return true;
}

void KestStautsBar::DrawItem(const DRAWITEMSTRUCT& item) {
    fw::DC dc(item.hDC);
    RECT r = item.rcItem;
    r.left += kTextIndent;
    dc.SetTextColor(kStatusBarText);
    dc.SetBkColor(kStatusBarBackground);
    dc.DrawText(text_.c_str(), static_cast<int>(text_.size()), &r, DT_SINGLELINE | DT_VCENTER);
}
