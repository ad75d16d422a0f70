#include "framework/application.h"

#include <commctrl.h>

#include "framework/window.h"

namespace fw {
namespace {
Application* g_application = nullptr;
}

Application::Application() { g_application = this; }

Application::~Application() {
    if (g_application == this) g_application = nullptr;
}

Application* Application::Current() { return g_application; }

HINSTANCE Application::ResourceInstance() { return ::GetModuleHandleA(nullptr); }

bool Application::InitCommonControls(DWORD classes) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), classes};
    return ::InitCommonControlsEx(&icc) != FALSE;
}

void Application::Dispatch(MSG& msg) {
    // Children first, up to and including their top-level window.
    for (HWND hwnd = msg.hwnd; hwnd; hwnd = ::GetParent(hwnd)) {
        if (Window* window = Window::FromHandle(hwnd)) {
            if (window->PreTranslateMessage(msg)) return;
        }
        if (!(::GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD)) break;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
}

bool Application::PumpPending() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        Dispatch(msg);
    }
    return true;
}

int Application::Run() {
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
    return static_cast<int>(msg.wParam);
}

}  // namespace fw
