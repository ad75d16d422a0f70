// StatusBarCtrlT: the status bar's messages.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "framework/window_handle.h"

namespace fw {

template <class Base>
class StatusBarCtrlT : public Base {
public:
    using Base::Base;
    void SetSimple(bool simple) const { if (this->hwnd_) this->Send(SB_SIMPLE, simple); }
    bool SetParts(int count, const int* rightEdges) const {
        return this->hwnd_ && this->Send(SB_SETPARTS, count, reinterpret_cast<LPARAM>(rightEdges)) != 0;
    }
    // type is 0, SBT_OWNERDRAW, SBT_NOBORDERS, ...; for SBT_OWNERDRAW text is the item data.
    bool SetText(int part, const char* text, UINT type = 0) const {
        return this->hwnd_ && this->Send(SB_SETTEXTA, part | type, reinterpret_cast<LPARAM>(text)) != 0;
    }
    COLORREF SetBkColor(COLORREF colour) const {
        return this->hwnd_ ? static_cast<COLORREF>(this->Send(SB_SETBKCOLOR, 0, colour)) : 0;
    }
    bool GetRect(int part, RECT* r) const {
        return this->hwnd_ && this->Send(SB_GETRECT, part, reinterpret_cast<LPARAM>(r)) != 0;
    }
};

using StatusBarCtrl = StatusBarCtrlT<WindowHandle>;

}  // namespace fw
