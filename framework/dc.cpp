#include "framework/dc.h"

namespace fw {

void DC::FillSolidRect(const RECT& r, COLORREF colour) const {
    ::SetBkColor(dc_, colour);
    ::ExtTextOutA(dc_, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

}  // namespace fw
