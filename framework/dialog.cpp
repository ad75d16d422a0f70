// Modal and modeless dialogs from templates; see dialog.h.
#include "framework/dialog.h"

#include "framework/application.h"

namespace fw {

bool Dialog::Create(UINT templateId, HWND parent) {
    if (hwnd_) return false;
    HWND hwnd;
    {
        CreationScope scope(this);
        hwnd = ::CreateDialogParamA(Application::ResourceInstance(), MAKEINTRESOURCEA(templateId),
                                    parent, &Dialog::DialogProc, 0);
    }
    return hwnd != nullptr && hwnd_ == hwnd;
}

INT_PTR Dialog::DoModal(HWND parent) {
    modal_ = true;
    modalEnded_ = false;
    modalResult_ = -1;
    HWND owner = parent;
    bool disabledOwner = false;
    if (!Create(templateId_, parent)) {
        modal_ = false;
        return -1;
    }
    if (owner && ::IsWindowEnabled(owner)) {
        ::EnableWindow(owner, FALSE);
        disabledOwner = true;
    }
    if (!modalEnded_ && hwnd_ && !IsWindowVisible()) ShowWindow(SW_SHOWNORMAL);

    MSG msg;
    while (!modalEnded_ && hwnd_) {
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // Leave the quit message for the outer loop.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        Application::Dispatch(msg);
    }
    // The owner must be enabled again before the dialog goes, so it gets the activation.
    if (disabledOwner) ::EnableWindow(owner, TRUE);
    if (hwnd_) {
        if (owner && ::GetActiveWindow() == hwnd_) ::SetActiveWindow(owner);
        ::DestroyWindow(hwnd_);
    }
    modal_ = false;
    return modalResult_;
}

void Dialog::EndDialog(INT_PTR result) {
    if (modal_) {
        modalResult_ = result;
        modalEnded_ = true;
        // Wake the modal loop if it is waiting.
        Post(WM_NULL);
    } else if (hwnd_) {
        ::DestroyWindow(hwnd_);
    }
}

bool Dialog::PreTranslateMessage(MSG& msg) {
    return hwnd_ && ::IsDialogMessageA(hwnd_, &msg) != FALSE;
}

LRESULT Dialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        if (lp == 0 || HIWORD(wp) == BN_CLICKED) {
            if (LOWORD(wp) == IDOK) { OnOK(); return 0; }
            if (LOWORD(wp) == IDCANCEL) { OnCancel(); return 0; }
        }
        break;
    }
    return Window::WindowProc(msg, wp, lp);
}

}  // namespace fw
