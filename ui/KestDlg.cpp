#include "KestDlg.h"

#include <windowsx.h>

#include <algorithm>

#include "KestPalette.h"
#include "KestTheme.h"
#include "framework/application.h"
#include "framework/dc.h"

namespace {
bool g_dropShadowAdded = false;  // the dialog class gets its shadow once per process
}

KestDlg::KestDlg(UINT templateId) : fw::Dialog(templateId), frame_(this) {}

KestDlg::~KestDlg() = default;

void KestDlg::SetCaptionIcon(UINT iconResourceId) {
    frame_.icon = static_cast<HICON>(::LoadImageA(fw::Application::ResourceInstance(),
                                                  MAKEINTRESOURCEA(iconResourceId), IMAGE_ICON, 0, 0,
                                                  LR_DEFAULTSIZE | LR_SHARED));
}

void KestDlg::ShowCaptionButtons(CaptionButtons buttons) {
    frame_.buttonStyle = static_cast<int>(buttons);
    frame_.buttons[kCloseButton].shown = 1;
    frame_.buttons[kMinimiseButton].shown = buttons == CaptionButtons::CloseAndMinimise;
}

void KestDlg::SetMinimumTrackSize(int width, int height) {
    frame_.minTrackWidth = width;
    frame_.minTrackHeight = height;
}

void KestDlg::PreSubclassWindow() {
    if (hwnd()) frame_.subclassed = 1;
}

BOOL KestDlg::OnInitDialog() {
    fw::Dialog::OnInitDialog();
    frame_.subclassed = 1;
    CenterOnOwnerOrScreen();
    Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(frame_.icon));
    Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(frame_.icon));
    if (!g_dropShadowAdded) {
        g_dropShadowAdded = true;
        ::SetClassLongPtrA(hwnd(), GCL_STYLE, ::GetClassLongPtrA(hwnd(), GCL_STYLE) | CS_DROPSHADOW);
    }
    return TRUE;
}

void KestDlg::CenterOnOwnerOrScreen() {
    // The templates give no place: without this every dialog would open at the top
    // left of the screen or of its owner, far from where the user looks.
    RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT around = area;
    HWND owner = ::GetWindow(hwnd(), GW_OWNER);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &around);
    const RECT w = GetWindowRect();
    const int width = w.right - w.left, height = w.bottom - w.top;
    int x = around.left + (around.right - around.left - width) / 2;
    int y = around.top + (around.bottom - around.top - height) / 2;
    // Whole on the screen where it fits.
    x = std::max(static_cast<int>(area.left), std::min(x, static_cast<int>(area.right) - width));
    y = std::max(static_cast<int>(area.top), std::min(y, static_cast<int>(area.bottom) - height));
    SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void KestDlg::CloseDialog() {
    anchors_.reset();
    fw::Dialog::OnCancel();
}

void KestDlg::MaximizeToWorkArea() {
    frame_.savedRect = GetWindowRect();
    // The system's work area is the screen less the taskbar, wherever it is docked.
    RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    MoveWindow(area.left, area.top, area.right - area.left, area.bottom - area.top, true);
    frame_.maximised = 1;
}

void KestDlg::RestoreFromMaximize() {
    const RECT& r = frame_.savedRect;
    MoveWindow(r.left, r.top, r.right - r.left, r.bottom - r.top, true);
    frame_.maximised = 0;
}

void KestDlg::MinimizeDialog() { ShowWindow(SW_MINIMIZE); }

bool KestDlg::PreTranslateMessage(MSG& msg) {
    if (frame_.themed && msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
        CloseDialog();
        return true;
    }
    return fw::Dialog::PreTranslateMessage(msg);
}

bool KestDlg::IsControlShortcut(const MSG& msg, UINT key) {
    return msg.message == WM_KEYDOWN && msg.wParam == key && ::GetKeyState(VK_CONTROL) < 0 &&
           ::GetKeyState(VK_MENU) >= 0 && ::GetKeyState(VK_SHIFT) >= 0;
}

LRESULT KestDlg::OnCreate(UINT msg, WPARAM wp, LPARAM lp) {
    if (Default(msg, wp, lp) == -1) return -1;
    ModifyStyleEx(WS_EX_CLIENTEDGE, 0);
    KeepTemplateClientSize();
    return 0;
}

void KestDlg::KeepTemplateClientSize() {
    // The dialog manager sized the window for the system's frame around the
    // template's client area; our frame is taller, and without this the controls at
    // a template's lower edge would be cut off. The controls do not exist yet.
    RECT system{0, 0, 0, 0};
    ::AdjustWindowRectEx(&system, GetStyle(), FALSE, GetExStyle());
    const KestThemeValues& t = KestTheme;
    const int dx = 2 * t.borderWidth - (system.right - system.left);
    const int dy = t.captionHeight + 2 * t.borderWidth - (system.bottom - system.top);
    if (dx == 0 && dy == 0) return;
    const RECT w = GetWindowRect();
    SetWindowPos(nullptr, 0, 0, w.right - w.left + dx, w.bottom - w.top + dy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HBRUSH KestDlg::OnCtlColor(HDC dc, HWND control, UINT ctlType) {
    switch (ctlType) {
    case CTLCOLOR_EDIT:
        if (!editBrush_) editBrush_.reset(::CreateSolidBrush(kEditBackground));
        ::SetBkColor(dc, kEditBackground);
        ::SetTextColor(dc, KestTheme.staticText);
        return editBrush_;
    case CTLCOLOR_STATIC:
        if (!staticBrush_) staticBrush_.reset(::CreateSolidBrush(KestTheme.windowBackground));
        ::SetTextColor(dc, KestTheme.staticText);
        ::SetBkColor(dc, KestTheme.windowBackground);
        return staticBrush_;
    default:
        return reinterpret_cast<HBRUSH>(Default(WM_CTLCOLORMSGBOX + ctlType, reinterpret_cast<WPARAM>(dc),
                                                reinterpret_cast<LPARAM>(control)));
    }
}

void KestDlg::OnSize(UINT sizeType, int cx, int cy) {
    Default(WM_SIZE, sizeType, MAKELPARAM(cx, cy));
    // Every size change is laid out, so a single programmatic resize (maximise,
    // SetWindowPos) moves the controls too; Relayout ignores minimising.
    RelayoutAnchors(static_cast<int>(sizeType));
}

void KestDlg::RelayoutAnchors(int sizeType) {
    if (anchors_) anchors_->Relayout(GetWindowRect(), sizeType);
}

void KestDlg::OnPaint() {
    fw::PaintDC dc(hwnd());
    const RECT client = GetClientRect();
    if (IsIconic()) {
        Send(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.hdc()));
        const int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
        ::DrawIcon(dc, (client.right - cx + 1) / 2, (client.bottom - cy + 1) / 2, frame_.icon);
        return;
    }
    dc.FillSolidRect(client, KestTheme.windowBackground);
}

void KestDlg::ClearHotCaptionButtons() {
    // A hit test far from every button clears their hot state.
    Send(WM_NCHITTEST, 0, MAKELPARAM(0, 0));
    Send(WM_KEST_REDRAWBUTTONS);
}

void KestDlg::OnCaptionButtonDown(POINT screen) {
    const int index = frame_.ButtonAt(hwnd(), screen);
    if (index < 0) return;
    switch (frame_.buttons[index].action) {
    case kCaptionRestore:
        RestoreFromMaximize();
        frame_.buttons[index - 1].shown = 1;
        frame_.buttons[index].shown = 0;
        break;
    case kCaptionClose:
        // Closing may destroy the window, and a modeless dialog deletes itself with
        // it: nothing of this object may be touched after CloseDialog.
        ClearHotCaptionButtons();
        CloseDialog();
        return;
    case kCaptionMinimise:
        MinimizeDialog();
        break;
    case kCaptionMaximise:
        MaximizeToWorkArea();
        frame_.buttons[index + 1].shown = 1;
        frame_.buttons[index].shown = 0;
        break;
    }
    ClearHotCaptionButtons();
}

LRESULT KestDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (!frame_.themed) return fw::Dialog::WindowProc(msg, wp, lp);
    return ThemedWindowProc(msg, wp, lp);
}

LRESULT KestDlg::ThemedWindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_WINDOWPOSCHANGED:
        if (!frame_.firstShown && (reinterpret_cast<const WINDOWPOS*>(lp)->flags & SWP_SHOWWINDOW)) {
            frame_.firstShown = 1;
            Post(WM_KEST_FIRSTSHOWN);
        }
        break;
    case WM_NCHITTEST: {
        LRESULT code;
        if (frame_.HitTest(hwnd(), POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}, &code)) return code;
        break;
    }
    case WM_NCACTIVATE:
        // The system must not paint its own caption.
        if (wp == 0 || wp == 1) return TRUE;
        break;
    case WM_NCLBUTTONDOWN: {
        const POINT screen{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        if (frame_.ButtonAt(hwnd(), screen, true) >= 0) {
            // A press on a caption button is ours, even on a disabled one: the system
            // would read its code as a menu or grow-box press.
            OnCaptionButtonDown(screen);
            return 0;
        }
        break;
    }
    case WM_SETCURSOR: {
        // The restore button reports HTSIZE, which would show a sizing cursor.
        POINT cursor{};
        ::GetCursorPos(&cursor);
        if (reinterpret_cast<HWND>(wp) == hwnd() && frame_.ButtonAt(hwnd(), cursor, true) >= 0) {
            ::SetCursor(::LoadCursorA(nullptr, IDC_ARROW));
            return TRUE;
        }
        break;
    }
    case WM_EXITSIZEMOVE:
        RelayoutAnchors(SIZE_RESTORED);
        return Default(msg, wp, lp);
    case WM_KEST_REDRAWBUTTONS:
        frame_.PaintButtonsOnly(hwnd());
        return 0;
    case WM_KEST_FIRSTSHOWN:
        OnFirstShown();
        return 0;
    case WM_CREATE:
        return OnCreate(msg, wp, lp);
    case WM_SIZE:
        OnSize(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_NCPAINT:
        frame_.PaintFrame(hwnd());
        return 0;
    case WM_NCCALCSIZE: {
        RECT* r = wp ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0] : reinterpret_cast<RECT*>(lp);
        const KestThemeValues& t = KestTheme;
        r->left += t.borderWidth;
        r->top += t.captionHeight + t.borderWidth;
        r->right -= t.borderWidth;
        r->bottom -= t.borderWidth;
        return 0;
    }
    case WM_ACTIVATE:
        frame_.active = LOWORD(wp) != WA_INACTIVE ? 1 : 0;
        Send(WM_NCPAINT, 1);
        break;
    case WM_SETTEXT:
    case WM_SETICON: {
        // The system paints its own caption for these; paint ours over it at once.
        LRESULT result = fw::Dialog::WindowProc(msg, wp, lp);
        Send(WM_NCPAINT, 1);
        return result;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<LRESULT>(
            OnCtlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp), msg - WM_CTLCOLORMSGBOX));
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(frame_.icon);
    case WM_GETMINMAXINFO: {
        LRESULT result = Default(msg, wp, lp);
        auto* info = reinterpret_cast<MINMAXINFO*>(lp);
        info->ptMinTrackSize.x = frame_.minTrackWidth;
        info->ptMinTrackSize.y = frame_.minTrackHeight;
        return result;
    }
    }
    return fw::Dialog::WindowProc(msg, wp, lp);
}
