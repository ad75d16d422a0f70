#include "KestMemDC.h"

KestMemDC::KestMemDC(HDC target, const RECT& rect) : fw::MemoryDC(target), target_(target), rect_(rect) {
    bitmap_.reset(::CreateCompatibleBitmap(target, rect.right - rect.left, rect.bottom - rect.top));
    if (dc_ && bitmap_) previousBitmap_ = ::SelectObject(dc_, bitmap_);
    // Painters draw in the target's coordinates wherever the area starts.
    if (dc_) ::SetWindowOrgEx(dc_, rect.left, rect.top, nullptr);
}

KestMemDC::~KestMemDC() {
    if (!dc_) return;
    if (!noFinalCopy_ && previousBitmap_)
        ::BitBlt(target_, rect_.left, rect_.top, rect_.right - rect_.left, rect_.bottom - rect_.top, dc_,
                 rect_.left, rect_.top, SRCCOPY);
    if (previousBitmap_) ::SelectObject(dc_, previousBitmap_);
}
