#include "KestProgress.h"

#include "framework/dc.h"
#include "framework/gdi_objects.h"
#include "KestPalette.h"
#include "KestDraw.h"
#include "KestMemDC.h"

KestProgress::KestProgress() : bottomColour_(ProgressFillBottom()), topColour_(ProgressFillTop()) {}

bool KestProgress::SetPosition(int pos) {
    if (pos < lower_ || pos > upper_) return false;
    position_ = pos;
    Invalidate();
    return true;
}

int KestProgress::Percent() const {
    // Equal bounds have no fraction to show; the bar then stays empty.
    if (upper_ == lower_) return 0;
    return static_cast<int>(static_cast<double>(position_ - lower_) / (upper_ - lower_) * 100.0);
}

std::string KestProgress::PercentText() const {
    if (position_ == 0) return std::string();
    return std::to_string(Percent()) + "%";
}

int KestProgress::FillEdge(int clientRight) const {
    int percent = Percent();
    return percent == 0 ? 0 : (clientRight * percent) / 100;
}

LRESULT KestProgress::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return TRUE;
    }
    return fw::ProgressCtrlT<fw::Window>::WindowProc(msg, wp, lp);
}

void KestProgress::Paint() {
    fw::PaintDC paint(hwnd());
    RECT r = GetClientRect();
    if (r.right <= r.left || r.bottom <= r.top) return;
    KestMemDC dc(paint, r);
    dc.FillSolidRect(r, kProgressBackground);

    int fill = FillEdge(r.right);
    if (fill - r.left == 0) return;
    RECT gradient{0, 0, fill - r.left + 1, r.bottom - r.top + 1};
    DrawGradientBox(dc, gradient, topColour_, bottomColour_, kGradientVertical);

    // The text takes the font of the bar it sits in.
    HWND parent = GetParent();
    HFONT font = parent ? reinterpret_cast<HFONT>(::SendMessageA(parent, WM_GETFONT, 0, 0)) : nullptr;
    fw::SelectObjectGuard useFont(dc, font ? font : ::GetStockObject(DEFAULT_GUI_FONT));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kProgressText);
    std::string text = PercentText();
    dc.DrawText(text.c_str(), static_cast<int>(text.size()), &r,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_EXPANDTABS | DT_NOPREFIX);
}
