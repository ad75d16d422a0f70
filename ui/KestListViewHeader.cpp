#include "KestListViewHeader.h"

#include "framework/dc.h"
#include "KestPalette.h"

namespace {
constexpr int kHeaderTextMax = 128;
constexpr int kItemInset = 2;
}  // namespace

KestListViewHeader::KestListViewHeader()
    : font_(::CreateFontA(12, 0, 0, 0, 0, FALSE, FALSE, FALSE, 0, 0, 0, 0, 0, "Sevenet 7")) {}

LRESULT KestListViewHeader::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND: {
        fw::DC dc(reinterpret_cast<HDC>(wp));
        dc.FillSolidRect(GetClientRect(), kHeaderFace);
        return TRUE;
    }
    }
    return fw::HeaderCtrlT<fw::Window>::WindowProc(msg, wp, lp);
}

void KestListViewHeader::Paint() {
    fw::PaintDC dc(hwnd());
    fw::SelectObjectGuard useFont(dc, font_);
    int count = GetItemCount();
    for (int i = 0; i < count; ++i) {
        RECT r;
        if (!GetItemRect(i, &r)) continue;
        dc.DrawEdge(r, EDGE_RAISED, BF_RIGHT);
        ::InflateRect(&r, -kItemInset, -kItemInset);

        char text[kHeaderTextMax + 1] = {};
        HDITEMA item{};
        item.mask = HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = kHeaderTextMax;
        GetItem(i, &item);

        dc.FillSolidRect(r, kHeaderFace);
        dc.SetTextColor(kHeaderText);
        dc.DrawText(text, -1, &r, DT_SINGLELINE | DT_END_ELLIPSIS);
    }
}
