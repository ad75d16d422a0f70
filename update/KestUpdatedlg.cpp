#include "KestUpdatedlg.h"

#include <algorithm>

#include "CaptionButton.h"
#include "KestPalette.h"
#include "KestUpdater.h"
#include "res/resource.h"

namespace {
constexpr int kProgressLower = 0;
constexpr int kProgressUpper = 100;
}  // namespace

KestUpdatedlg::KestUpdatedlg() : KestDlg(IDD_UPDATE) {
    SetCaptionIcon(IDR_MAINFRAME);
    ShowCaptionButtons(CaptionButtons::CloseOnly);
}

KestUpdatedlg::~KestUpdatedlg() {
    // A thread still running must not post to a window that is gone, or to whichever
    // window inherits its handle.
    HWND expected = reportingTo_;
    if (expected) updateWindow.compare_exchange_strong(expected, nullptr);
}

BOOL KestUpdatedlg::OnInitDialog() {
    progress_.SubclassDlgItem(IDC_UPDATE_PROGRESS, hwnd());
    progress_.SetBounds(kProgressLower, kProgressUpper);
    progress_.SetPosition(kProgressLower);
    progress_.created = true;
    progress_.Invalidate();

    releaseNotes_.SubclassDlgItem(IDC_UPDATE_RELEASE_NOTES, hwnd());
    releaseNotes_.SetAddress(UpdateServerAddress() + kReleaseNotesPath);
    FitLinkToItsText();

    KestDlg::OnInitDialog();
    download_.SubclassDlgItem(IDC_UPDATE_DOWNLOAD, hwnd());
    close_.SubclassDlgItem(IDC_UPDATE_CLOSE, hwnd());
    cancel_.SubclassDlgItem(IDC_UPDATE_CANCEL, hwnd());
    return TRUE;
}

LRESULT KestUpdatedlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wp) == BN_CLICKED && LOWORD(wp) == IDC_UPDATE_DOWNLOAD) {
            OnDownload();
            return 0;
        }
        if (HIWORD(wp) == BN_CLICKED && LOWORD(wp) == IDC_UPDATE_CLOSE) {
            CloseDialog();
            return 0;
        }
        if (HIWORD(wp) == BN_CLICKED && LOWORD(wp) == IDC_UPDATE_CANCEL) {
            OnCancelPressed();
            return 0;
        }
        break;
    case WM_KEST_UPDATEPROGRESS:
        return OnUpdateProgressMsg(wp, lp);
    case WM_KEST_UPDATEERROR:
        return OnUpdateError(wp, lp);
    case WM_KEST_UPDATERUNNING:
        return OnUpdateRunning(wp, lp);
    case WM_KEST_UPDATECANCELLED:
        return OnUpdateCancelled(wp, lp);
    }
    return KestDlg::WindowProc(msg, wp, lp);
}

HBRUSH KestUpdatedlg::OnCtlColor(HDC dc, HWND control, UINT ctlType) {
    HBRUSH brush = KestDlg::OnCtlColor(dc, control, ctlType);
    if (control && ::GetDlgCtrlID(control) == IDC_UPDATE_ERROR_LABEL) ::SetTextColor(dc, kErrorLabelText);
    return brush;
}

void KestUpdatedlg::CloseDialog() {
    if (downloading_) return;
    KestDlg::CloseDialog();
}

void KestUpdatedlg::FitLinkToItsText() {
    // The link's font is wider than the dialog font the template was measured in.
    const std::string text = releaseNotes_.GetWindowText();
    RECT needed{0, 0, 0, 0};
    HDC dc = ::GetDC(releaseNotes_);
    HGDIOBJ previous = ::SelectObject(dc, releaseNotes_.Font());
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &needed, DT_CALCRECT | DT_SINGLELINE);
    ::SelectObject(dc, previous);
    ::ReleaseDC(releaseNotes_, dc);
    RECT shown = releaseNotes_.GetWindowRect();
    ScreenToClient(&shown);
    const int width = std::max<int>(shown.right - shown.left, needed.right + 1);
    const int height = std::max<int>(shown.bottom - shown.top, needed.bottom);
    releaseNotes_.SetWindowPos(nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void KestUpdatedlg::OnDownload() {
    if (downloading_) return;
    downloading_ = true;
    download_.EnableWindow(false);
    ShowCancel(true);
    EnableClosing(false);
    reportingTo_ = hwnd();
    updateWindow = reportingTo_;
    BeginUpdate();
}

void KestUpdatedlg::BeginUpdate() { theUpdater.StartUpdate(std::string()); }

void KestUpdatedlg::CancelUpdate() { theUpdater.CancelUpdate(); }

void KestUpdatedlg::OnCancelPressed() {
    if (!downloading_ || !cancel_.IsWindowEnabled()) return;
    // The dialog waits for the update thread to say it has stopped: until then a new
    // Download could not start.
    cancel_.EnableWindow(false);
    CancelUpdate();
}

void KestUpdatedlg::ShowCancel(bool show) {
    cancel_.EnableWindow(show);
    cancel_.ShowWindow(show ? SW_SHOW : SW_HIDE);
    download_.ShowWindow(show ? SW_HIDE : SW_SHOW);
}

void KestUpdatedlg::EnableClosing(bool enable) {
    close_.EnableWindow(enable);
    frame_.buttons[kCloseButton].disabled = enable ? 0 : 1;
    Send(WM_KEST_REDRAWBUTTONS);
}

LRESULT KestUpdatedlg::OnUpdateProgressMsg(WPARAM, LPARAM lp) {
    if (lp < progress_.Lower() || lp > progress_.Upper()) return 0;
    progress_.SetPosition(static_cast<int>(lp));
    progress_.UpdateWindow();
    return 0;
}

LRESULT KestUpdatedlg::OnUpdateError(WPARAM, LPARAM lp) {
    const char* text = reinterpret_cast<const char*>(lp);
    ShowOutcome(text ? text : "", true);
    return 0;
}

LRESULT KestUpdatedlg::OnUpdateRunning(WPARAM, LPARAM) {
    ShowOutcome("Running Update...", false);
    return 0;
}

LRESULT KestUpdatedlg::OnUpdateCancelled(WPARAM, LPARAM) {
    downloading_ = false;
    ShowCancel(false);
    download_.EnableWindow(true);
    progress_.SetPosition(kProgressLower);
    progress_.Invalidate();
    EnableClosing(true);
    return 0;
}

void KestUpdatedlg::ShowOutcome(const char* status, bool error) {
    downloading_ = false;
    ShowCancel(false);
    ::ShowWindow(GetDlgItem(IDC_UPDATE_NOTICE), SW_HIDE);
    releaseNotes_.ShowWindow(SW_HIDE);
    if (error) ::ShowWindow(GetDlgItem(IDC_UPDATE_ERROR_LABEL), SW_SHOW);
    ::ShowWindow(GetDlgItem(IDC_UPDATE_STATUS), SW_SHOW);
    EnableClosing(true);
    ::SetDlgItemTextA(hwnd(), IDC_UPDATE_STATUS, status);
}
