#include "KestAboutDlg.h"

#include <cstdio>

#include "CaptionButton.h"
#include "res/resource.h"

namespace {

constexpr char kMadeBy[] = "Made By: the Vandrel developers\n\n";
constexpr char kDescription[] =
    "Unpacks a game's compressed FastFile archives (.ff)\n"
    "and writes the files inside them to disk.";

}  // namespace

KestAboutDlg::KestAboutDlg(const std::string& text, HWND parent)
    : KestDlg(IDD_ABOUT), text_(text), parent_(parent) {
    SetCaptionIcon(IDR_MAINFRAME);
    ShowCaptionButtons(CaptionButtons::CloseOnly);
}

BOOL KestAboutDlg::OnInitDialog() {
    KestDlg::OnInitDialog();
    ok_.SubclassDlgItem(IDC_ABOUT_OK, hwnd());
    link_.SubclassDlgItem(IDC_ABOUT_LINK, hwnd());
    picture_.SubclassDlgItem(IDC_ABOUT_PICTURE, hwnd());
    ::SetDlgItemTextA(hwnd(), IDC_ABOUT_TEXT, text_.c_str());
    picture_.LoadImage(IDB_ABOUT_PICTURE);
    picture_.BuildMask();
    return TRUE;
}

LRESULT KestAboutDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED && LOWORD(wp) == IDC_ABOUT_OK) {
        CloseDialog();
        return 0;
    }
    return KestDlg::WindowProc(msg, wp, lp);
}

std::string AboutVersionText(double version) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", version);
    return text;
}

std::string AboutText(double version) {
    return std::string(kMadeBy) + kDescription + "\n\nVersion: " + AboutVersionText(version);
}
