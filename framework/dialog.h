// Dialog: a window made from a dialog template, run modally or modeless.
//
// Both forms create the window with CreateDialogParam, bound to this object from its
// first message (see window.h), so WM_INITDIALOG arrives in WindowProc like any other
// message and leads to OnInitDialog. DoModal runs its own message loop (disabling the
// owner meanwhile) so that PreTranslateMessage sees every message, as it does under
// Application::Run for modeless dialogs; the default PreTranslateMessage gives the
// dialog manager its keyboard handling (IsDialogMessage).
#pragma once

#include "framework/window.h"

namespace fw {

class Dialog : public Window {
public:
    explicit Dialog(UINT templateId) : templateId_(templateId) {}

    // Runs the dialog modally and returns what EndDialog was given (-1 on failure).
    INT_PTR DoModal(HWND parent = nullptr);
    // Creates the dialog modeless; it shows itself only when its template says so.
    bool Create(HWND parent = nullptr) { return Create(templateId_, parent); }
    bool Create(UINT templateId, HWND parent);
    // Modal: ends the loop of DoModal with result. Modeless: destroys the window.
    void EndDialog(INT_PTR result);

    bool IsModal() const { return modal_; }
    UINT TemplateId() const { return templateId_; }

    bool PreTranslateMessage(MSG& msg) override;

protected:
    // WM_INITDIALOG → OnInitDialog; WM_COMMAND IDOK / IDCANCEL → OnOK / OnCancel.
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    // Return TRUE to let the dialog manager set the focus.
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

private:
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

    UINT templateId_;
    bool modal_ = false;
    bool modalEnded_ = false;
    INT_PTR modalResult_ = -1;
};

}  // namespace fw
