// StaticT: the static control's messages.
#pragma once

#include "framework/window_handle.h"

namespace fw {

template <class Base>
class StaticT : public Base {
public:
    using Base::Base;
    HBITMAP SetBitmap(HBITMAP bitmap) const {
        return this->hwnd_ ? reinterpret_cast<HBITMAP>(this->Send(STM_SETIMAGE, IMAGE_BITMAP,
                                                                   reinterpret_cast<LPARAM>(bitmap)))
                           : nullptr;
    }
    HBITMAP GetBitmap() const {
        return this->hwnd_ ? reinterpret_cast<HBITMAP>(this->Send(STM_GETIMAGE, IMAGE_BITMAP)) : nullptr;
    }
    HICON SetIcon(HICON icon) const {
        return this->hwnd_ ? reinterpret_cast<HICON>(this->Send(STM_SETICON, reinterpret_cast<WPARAM>(icon)))
                           : nullptr;
    }
};

using Static = StaticT<WindowHandle>;

}  // namespace fw
