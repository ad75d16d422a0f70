#include "KestMessagebox.h"

#include "CaptionButton.h"
#include "res/resource.h"

namespace {
constexpr int kCloseOnlyButtonStyle = 8;
constexpr unsigned kCancelOnRightButton = KMB_OKCANCEL | KMB_YESNOCANCEL | KMB_RETRY;
}  // namespace

KestMessagebox::KestMessagebox(const std::string& text, const std::string& caption, unsigned flags,
                               HWND parent)
    : KestDlg(IDD_MESSAGEBOX), text_(text), caption_(caption), flags_(flags), parent_(parent) {
    SetCaptionIcon(IDR_MAINFRAME);
    frame_.buttonStyle = kCloseOnlyButtonStyle;
    frame_.buttons[kCloseButton].shown = 1;
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
    return TRUE;
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

int ShowMessageBox(const std::string& caption, const std::string& text, unsigned flags) {
    KestMessagebox box(text, caption, flags, nullptr);
    box.DoModal(box.Parent());
    return box.Result();
}
