// ListCtrlT: the list-view control's messages.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "framework/window_handle.h"

namespace fw {

template <class Base>
class ListCtrlT : public Base {
public:
    using Base::Base;
    int GetItemCount() const { return this->hwnd_ ? static_cast<int>(this->Send(LVM_GETITEMCOUNT)) : 0; }
    int GetTopIndex() const { return this->hwnd_ ? static_cast<int>(this->Send(LVM_GETTOPINDEX)) : 0; }
    int GetCountPerPage() const { return this->hwnd_ ? static_cast<int>(this->Send(LVM_GETCOUNTPERPAGE)) : 0; }
    // code is LVIR_BOUNDS, LVIR_LABEL, ...
    bool GetItemRect(int item, RECT* r, int code) const {
        if (!this->hwnd_ || !r) return false;
        r->left = code;
        return this->Send(LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(r)) != 0;
    }
    int GetSelectionMark() const { return this->hwnd_ ? static_cast<int>(this->Send(LVM_GETSELECTIONMARK)) : -1; }
    int SetSelectionMark(int item) const {
        return this->hwnd_ ? static_cast<int>(this->Send(LVM_SETSELECTIONMARK, 0, item)) : -1;
    }
    bool SetItemState(int item, UINT state, UINT mask) const {
        if (!this->hwnd_) return false;
        LVITEMA lvi{};
        lvi.state = state;
        lvi.stateMask = mask;
        return this->Send(LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&lvi)) != 0;
    }
    UINT GetItemState(int item, UINT mask) const {
        return this->hwnd_ ? static_cast<UINT>(this->Send(LVM_GETITEMSTATE, item, mask)) : 0;
    }
    bool EnsureVisible(int item, bool partialOk) const {
        return this->hwnd_ && this->Send(LVM_ENSUREVISIBLE, item, partialOk) != 0;
    }
    bool Scroll(int dx, int dy) const { return this->hwnd_ && this->Send(LVM_SCROLL, dx, dy) != 0; }
    DWORD SetExtendedStyle(DWORD mask, DWORD style) const {
        return this->hwnd_ ? static_cast<DWORD>(this->Send(LVM_SETEXTENDEDLISTVIEWSTYLE, mask, style)) : 0;
    }
    HWND GetHeader() const { return this->hwnd_ ? reinterpret_cast<HWND>(this->Send(LVM_GETHEADER)) : nullptr; }
    int InsertColumn(int index, const char* heading, int format, int width) const {
        if (!this->hwnd_) return -1;
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
        col.fmt = format;
        col.cx = width;
        col.pszText = const_cast<char*>(heading);
        return static_cast<int>(this->Send(LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&col)));
    }
    int InsertItem(int index, const char* text) const {
        if (!this->hwnd_) return -1;
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = index;
        item.pszText = const_cast<char*>(text);
        return static_cast<int>(this->Send(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    }
    bool SetItemText(int index, int subItem, const char* text) const {
        if (!this->hwnd_) return false;
        LVITEMA item{};
        item.iSubItem = subItem;
        item.pszText = const_cast<char*>(text);
        return this->Send(LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item)) != 0;
    }
    int GetItemText(int index, int subItem, char* buffer, int size) const {
        if (!this->hwnd_ || !buffer || size <= 0) return 0;
        LVITEMA item{};
        item.iSubItem = subItem;
        item.pszText = buffer;
        item.cchTextMax = size;
        return static_cast<int>(this->Send(LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item)));
    }
    bool DeleteAllItems() const { return this->hwnd_ && this->Send(LVM_DELETEALLITEMS) != 0; }
};

using ListCtrl = ListCtrlT<WindowHandle>;

}  // namespace fw
