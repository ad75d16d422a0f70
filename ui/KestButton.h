// KestButton: a push button painted as a grey vertical gradient with a bevel and
// centred text. Bind it to a template button with SubclassDlgItem.
#pragma once

#include "framework/button_ctrl.h"
#include "framework/window.h"

class KestButton : public fw::ButtonT<fw::Window> {
public:
    KestButton() = default;

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void DrawItem(const DRAWITEMSTRUCT& item);
};
