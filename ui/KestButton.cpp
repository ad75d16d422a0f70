#include "KestButton.h"

#include "KestDraw.h"
#include "KestTheme.h"
#include "framework/gdi_objects.h"

void KestButton::PreSubclassWindow() { ModifyStyle(0, BS_OWNERDRAW); }

LRESULT KestButton::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ERASEBKGND) return TRUE;
    return fw::Window::WindowProc(msg, wp, lp);
}

bool KestButton::OnReflectedMessage(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
    if (msg != WM_DRAWITEM) return false;
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
    result = TRUE;
    return true;
}

void KestButton::DrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const GradientStyle& style = IsWindowEnabled() ? KestTheme.buttonFace : KestTheme.buttonFaceDisabled;
    DrawGradientBox(dc, item.rcItem, style.start, style.end, style.direction);
    ::SetTextColor(dc, style.text);
    RECT bevel = item.rcItem;
    ::DrawEdge(dc, &bevel, (item.itemState & ODS_SELECTED) ? EDGE_SUNKEN : BDR_RAISEDOUTER, BF_RECT);

    fw::SelectObjectGuard useFont(dc, reinterpret_cast<HFONT>(::SendMessageA(GetParent(), WM_GETFONT, 0, 0)));
    const int previousMode = ::SetBkMode(dc, TRANSPARENT);
    RECT textRect = item.rcItem;
    const std::string text = GetWindowText();
    ::DrawTextA(dc, text.c_str(), -1, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ::SetBkMode(dc, previousMode);
}
