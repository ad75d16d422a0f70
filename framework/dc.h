// Device contexts: DC is a non-owning view with the drawing calls painters use;
// PaintDC, WindowDC, ClientDC and MemoryDC own their context and give it back.
#pragma once

#include <windows.h>

namespace fw {

class DC {
public:
    explicit DC(HDC dc = nullptr) : dc_(dc) {}
    virtual ~DC() = default;
    DC(const DC&) = delete;
    DC& operator=(const DC&) = delete;

    HDC hdc() const { return dc_; }
    operator HDC() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

    HGDIOBJ SelectObject(HGDIOBJ obj) const { return ::SelectObject(dc_, obj); }
    COLORREF SetTextColor(COLORREF colour) const { return ::SetTextColor(dc_, colour); }
    COLORREF SetBkColor(COLORREF colour) const { return ::SetBkColor(dc_, colour); }
    int SetBkMode(int mode) const { return ::SetBkMode(dc_, mode); }

    // Fills r with one colour without any brush (the background colour is changed).
    void FillSolidRect(const RECT& r, COLORREF colour) const;
    void FillRect(const RECT& r, HBRUSH brush) const { ::FillRect(dc_, &r, brush); }
    void FrameRect(const RECT& r, HBRUSH brush) const { ::FrameRect(dc_, &r, brush); }
    bool Rectangle(int l, int t, int r, int b) const { return ::Rectangle(dc_, l, t, r, b) != FALSE; }
    bool Ellipse(int l, int t, int r, int b) const { return ::Ellipse(dc_, l, t, r, b) != FALSE; }
    void MoveTo(int x, int y) const { ::MoveToEx(dc_, x, y, nullptr); }
    void LineTo(int x, int y) const { ::LineTo(dc_, x, y); }
    bool DrawEdge(RECT r, UINT edge, UINT flags) const { return ::DrawEdge(dc_, &r, edge, flags) != FALSE; }
    int DrawText(const char* text, int length, RECT* r, UINT format) const {
        return ::DrawTextA(dc_, text, length, r, format);
    }
    bool BitBlt(int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop) const {
        return ::BitBlt(dc_, x, y, w, h, src, sx, sy, rop) != FALSE;
    }
    bool StretchBlt(int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, DWORD rop) const {
        return ::StretchBlt(dc_, x, y, w, h, src, sx, sy, sw, sh, rop) != FALSE;
    }
    bool DrawIconEx(int x, int y, HICON icon, int w, int h) const {
        return ::DrawIconEx(dc_, x, y, icon, w, h, 0, nullptr, DI_NORMAL) != FALSE;
    }

protected:
    HDC dc_;
};

// BeginPaint / EndPaint for one WM_PAINT.
class PaintDC : public DC {
public:
    explicit PaintDC(HWND hwnd) : hwnd_(hwnd) { dc_ = ::BeginPaint(hwnd, &ps_); }
    ~PaintDC() override { ::EndPaint(hwnd_, &ps_); }
    const PAINTSTRUCT& paint() const { return ps_; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
};

// The whole window, frame included (GetWindowDC).
class WindowDC : public DC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd) { dc_ = ::GetWindowDC(hwnd); }
    ~WindowDC() override { if (dc_) ::ReleaseDC(hwnd_, dc_); }

private:
    HWND hwnd_;
};

// The client area (GetDC).
class ClientDC : public DC {
public:
    explicit ClientDC(HWND hwnd) : hwnd_(hwnd) { dc_ = ::GetDC(hwnd); }
    ~ClientDC() override { if (dc_) ::ReleaseDC(hwnd_, dc_); }

private:
    HWND hwnd_;
};

// A memory context compatible with another; callers select their own bitmap into it.
class MemoryDC : public DC {
public:
    explicit MemoryDC(HDC compatibleWith) { dc_ = ::CreateCompatibleDC(compatibleWith); }
    ~MemoryDC() override { if (dc_) ::DeleteDC(dc_); }
};

}  // namespace fw
