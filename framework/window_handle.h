// WindowHandle: a thin, non-owning view of an HWND with the everyday window calls.
// Control wrappers and fw::Window build on it; copying one copies only the handle.
#pragma once

#include <windows.h>

#include <string>

namespace fw {

class WindowHandle {
public:
    WindowHandle(HWND hwnd = nullptr) : hwnd_(hwnd) {}

    HWND hwnd() const { return hwnd_; }
    operator HWND() const { return hwnd_; }
    bool IsWindow() const { return hwnd_ != nullptr && ::IsWindow(hwnd_) != FALSE; }

    LRESULT Send(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return hwnd_ ? ::SendMessageA(hwnd_, msg, wp, lp) : 0;
    }
    bool Post(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
        return hwnd_ && ::PostMessageA(hwnd_, msg, wp, lp) != FALSE;
    }

    HWND GetDlgItem(int id) const { return hwnd_ ? ::GetDlgItem(hwnd_, id) : nullptr; }
    int GetDlgCtrlID() const { return hwnd_ ? ::GetDlgCtrlID(hwnd_) : 0; }
    HWND GetParent() const { return hwnd_ ? ::GetParent(hwnd_) : nullptr; }

    std::string GetWindowText() const {
        if (!hwnd_) return std::string();
        int len = ::GetWindowTextLengthA(hwnd_);
        std::string text(static_cast<size_t>(len) + 1, '\0');
        len = ::GetWindowTextA(hwnd_, &text[0], len + 1);
        text.resize(len > 0 ? static_cast<size_t>(len) : 0);
        return text;
    }
    void SetWindowText(const char* text) const { if (hwnd_) ::SetWindowTextA(hwnd_, text); }

    DWORD GetStyle() const { return hwnd_ ? static_cast<DWORD>(::GetWindowLongA(hwnd_, GWL_STYLE)) : 0; }
    DWORD GetExStyle() const { return hwnd_ ? static_cast<DWORD>(::GetWindowLongA(hwnd_, GWL_EXSTYLE)) : 0; }
    // Style changes that alter the frame need SWP_FRAMECHANGED in swpFlags to take effect.
    void ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0) const {
        SetStyleLong(GWL_STYLE, remove, add, swpFlags);
    }
    void ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags = 0) const {
        SetStyleLong(GWL_EXSTYLE, remove, add, swpFlags);
    }

    RECT GetWindowRect() const { RECT r{}; if (hwnd_) ::GetWindowRect(hwnd_, &r); return r; }
    RECT GetClientRect() const { RECT r{}; if (hwnd_) ::GetClientRect(hwnd_, &r); return r; }
    void ScreenToClient(RECT* r) const { if (hwnd_) ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(r), 2); }
    void ScreenToClient(POINT* p) const { if (hwnd_) ::ScreenToClient(hwnd_, p); }
    void ClientToScreen(POINT* p) const { if (hwnd_) ::ClientToScreen(hwnd_, p); }

    bool SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags) const {
        return hwnd_ && ::SetWindowPos(hwnd_, after, x, y, cx, cy, flags) != FALSE;
    }
    bool MoveWindow(int x, int y, int cx, int cy, bool repaint = true) const {
        return hwnd_ && ::MoveWindow(hwnd_, x, y, cx, cy, repaint) != FALSE;
    }
    bool ShowWindow(int cmd) const { return hwnd_ && ::ShowWindow(hwnd_, cmd) != FALSE; }
    bool IsWindowVisible() const { return hwnd_ && ::IsWindowVisible(hwnd_) != FALSE; }
    bool IsWindowEnabled() const { return hwnd_ && ::IsWindowEnabled(hwnd_) != FALSE; }
    void EnableWindow(bool enable) const { if (hwnd_) ::EnableWindow(hwnd_, enable); }
    bool IsIconic() const { return hwnd_ && ::IsIconic(hwnd_) != FALSE; }
    void Invalidate(bool erase = true) const { if (hwnd_) ::InvalidateRect(hwnd_, nullptr, erase); }
    void UpdateWindow() const { if (hwnd_) ::UpdateWindow(hwnd_); }
    void RedrawWindow(UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE) const {
        if (hwnd_) ::RedrawWindow(hwnd_, nullptr, nullptr, flags);
    }
    void SetFont(HFONT font, bool redraw = true) const {
        Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
    }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(Send(WM_GETFONT)); }

protected:
    HWND hwnd_;

private:
    void SetStyleLong(int index, DWORD remove, DWORD add, UINT swpFlags) const {
        if (!hwnd_) return;
        DWORD style = static_cast<DWORD>(::GetWindowLongA(hwnd_, index));
        DWORD changed = (style & ~remove) | add;
        if (changed != style) ::SetWindowLongA(hwnd_, index, static_cast<LONG>(changed));
        if (swpFlags)
            ::SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                           swpFlags | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
};

}  // namespace fw
