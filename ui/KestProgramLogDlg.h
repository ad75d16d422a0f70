// KestProgramLogDlg: the program log window (dialog template 105). A modeless,
// resizable themed dialog showing theLog live in a read-only edit: the lines logged
// so far when it opens, then each new line as it is logged, from any thread.
//
// Buttons: Clear empties the window and the log's history; Close destroys the
// window. The caption's close button, Escape and the system's close only hide it, and
// lines logged meanwhile are still appended. The edit keeps the newest 200 lines.
//
// Ownership: the window owns itself and deletes itself when it is destroyed. The
// owner (the main window) holds a pointer to it and passes that pointer's address at
// construction; the window sets the pointer to null when it goes, so the owner never
// holds a dangling one. The owner's whole part is:
//     KestProgramLogDlg* logWindow_ = nullptr;                     // member
//     KestProgramLogDlg::Show(logWindow_, hwnd());                  // "Show Log"
//     KestProgramLogDlg::Destroy(logWindow_);                       // in its destructor
// Show makes the window on the first press and shows the same one again later.
//
// Lines from other threads reach the edit through a QueuedLogView (see there): the
// logging thread posts, never sends, and never waits for this window.
#pragma once

#include <memory>
#include <string>

#include "KestButton.h"
#include "KestDlg.h"
#include "KestLogText.h"
#include "framework/gdi_objects.h"

class QueuedLogView;

// Posted by the window's QueuedLogView when lines are waiting for it.
constexpr UINT WM_KEST_LOGLINES = WM_APP + 1;

class KestProgramLogDlg : public KestDlg {
public:
    static constexpr int kMaxLines = 200;
    // When the edit passes kMaxLines, the oldest lines go until this many remain, so
    // the edit is trimmed once every twenty lines rather than at every line.
    static constexpr int kLinesAfterTrim = 180;

    // ownerSlot: the owner's pointer to this window (may be null); it is cleared when
    // the window is destroyed.
    KestProgramLogDlg(HWND owner, KestProgramLogDlg** ownerSlot);
    ~KestProgramLogDlg() override;

    // Shows the window slot points to, or creates one (modeless, from template 105)
    // with owner as its parent, keeps it in slot and shows it. Returns slot's window,
    // null if it could not be created.
    static KestProgramLogDlg* Show(KestProgramLogDlg*& slot, HWND owner);
    // Destroys the window slot points to, if any; slot is null afterwards.
    static void Destroy(KestProgramLogDlg*& slot);

    // Creates the window modeless, hidden, with the owner as its parent.
    bool Create();

    // Hides the window; its text stays and it goes on receiving lines.
    void CloseDialog() override;

    // Adds text (line breaks before each line) at the end of the edit, then trims the
    // oldest lines beyond kMaxLines and scrolls to the newest. User-interface thread.
    void AppendLogText(const std::string& text);

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlType) override;
    void OnOK() override {}  // Enter does not close the log
    void OnCancel() override { CloseDialog(); }
    void OnFinalMessage() override { delete this; }

private:
    void OnClear();
    void AppendWaitingLines();
    void TrimOldestLines();
    void StopReceivingLines();

    KestButton closeButton_;
    KestButton clearButton_;
    HWND owner_;
    KestProgramLogDlg** ownerSlot_;
    KestLogText edit_;
    std::unique_ptr<QueuedLogView> feed_;
    int lines_ = 0;  // lines in the edit, counted by their breaks (0: empty)
    fw::Brush editBrush_;
};
