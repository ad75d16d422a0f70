#include "KestHyperlink.h"

#include <shellapi.h>

#include "framework/dc.h"
#include "KestPalette.h"

namespace {
constexpr int kLinkFontHeight = 15;
constexpr int kLinkFontWeight = 100;
}  // namespace

KestHyperlink::KestHyperlink()
    : font_(::CreateFontA(kLinkFontHeight, 0, 0, 0, kLinkFontWeight, FALSE, TRUE, FALSE, 0, 0, 0, 0, 0,
                          "Tahoma")) {}

void KestHyperlink::PreSubclassWindow() {
    if (!cursor_) cursor_ = ::LoadCursor(nullptr, IDC_HAND);
}

LRESULT KestHyperlink::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_NCHITTEST:
        // A static is transparent to the mouse unless it says otherwise.
        return HTCLIENT;
    case WM_SETCURSOR:
        if (cursor_) {
            ::SetCursor(cursor_);
            return TRUE;
        }
        break;
    case WM_LBUTTONUP:
        OpenAddress();
        break;
    }
    return fw::StaticT<fw::Window>::WindowProc(msg, wp, lp);
}

void KestHyperlink::OpenAddress() {
    ::ShellExecuteA(nullptr, "open", address_.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void KestHyperlink::Paint() {
    fw::PaintDC dc(hwnd());
    fw::SelectObjectGuard useFont(dc, font_);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kLinkText);
    std::string text = GetWindowText();
    RECT r = GetClientRect();
    ::DrawTextExA(dc, &text[0], static_cast<int>(text.size()), &r, 0, nullptr);
}
