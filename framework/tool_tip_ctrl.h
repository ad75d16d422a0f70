// ToolTipCtrlT: the tool-tip control's messages. Create makes the pop-up window for
// an owner window; tools are then added per control.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "framework/window_handle.h"

namespace fw {

template <class Base>
class ToolTipCtrlT : public Base {
public:
    using Base::Base;
    void AddTool(HWND owner, HWND tool, const char* text) const {
        if (!this->hwnd_) return;
        TOOLINFOA ti{};
        ti.cbSize = sizeof(ti);
        ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        ti.hwnd = owner;
        ti.uId = reinterpret_cast<UINT_PTR>(tool);
        ti.lpszText = const_cast<char*>(text);
        this->Send(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    }
    void Activate(bool active) const { if (this->hwnd_) this->Send(TTM_ACTIVATE, active); }
    int GetToolCount() const { return this->hwnd_ ? static_cast<int>(this->Send(TTM_GETTOOLCOUNT)) : 0; }
};

using ToolTipCtrl = ToolTipCtrlT<WindowHandle>;

}  // namespace fw
