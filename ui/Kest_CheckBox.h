// Kest_CheckBox: a check box painted as a round lamp (bright green when checked,
// dark green when not) with its label beside it, brightening under the cursor. The
// check state lives in the control only; the parent reads it with BM_GETCHECK.
#pragma once

#include "framework/button_ctrl.h"
#include "framework/window.h"

class Kest_CheckBox : public fw::ButtonT<fw::Window> {
public:
    Kest_CheckBox();

    bool IsHot() const { return hot_ != 0; }
    DWORD StyleBeforeAttach() const { return styleBeforeAttach_; }

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void DrawItem(const DRAWITEMSTRUCT& item);
    LRESULT OnMouseMove(WPARAM keys, LPARAM point);

    DWORD styleBeforeAttach_ = 0;
    int hot_ = 0;
    int checked_ = 0;
    int disabled_ = 0;
    int focused_ = 0;
    int pressed_ = 0;
    int diameter_ = 15;
    COLORREF checkedColour_;
    COLORREF uncheckedColour_;
};
