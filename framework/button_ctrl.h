// ButtonT: the button control's messages. Use fw::Button on a bare handle, or derive
// a window class from ButtonT<fw::Window> to own a subclassed button.
#pragma once

#include "framework/window_handle.h"

namespace fw {

template <class Base>
class ButtonT : public Base {
public:
    using Base::Base;
    int GetCheck() const { return this->hwnd_ ? static_cast<int>(this->Send(BM_GETCHECK)) : 0; }
    void SetCheck(int state) const { if (this->hwnd_) this->Send(BM_SETCHECK, state); }
    UINT GetState() const { return this->hwnd_ ? static_cast<UINT>(this->Send(BM_GETSTATE)) : 0; }
    void SetState(bool highlight) const { if (this->hwnd_) this->Send(BM_SETSTATE, highlight); }
    void SetButtonStyle(UINT style, bool redraw = true) const {
        if (this->hwnd_) this->Send(BM_SETSTYLE, style, redraw);
    }
    void Click() const { if (this->hwnd_) this->Send(BM_CLICK); }
};

using Button = ButtonT<WindowHandle>;

}  // namespace fw
