// KestStautsBar: the main window's dark status bar: one owner-drawn line of status
// text on the left and a 150-pixel KestProgress embedded at its right end.
#pragma once

#include <string>

#include "framework/status_bar_ctrl.h"
#include "framework/window.h"
#include "KestProgress.h"

class KestStautsBar : public fw::StatusBarCtrlT<fw::Window> {
public:
    // The platform framework's own status-bar id.
    static constexpr UINT kStatusBarId = 59393;
    static constexpr UINT kProgressId = 1;
    static constexpr int kProgressWidth = 150;

    bool Create(HWND parent);
    LRESULT SetStatusText(const char* text);
    LRESULT SetProgressPos(int pos);

    const std::string& StatusText() const { return text_; }
    KestProgress& Progress() { return progress_; }
    // Where the progress bar sits, in the status bar's client coordinates.
    RECT ProgressRect() const;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    void DrawItem(const DRAWITEMSTRUCT& item);

    KestProgress progress_;
    std::string text_ = "Ready..";
};
