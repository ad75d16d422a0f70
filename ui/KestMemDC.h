// KestMemDC: an off-screen surface for flicker-free painting. Draw into it, and
// when it goes out of scope the area is copied to the target in one go, unless the
// painter copied what it needed itself and set the no-final-copy flag.
#pragma once

#include <windows.h>

#include "framework/dc.h"
#include "framework/gdi_objects.h"

// The surface is the only handle: every drawing call lands in memory.
class KestMemDC : public fw::MemoryDC {
public:
    KestMemDC(HDC target, const RECT& rect);
    ~KestMemDC() override;

    void SetNoFinalCopy(bool noFinalCopy) { noFinalCopy_ = noFinalCopy; }
    bool NoFinalCopy() const { return noFinalCopy_; }
    const RECT& Rect() const { return rect_; }

private:
    fw::Bitmap bitmap_;
    HGDIOBJ previousBitmap_ = nullptr;
    HDC target_;
    RECT rect_;
    bool noFinalCopy_ = false;
};
