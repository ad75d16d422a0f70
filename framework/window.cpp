// Window binding, dispatch and reflection; see window.h for how they fit together.
#include "framework/window.h"

#include <unordered_map>

namespace fw {
namespace {

// User-interface thread only, like every window the framework binds.
std::unordered_map<HWND, Window*>& HandleMap() {
    static std::unordered_map<HWND, Window*> map;
    return map;
}

thread_local Window* t_creating = nullptr;
thread_local HHOOK t_hook = nullptr;

}  // namespace

Window::~Window() {
    if (!hwnd_) return;
    HWND hwnd = hwnd_;
    bool destroy = createdHere_;
    Unbind();
    if (destroy && ::IsWindow(hwnd)) ::DestroyWindow(hwnd);
}

Window* Window::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    auto& map = HandleMap();
    auto it = map.find(hwnd);
    return it == map.end() ? nullptr : it->second;
}

void Window::Bind(HWND hwnd) {
    hwnd_ = hwnd;
    HandleMap()[hwnd] = this;
    previousProc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Window::StaticWindowProc)));
}

void Window::Unbind() {
    if (!hwnd_) return;
    if (::IsWindow(hwnd_) && previousProc_ &&
        reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(hwnd_, GWLP_WNDPROC)) == &Window::StaticWindowProc)
        ::SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc_));
    HandleMap().erase(hwnd_);
    hwnd_ = nullptr;
    createdHere_ = false;
}

Window::CreationScope::CreationScope(Window* obj) : outerCreating_(t_creating), outerHook_(t_hook) {
    t_creating = obj;
    hook_ = ::SetWindowsHookExA(WH_CBT, &Window::CreationHook, nullptr, ::GetCurrentThreadId());
    t_hook = hook_;
}

Window::CreationScope::~CreationScope() {
    if (hook_) ::UnhookWindowsHookEx(hook_);
    t_creating = outerCreating_;
    t_hook = outerHook_;
}

LRESULT CALLBACK Window::CreationHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND && t_creating) {
        Window* obj = t_creating;
        t_creating = nullptr;  // only the first window created belongs to obj
        obj->Bind(reinterpret_cast<HWND>(wp));
        obj->createdHere_ = true;
    }
    return ::CallNextHookEx(t_hook, code, wp, lp);
}

bool Window::CreateEx(DWORD exStyle, const char* className, const char* text, DWORD style,
                      const RECT& rect, HWND parent, UINT id) {
    if (hwnd_) return false;
    HWND hwnd;
    {
        CreationScope scope(this);
        hwnd = ::CreateWindowExA(exStyle, className, text, style, rect.left, rect.top,
                                 rect.right - rect.left, rect.bottom - rect.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                 ::GetModuleHandleA(nullptr), nullptr);
    }
    if (!hwnd) {
        if (hwnd_) Unbind();
        return false;
    }
    return true;
}

bool Window::SubclassWindow(HWND hwnd) {
    if (hwnd_ || !hwnd || !::IsWindow(hwnd) || FromHandle(hwnd)) return false;
    hwnd_ = hwnd;  // PreSubclassWindow may already talk to the window
    PreSubclassWindow();
    Bind(hwnd);
    return true;
}

HWND Window::UnsubclassWindow() {
    HWND hwnd = hwnd_;
    Unbind();
    return hwnd;
}

bool Window::PreTranslateMessage(MSG&) { return false; }

LRESULT Window::WindowProc(UINT msg, WPARAM wp, LPARAM lp) { return Default(msg, wp, lp); }

LRESULT Window::Default(UINT msg, WPARAM wp, LPARAM lp) {
    if (!hwnd_) return 0;
    if (previousProc_) return ::CallWindowProcA(previousProc_, hwnd_, msg, wp, lp);
    return ::DefWindowProcA(hwnd_, msg, wp, lp);
}

bool Window::OnReflectedMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

bool Window::ReflectToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    HWND child = nullptr;
    switch (msg) {
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (dis && dis->CtlType != ODT_MENU) child = dis->hwndItem;
        break;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMMAND:
        child = reinterpret_cast<HWND>(lp);
        break;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<const NMHDR*>(lp);
        if (hdr) child = hdr->hwndFrom;
        break;
    }
    default:
        return false;
    }
    Window* obj = FromHandle(child);
    return obj && obj->OnReflectedMessage(msg, wp, lp, result);
}

LRESULT CALLBACK Window::StaticWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Window* self = FromHandle(hwnd);
    if (!self) return ::DefWindowProcA(hwnd, msg, wp, lp);
    LRESULT result = 0;
    try {
        if (ReflectToChild(msg, wp, lp, result)) return result;
        result = self->WindowProc(msg, wp, lp);
    } catch (...) {
        // No exception may unwind through the system's own code.
        result = 0;
    }
    if (msg == WM_NCDESTROY && self->hwnd_ == hwnd) {
        self->Unbind();
        try {
            self->OnFinalMessage();
        } catch (...) {
        }
    }
    return result;
}

}  // namespace fw
