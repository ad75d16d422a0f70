// KestAboutDlg: the modal About box (dialog template 2007): the program's picture, a
// text block given at construction, a link to the program's web address and an OK
// button. OK, the caption's close button and Escape all close it.
//
// The main window shows it with:
//     KestAboutDlg about(AboutText(kProgramVersionNumber), hwnd());
//     about.DoModal(hwnd());
#pragma once

#include <string>

#include "KestButton.h"
#include "KestDlg.h"
#include "KestHyperlink.h"
#include "KestStaticImage.h"

class KestAboutDlg : public KestDlg {
public:
    KestAboutDlg(const std::string& text, HWND parent);

    const std::string& Text() const { return text_; }
    HWND Parent() const { return parent_; }

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    // Enter and the system's close take the same way out as OK.
    void OnOK() override { CloseDialog(); }
    void OnCancel() override { CloseDialog(); }

private:
    std::string text_;
    KestButton ok_;
    KestHyperlink link_;
    KestStaticImage picture_;
    HWND parent_;
};

// The version as the box shows it: fixed notation, one digit after the point (1.02
// reads "1.0").
std::string AboutVersionText(double version);
// The box's text: who made the program, what it does, and its version.
std::string AboutText(double version);
