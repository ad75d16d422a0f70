// Shared by the themed UI tests: the one-time set-up every themed window needs, and
// a KestDlg that records what the frame asked of it.
#pragma once

#include <commctrl.h>

#include "KestDlg.h"
#include "KestTheme.h"
#include "KestThemeManger.h"
#include "framework/application.h"
#include "res/resource.h"

namespace uitest {

inline void EnsureThemedUi() {
    static bool done = false;
    if (done) return;
    done = true;
    fw::Application::InitCommonControls(ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES);
    KestThemeManger().SetUpTheme();
    if (!CaptionFont) CaptionFont = KestThemeManger::CreateCaptionFont();
}

class ThemedTestDialog : public KestDlg {
public:
    // shown: which caption buttons appear (bits 1 close, 2 maximise, 4 restore, 8 minimise).
    ThemedTestDialog(UINT templateId, int buttonStyle, int shown, UINT icon = IDR_MAINFRAME)
        : KestDlg(templateId) {
        SetCaptionIcon(icon);
        frame_.buttonStyle = buttonStyle;
        for (int i = 0; i < kCaptionButtonCount; ++i) frame_.buttons[i].shown = (shown >> i) & 1;
    }

    int closeCalls = 0;
    int firstShownCalls = 0;
    int framePaints = 0;
    int buttonRepaints = 0;
    bool closeEndsDialog = true;

    void CloseDialog() override {
        ++closeCalls;
        if (closeEndsDialog) KestDlg::CloseDialog();
    }
    using KestDlg::OnCtlColor;

protected:
    void OnFirstShown() override { ++firstShownCalls; }
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_NCPAINT) ++framePaints;
        if (msg == WM_KEST_REDRAWBUTTONS) ++buttonRepaints;
        return KestDlg::WindowProc(msg, wp, lp);
    }
};

}  // namespace uitest
