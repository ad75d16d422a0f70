// The main window as a message target: messages are posted to its handle.
#pragma once

#ifdef _WIN32
#include "worker_messages.h"

#include <windows.h>

class WindowMessageTarget : public MessageTarget {
public:
    explicit WindowMessageTarget(HWND window = nullptr) : window_(window) {}
    void SetWindow(HWND window) { window_ = window; }
    bool Post(uint32_t message, uintptr_t wParam, intptr_t lParam) override
    {
        // A null handle would post to the worker's own thread, where nobody frees it.
        if (!window_)
            return false;
        return PostMessageA(window_, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)) != FALSE;
    }

private:
    HWND window_;
};
#endif
