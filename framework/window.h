// Window: a C++ object bound to one HWND, with one virtual window procedure.
//
// How it works
// - Binding. Every bound HWND is in a handle-to-object map (user-interface thread
//   only). A window is bound when it is created through Window::CreateEx or
//   Dialog::Create/DoModal: a thread-local creation hook binds the object before
//   WM_NCCREATE reaches it, so it sees WM_NCCREATE, WM_NCCALCSIZE and WM_CREATE,
//   and a dialog then receives WM_INITDIALOG through the same procedure. An
//   existing window (a control from a dialog template) is bound by
//   SubclassWindow / SubclassDlgItem, which call PreSubclassWindow first.
// - Dispatch. Messages reach the virtual WindowProc(msg, wParam, lParam). A derived
//   class overrides it with a plain switch and calls its base class's WindowProc for
//   anything it does not handle; Window::WindowProc calls Default(), the procedure the
//   window had before it was bound (the control class's own, or DefWindowProc).
//   Exceptions never leave WindowProc: the framework catches them and returns 0.
// - Reflection. Before the parent's WindowProc sees them, these messages are offered
//   to the child window's object through OnReflectedMessage, using the ordinary
//   message numbers:
//     WM_DRAWITEM          (child = DRAWITEMSTRUCT::hwndItem)   owner-drawn buttons, status bar
//     WM_CTLCOLOR*         (child = lParam)                     colours of one control
//     WM_COMMAND           (child = lParam, e.g. BN_CLICKED)    a check box toggling itself
//     WM_NOTIFY            (child = NMHDR::hwndFrom, e.g. NM_CUSTOMDRAW)  a list colouring rows
//   The child returns true and sets result to consume the message (the parent never
//   sees it), or false to let the parent handle it as usual. A check box returns
//   false for its BN_CLICKED, so its parent still learns of the click.
// - End of life. After WM_NCDESTROY the object is unbound (hwnd() becomes null) and
//   OnFinalMessage runs; a self-owning modeless window may delete itself there.
//   Destroying a bound object whose window still exists unbinds it first; a window
//   the object created is then destroyed, a subclassed one is left to its owner.
#pragma once

#include "framework/window_handle.h"

namespace fw {

class Window : public WindowHandle {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // The object bound to hwnd, or null.
    static Window* FromHandle(HWND hwnd);

    // Creates a window of an existing class (a common control, "STATIC", ...) bound
    // to this object from its first message.
    bool CreateEx(DWORD exStyle, const char* className, const char* text, DWORD style,
                  const RECT& rect, HWND parent, UINT id);

    // Binds an existing window (typically a template control) to this object.
    bool SubclassWindow(HWND hwnd);
    bool SubclassDlgItem(int id, HWND parent) { return SubclassWindow(::GetDlgItem(parent, id)); }
    // Gives the window back its own procedure and forgets it.
    HWND UnsubclassWindow();

    // Called by the message loop for messages aimed at this window or its children,
    // before translation; return true when the message has been dealt with.
    virtual bool PreTranslateMessage(MSG& msg);

protected:
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    // The procedure the window had before it was bound.
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp);
    // A message the parent reflected to this control (see the header comment).
    virtual bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // Runs when a template control is bound, before its procedure is replaced.
    virtual void PreSubclassWindow() {}
    // Runs after WM_NCDESTROY, once the object has been unbound.
    virtual void OnFinalMessage() {}

    // Binds the next window created on this thread to obj (used by Dialog). Scopes
    // nest: a window made while another is being made (a dialog creating controls in
    // OnInitDialog) gets its own hook, and the outer scope's object and hook are put
    // back when the inner scope ends, so the outer one still removes its own.
    class CreationScope {
    public:
        explicit CreationScope(Window* obj);
        ~CreationScope();
        CreationScope(const CreationScope&) = delete;
        CreationScope& operator=(const CreationScope&) = delete;

    private:
        Window* outerCreating_;
        HHOOK outerHook_;
        HHOOK hook_;
    };

private:
    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK CreationHook(int code, WPARAM wp, LPARAM lp);
    static bool ReflectToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    void Bind(HWND hwnd);
    void Unbind();

    WNDPROC previousProc_ = nullptr;
    bool createdHere_ = false;
};

}  // namespace fw
