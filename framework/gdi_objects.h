// Owning wrappers for GDI objects and a guard that keeps one selected into a DC.
// A painter makes its pens and brushes as locals (they die with the paint); a control
// keeps its fonts and bitmaps as members (they die with the control).
#pragma once

#include <windows.h>

#include <utility>

namespace fw {

template <class Handle>
class GdiObject {
public:
    explicit GdiObject(Handle handle = nullptr) : handle_(handle) {}
    ~GdiObject() { reset(); }
    GdiObject(GdiObject&& other) noexcept : handle_(other.release()) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle get() const { return handle_; }
    operator Handle() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    void reset(Handle handle = nullptr) {
        if (handle_) ::DeleteObject(handle_);
        handle_ = handle;
    }
    Handle release() { return std::exchange(handle_, nullptr); }

private:
    Handle handle_;
};

using Brush = GdiObject<HBRUSH>;
using Pen = GdiObject<HPEN>;
using Font = GdiObject<HFONT>;
using Bitmap = GdiObject<HBITMAP>;
using Region = GdiObject<HRGN>;

// Selects obj into dc for the guard's lifetime; a null obj selects nothing, so a
// failed creation simply leaves the DC as it was.
class SelectObjectGuard {
public:
    SelectObjectGuard(HDC dc, HGDIOBJ obj)
        : dc_(dc), previous_(dc && obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~SelectObjectGuard() {
        if (previous_) ::SelectObject(dc_, previous_);
    }
    SelectObjectGuard(const SelectObjectGuard&) = delete;
    SelectObjectGuard& operator=(const SelectObjectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace fw
