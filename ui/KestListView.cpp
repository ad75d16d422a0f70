#include "KestListView.h"

#include <commctrl.h>

#include "framework/dc.h"
#include "framework/gdi_objects.h"
#include "KestPalette.h"

namespace {

COLORREF StripeColour(int row) { return (row % 2 != 0) ? kListStripeOdd : kListStripeEven; }

// The flat scroll-bar calls are looked up at run time: not every import library of
// the common controls carries them.
void DisableFlatScrollBars(HWND list) {
    HMODULE comctl = ::GetModuleHandleA("comctl32.dll");
    if (!comctl) return;
    using InitializeFn = BOOL(WINAPI*)(HWND);
    using EnableFn = BOOL(WINAPI*)(HWND, int, UINT);
    auto initialize = reinterpret_cast<InitializeFn>(reinterpret_cast<void*>(::GetProcAddress(comctl, "InitializeFlatSB")));
    auto enable = reinterpret_cast<EnableFn>(reinterpret_cast<void*>(::GetProcAddress(comctl, "FlatSB_EnableScrollBar")));
    if (initialize) initialize(list);
    if (enable) enable(list, SB_BOTH, ESB_DISABLE_BOTH);
}

}  // namespace

void KestListView::PreSubclassWindow() {
    SetExtendedStyle(0, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    Post(kAttachHeaderMessage);
}

void KestListView::AttachScrollBars() {
    HWND list = hwnd();
    if (!list) return;
    DisableFlatScrollBars(list);
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_NOTIFY;
    RECT empty{};
    verticalBar_.CreateEx(0, "STATIC", "", style, empty, GetParent(), kScrollbarId);
    horizontalBar_.CreateEx(0, "STATIC", "", style, empty, GetParent(), kScrollbarId);
    verticalBar_.SetList(list);
    horizontalBar_.SetList(list);
    PositionScrollBars();
}

void KestListView::PositionScrollBars() {
    if (!verticalBar_.HasList() && !horizontalBar_.HasList()) return;
    RECT r = GetWindowRect();
    ::MapWindowPoints(nullptr, GetParent(), reinterpret_cast<POINT*>(&r), 2);
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    verticalBar_.SetWindowPos(nullptr, r.right, r.top, KestVerticleScrollbar_ListView::kWidth,
                              (r.bottom - r.top) + KestVerticleScrollbar_ListView::kWidth, flags);
    horizontalBar_.SetWindowPos(nullptr, r.left, r.bottom, (r.right - r.left) + 1,
                                KestHorizontalScrollbar_ListView::kHeight, flags);
    UpdateThumbs();
}

void KestListView::UpdateThumbs() {
    verticalBar_.UpdateThumb();
    horizontalBar_.UpdateThumb();
}

LRESULT KestListView::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case kAttachHeaderMessage:
        if (!header_.hwnd()) header_.SubclassWindow(GetHeader());
        header_.Invalidate();
        return 0;
    case WM_SIZE:
    case WM_MOVE: {
        LRESULT result = Default(msg, wp, lp);
        PositionScrollBars();
        return result;
    }
    case WM_NCCALCSIZE:
        // The list never shows its own scroll bars; the bitmap bars stand in for them.
        ModifyStyle(WS_VSCROLL | WS_HSCROLL, 0);
        return Default(msg, wp, lp);
    case WM_NCPAINT:
        PaintBorder();
        return 0;
    case WM_ERASEBKGND:
        PaintRowStripes(reinterpret_cast<HDC>(wp));
        UpdateThumbs();
        return TRUE;
    case WM_PAINT:
        UpdateThumbs();
        return Default(msg, wp, lp);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORMSGBOX:
        return reinterpret_cast<LRESULT>(::GetStockObject(HOLLOW_BRUSH));
    case WM_MOUSEWHEEL:
        MoveSelectionByWheel(GET_WHEEL_DELTA_WPARAM(wp));
        UpdateThumbs();
        return TRUE;
    }
    return fw::ListCtrlT<fw::Window>::WindowProc(msg, wp, lp);
}

bool KestListView::OnReflectedMessage(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
    if (msg == WM_NOTIFY) {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        if (hdr->code == static_cast<UINT>(NM_CUSTOMDRAW)) {
            result = OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lp));
            return true;
        }
    }
    return false;
}

LRESULT KestListView::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        int row = static_cast<int>(draw.nmcd.dwItemSpec);
        // A row never coloured gets its entry now, in black.
        draw.clrText = draw.iSubItem == statusColumn_ ? statusColours_[row] : kListText;
        draw.clrTextBk = StripeColour(row);
        return CDRF_DODEFAULT;
    }
    }
    return CDRF_DODEFAULT;
}

void KestListView::PaintBorder() {
    fw::WindowDC dc(hwnd());
    if (!dc) return;
    RECT r = GetWindowRect();
    ::OffsetRect(&r, -r.left, -r.top);
    fw::Brush border(::CreateSolidBrush(kListBorder));
    dc.FrameRect(r, border);
}

void KestListView::PaintRowStripes(HDC eraseDc) {
    fw::DC dc(eraseDc);
    RECT client = GetClientRect();
    dc.FillSolidRect(client, kListStripeOdd);

    int top = GetTopIndex();
    int last = top + GetCountPerPage() + 1;
    RECT row;
    if (!GetItemRect(top, &row, LVIR_BOUNDS)) return;
    int height = row.bottom - row.top;
    // Past the columns' right edge the erase context may not reach, so that strip is
    // painted on the list's own context.
    fw::ClientDC own(hwnd());
    for (int i = top; i <= last; ++i) {
        COLORREF colour = StripeColour(i);
        dc.FillSolidRect(row, colour);
        RECT rest{row.right, row.top, client.right, row.bottom};
        if (own && rest.right > rest.left) own.FillSolidRect(rest, colour);
        ::OffsetRect(&row, 0, height);
    }
}

void KestListView::MoveSelectionByWheel(int delta) {
    int selection = GetSelectionMark();
    int count = GetItemCount();
    if (delta >= 0) {
        if (selection > 0) --selection;
    } else {
        if (selection < count - 1) ++selection;
    }
    // With nothing selected and the wheel turned away, there is no row to select;
    // the platform would take row -1 to mean every row.
    if (selection < 0) return;
    SetSelectionMark(selection);
    SetItemState(selection, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    EnsureVisible(selection, true);
}
