// KestMessagebox: the program's themed message box (dialog template 2000), and
// ShowMessageBox, the one call that builds it, runs it modally and returns which
// button closed it.
#pragma once

#include <string>

#include "KestButton.h"
#include "KestDlg.h"
#include "KestStaticImage.h"

// Flags: one button set, at most one picture (information when neither is given).
constexpr unsigned KMB_OK = 0x01;
constexpr unsigned KMB_OKCANCEL = 0x02;
constexpr unsigned KMB_YESNO = 0x04;
constexpr unsigned KMB_YESNOCANCEL = 0x10;
constexpr unsigned KMB_RETRY = 0x20;
constexpr unsigned KMB_ICONERROR = 0x40;
constexpr unsigned KMB_ICONWARNING = 0x100;

// Results.
constexpr int KMB_RES_OK = 0;
constexpr int KMB_RES_CANCEL = 1;
constexpr int KMB_RES_YES = 2;
constexpr int KMB_RES_NO = 3;
constexpr int KMB_RES_RETRY = 4;

class KestMessagebox : public KestDlg {
public:
    KestMessagebox(const std::string& text, const std::string& caption, unsigned flags, HWND parent);

    // Closing through the frame (close button, Escape, the system's close).
    void CloseDialog() override;

    int Result() const { return result_; }
    unsigned Flags() const { return flags_; }
    HWND Parent() const { return parent_; }
    // The bitmap resource shown for the flags.
    static UINT PictureFor(unsigned flags);

    // Enter presses the button with the focus; the box opens with the focus on its
    // first shown button (from the left), as the system's box does.
    bool PreTranslateMessage(MSG& msg) override;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnCancel() override { CloseDialog(); }

private:
    void LabelButtons();
    // The leftmost shown button, and the one Enter presses.
    KestButton& FirstShownButton();
    KestButton& EnterButton();
    void OnRightButton();
    void OnMiddleButton();
    void Finish(int result);

    KestButton right_;   // 2001
    KestButton middle_;  // 2010
    KestButton left_;    // 2004
    KestStaticImage picture_;
    std::string text_;
    std::string caption_;
    unsigned flags_;
    int result_ = KMB_RES_OK;
    HWND parent_;
};

// Shows the box and returns the pressed button's result. A box with an owner belongs to
// it: the owner is disabled while the box is open, and enabled and active again after.
int ShowMessageBox(const std::string& caption, const std::string& text, unsigned flags, HWND owner = nullptr);
