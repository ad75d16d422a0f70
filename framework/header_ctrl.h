// HeaderCtrlT: the header control's messages.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "framework/window_handle.h"

namespace fw {

template <class Base>
class HeaderCtrlT : public Base {
public:
    using Base::Base;
    int GetItemCount() const { return this->hwnd_ ? static_cast<int>(this->Send(HDM_GETITEMCOUNT)) : 0; }
    bool GetItemRect(int index, RECT* r) const {
        return this->hwnd_ && this->Send(HDM_GETITEMRECT, index, reinterpret_cast<LPARAM>(r)) != 0;
    }
    bool GetItem(int index, HDITEMA* item) const {
        return this->hwnd_ && this->Send(HDM_GETITEMA, index, reinterpret_cast<LPARAM>(item)) != 0;
    }
};

using HeaderCtrl = HeaderCtrlT<WindowHandle>;

}  // namespace fw
