// KestUpdatedlg: the themed dialog (template 107) that offers a found update. "Download"
// starts the self-update of KestUpdater; the bar follows each download, and the dialog
// then shows the error or "Running Update...". While the files download, "Cancel" takes
// the place of "Download": it ends the update, and the offer is back as it was. The
// main window runs it modally:
//     KestUpdatedlg dlg;
//     dlg.DoModal(mainWindow);
#pragma once

#include "KestButton.h"
#include "KestDlg.h"
#include "KestHyperlink.h"
#include "KestProgress.h"

class KestUpdatedlg : public KestDlg {
public:
    KestUpdatedlg();
    ~KestUpdatedlg() override;

    // Does nothing while the files download: the update keeps its window until it has
    // failed, been cancelled or started the updater.
    void CloseDialog() override;
    bool IsDownloading() const { return downloading_; }

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlType) override;
    void OnCancel() override { CloseDialog(); }

    void OnDownload();
    // Hands the work to the updater's thread, and asks it to stop.
    virtual void BeginUpdate();
    virtual void CancelUpdate();
    void OnCancelPressed();
    LRESULT OnUpdateProgressMsg(WPARAM wp, LPARAM lp);
    LRESULT OnUpdateError(WPARAM wp, LPARAM lp);
    LRESULT OnUpdateRunning(WPARAM wp, LPARAM lp);
    LRESULT OnUpdateCancelled(WPARAM wp, LPARAM lp);

    KestProgress progress_;
    KestButton download_;
    KestButton close_;
    KestButton cancel_;
    KestHyperlink releaseNotes_;

private:
    // The Failed and Running states: the notice gives way to the status text, and only
    // "Close" is usable.
    void ShowOutcome(const char* status, bool error);
    void EnableClosing(bool enable);
    // Cancel in Download's place while the files download, Download again after.
    void ShowCancel(bool show);
    void FitLinkToItsText();

    bool downloading_ = false;
    HWND reportingTo_ = nullptr;
};
