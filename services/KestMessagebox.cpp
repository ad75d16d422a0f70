#include "KestMessagebox.h"

#include "CaptionButton.h"
#include "res/resource.h"

namespace {
constexpr unsigned kCancelOnRightButton = KMB_OKCANCEL | KMB_YESNOCANCEL | KMB_RETRY;
}  // namespace

KestMessagebox::KestMessagebox(const std::string& text, const std::string& caption, unsigned flags,
                               HWND parent)
    : KestDlg(IDD_MESSAGEBOX), text_(text), caption_(caption), flags_(flags), parent_(parent) {
    SetCaptionIcon(IDR_MAINFRAME);
    ShowCaptionButtons(CaptionButtons::CloseOnly);
}

UINT KestMessagebox::PictureFor(unsigned flags) {
    if (flags & KMB_ICONWARNING) return IDB_MSG_WARNING;
    if (flags & KMB_ICONERROR) return IDB_MSG_ERROR;
    return IDB_MSG_INFO;
}

BOOL KestMessagebox::OnInitDialog() {
    KestDlg::OnInitDialog();
    right_.SubclassDlgItem(IDC_MSGBOX_RIGHT, hwnd());
    middle_.SubclassDlgItem(IDC_MSGBOX_MIDDLE, hwnd());
    left_.SubclassDlgItem(IDC_MSGBOX_LEFT, hwnd());
    picture_.SubclassDlgItem(IDC_MSGBOX_PICTURE, hwnd());

    ::SetDlgItemTextA(hwnd(), IDC_MSGBOX_TEXT, text_.c_str());
    picture_.LoadImage(PictureFor(flags_));
    picture_.BuildMask();
    LabelButtons();
    SetWindowText(caption_.c_str());
    SetWindowPos(HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    // The template marks two buttons as default, and owner-drawn buttons no longer
    // say which one is: name the default and give it the focus.
    KestButton& first = FirstShownButton();
    Send(DM_SETDEFID, first.GetDlgCtrlID());
    ::SetFocus(first);
    return FALSE;
}

KestButton& KestMessagebox::FirstShownButton() {
    // Before the box is shown its buttons are not visible yet: their own style says
    // whether they will be.
    for (KestButton* button : {&left_, &middle_})
        if (button->GetStyle() & WS_VISIBLE) return *button;
    return right_;
}

KestButton& KestMessagebox::EnterButton() {
    const HWND focus = ::GetFocus();
    for (KestButton* button : {&left_, &middle_, &right_})
        if (button->hwnd() == focus && (button->GetStyle() & WS_VISIBLE)) return *button;
    return FirstShownButton();
}

bool KestMessagebox::PreTranslateMessage(MSG& msg) {
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
        KestButton& button = EnterButton();
        Send(WM_COMMAND, MAKEWPARAM(button.GetDlgCtrlID(), BN_CLICKED), reinterpret_cast<LPARAM>(button.hwnd()));
        return true;
    }
    return KestDlg::PreTranslateMessage(msg);
}

void KestMessagebox::LabelButtons() {
    if (flags_ & KMB_OK) {
        right_.SetWindowText("Ok");
        middle_.ShowWindow(SW_HIDE);
    } else if (flags_ & KMB_YESNO) {
        right_.SetWindowText("No");
        middle_.SetWindowText("Yes");
    } else if (flags_ & KMB_YESNOCANCEL) {
        middle_.SetWindowText("No");
        left_.SetWindowText("Yes");
        left_.ShowWindow(SW_SHOW);
    } else if (flags_ & KMB_RETRY) {
        // The retry choice is offered through the middle button, which keeps "OK".
        left_.SetWindowText("Retry");
    }
}

LRESULT KestMessagebox::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
        switch (LOWORD(wp)) {
        case IDC_MSGBOX_RIGHT:
            OnRightButton();
            return 0;
        case IDC_MSGBOX_MIDDLE:
            OnMiddleButton();
            return 0;
        case IDC_MSGBOX_LEFT:
            Finish(KMB_RES_YES);
            return 0;
        }
    }
    return KestDlg::WindowProc(msg, wp, lp);
}

void KestMessagebox::OnRightButton() {
    if (flags_ & KMB_OK) {
        result_ = KMB_RES_OK;
    } else if (flags_ & kCancelOnRightButton) {
        result_ = KMB_RES_CANCEL;
    } else if (flags_ & KMB_YESNO) {
        result_ = KMB_RES_NO;
    }
    Finish(result_);
}

void KestMessagebox::OnMiddleButton() {
    if (flags_ & KMB_OKCANCEL) {
        result_ = KMB_RES_OK;
    } else if (flags_ & KMB_YESNO) {
        result_ = KMB_RES_YES;
    } else if (flags_ & KMB_YESNOCANCEL) {
        result_ = KMB_RES_NO;
    } else if (flags_ & KMB_RETRY) {
        result_ = KMB_RES_RETRY;
    }
    Finish(result_);
}

void KestMessagebox::Finish(int result) {
    result_ = result;
    // Ends the loop directly: CloseDialog would overwrite the result.
    EndDialog(IDCANCEL);
}

void KestMessagebox::CloseDialog() {
    result_ = (flags_ & KMB_OK) ? KMB_RES_OK : KMB_RES_CANCEL;
    KestDlg::CloseDialog();
}

int ShowMessageBox(const std::string& caption, const std::string& text, unsigned flags, HWND owner) {
    KestMessagebox box(text, caption, flags, owner);
    box.DoModal(box.Parent());
    return box.Result();
}
