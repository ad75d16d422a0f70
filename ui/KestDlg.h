// KestDlg: the base of every themed dialog. It replaces the system's caption and
// borders with its own frame (KestDlgFrame), acts on its caption buttons, paints the
// client background, colours static and edit controls, closes on Escape, keeps a
// minimum tracking size and re-lays its anchored controls when the size changes.
#pragma once

#include <memory>

#include "KestDlgFrame.h"
#include "framework/dialog.h"
#include "framework/gdi_objects.h"
#include "iKestSexyAnchors.h"

// Posted to itself once, after the dialog first becomes visible.
constexpr UINT WM_KEST_FIRSTSHOWN = WM_APP;

class KestDlg : public fw::Dialog {
public:
    explicit KestDlg(UINT templateId);
    ~KestDlg() override;

    KestDlgFrame& Frame() { return frame_; }
    iKestSexyAnchors* Anchors() const { return anchors_.get(); }
    void SetAnchors(std::unique_ptr<iKestSexyAnchors> anchors) { anchors_ = std::move(anchors); }

    // Releases the anchors and ends the dialog as a cancel does.
    virtual void CloseDialog();
    virtual void MaximizeToWorkArea();
    virtual void RestoreFromMaximize();
    virtual void MinimizeDialog();

    bool PreTranslateMessage(MSG& msg) override;

    // Whether msg is the key pressed with Control held down, and neither Alt nor Shift.
    static bool IsControlShortcut(const MSG& msg, UINT key);

protected:
    // Centred on the owner when it is visible, else on the screen's work area; called
    // when the dialog initialises.
    void CenterOnOwnerOrScreen();
    // The caption icon, also the window's big and small icon.
    void SetCaptionIcon(UINT iconResourceId);
    // Which caption buttons the frame shows; the values are the frame's button styles.
    enum class CaptionButtons : int { CloseOnly = 8, CloseAndMinimise = 9 };
    void ShowCaptionButtons(CaptionButtons buttons);
    // The smallest window size the user can drag the dialog to.
    void SetMinimumTrackSize(int width, int height);

    // Called once, after the dialog first becomes visible.
    virtual void OnFirstShown() {}
    virtual LRESULT OnCreate(UINT msg, WPARAM wp, LPARAM lp);
    // ctlType is CTLCOLOR_EDIT, CTLCOLOR_STATIC, ... The brushes handed back belong to
    // the dialog.
    virtual HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlType);
    virtual void OnSize(UINT sizeType, int cx, int cy);

    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void PreSubclassWindow() override;

    std::unique_ptr<iKestSexyAnchors> anchors_;
    KestDlgFrame frame_;

private:
    LRESULT ThemedWindowProc(UINT msg, WPARAM wp, LPARAM lp);
    void OnPaint();
    void OnCaptionButtonDown(POINT screen);
    void ClearHotCaptionButtons();
    void RelayoutAnchors(int sizeType);
    void KeepTemplateClientSize();

    fw::Brush editBrush_;
    fw::Brush staticBrush_;
};
