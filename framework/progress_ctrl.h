// ProgressCtrlT: the progress control's messages.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "framework/window_handle.h"

namespace fw {

template <class Base>
class ProgressCtrlT : public Base {
public:
    using Base::Base;
    void SetRange32(int lower, int upper) const { if (this->hwnd_) this->Send(PBM_SETRANGE32, lower, upper); }
    void GetRange(PBRANGE* range) const { if (this->hwnd_) this->Send(PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(range)); }
    int SetPos(int pos) const { return this->hwnd_ ? static_cast<int>(this->Send(PBM_SETPOS, pos)) : 0; }
    int GetPos() const { return this->hwnd_ ? static_cast<int>(this->Send(PBM_GETPOS)) : 0; }
};

using ProgressCtrl = ProgressCtrlT<WindowHandle>;

}  // namespace fw
