// KestBrowseDlg: a look inside one FastFile before extracting it (dialog template 109), a
// top-level themed window beside the main window, one per FastFile asked for and several
// at once, each independent of the job queue. It lists the files a full extraction with
// the current options writes (path, type, size, in the order extraction writes them),
// narrows them with a filter, shows one in the preview pane, and writes the selected ones
// into the folder a job would use, or queues the whole FastFile in the main window.
//
// The archive is held by a BrowseSession: loaded once on the session's thread and walked
// there for the rows, each preview and each extraction, so the window stays responsive;
// the session's reports arrive as posted messages. Closing the window stops the session
// (a load ends within a few megabytes, an extraction at its next file, the one under way
// completed) and releases its zone; reports still waiting are freed.
//
// Keys: Ctrl+F the filter, Ctrl+A every shown row, Ctrl+C the selected rows' paths,
// Ctrl+E Extract Selected, Enter or a double-click the preview, Esc closes.
//
// Ownership: the window owns itself and deletes itself when it is destroyed. CloseAll
// destroys every one still open; the main window calls it when it goes.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "KestButton.h"
#include "KestDlg.h"
#include "KestListView.h"
#include "KestLogText.h"
#include "KestStautsBar.h"
#include "browse_rows.h"
#include "framework/gdi_objects.h"
#include "window_target.h"

class BrowseSession;
struct BrowseReport;

// What a browse window asks of the program around it.
class BrowseHost {
public:
    // The folder a full extraction of fastFile would write into with the options as they
    // are now, ending in a separator.
    virtual std::string OutputFolderFor(const std::string& fastFile) const = 0;
    // Extract All: fastFile is queued as a drop of it would be.
    virtual void QueueFastFile(const std::string& fastFile) = 0;

protected:
    ~BrowseHost() = default;
};

class KestBrowseDlg : public KestDlg {
public:
    // Opens a browse window on fastFile, a full path, and shows it; null when the window
    // could not be made. Its rows follow Inc StringTable as it is now.
    static KestBrowseDlg* Open(const std::string& fastFile, BrowseHost& host);
    // Destroys every browse window still open.
    static void CloseAll();
    // The browse windows open now, oldest first.
    static const std::vector<KestBrowseDlg*>& OpenWindows();

    const BrowseRows& Rows() const { return rows_; }
    KestListView& List() { return list_; }
    KestStautsBar& StatusBar() { return statusBar_; }
    std::string PreviewText() const { return preview_.GetWindowText(); }
    // True once the rows have come, or the load's error.
    bool Loaded() const { return loadResult_ != -1; }
    // True once the preview pane holds the whole preview of the file asked for last.
    bool PreviewFilled() const { return previewFilled_ == previewText_.size(); }
    // True while an extraction of this window runs.
    bool Extracting() const { return extractionsUnderWay_ > 0; }

    bool PreTranslateMessage(MSG& msg) override;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlType) override;
    // Enter on a row previews it; it never closes the window.
    void OnOK() override;
    void OnCancel() override { CloseDialog(); }
    void OnFinalMessage() override { delete this; }

private:
    enum RowCommand : UINT {
        kExtractCommand = 1,
        kCopyPathCommand,
        kPreviewCommand,
        kOpenOutputFolderCommand,
    };

    KestBrowseDlg(const std::string& fastFile, BrowseHost& host);
    ~KestBrowseDlg() override;

    void BindControls();
    void AnchorControls();
    void CascadeFromOthers();
    void EndSession();
    void ShowStatus(const std::string& text);
    void ShowProgress(int percent);
    void OnReport(std::unique_ptr<BrowseReport> report);
    void OnListed(BrowseReport& report);
    void OnPreview(const BrowseReport& report);
    void FillPreview();
    void OnExtracting(const BrowseReport& report);
    void OnExtracted(const BrowseReport& report);
    bool OnListNotify(const NMHDR& notice, LRESULT& result);
    void OnFilterChanged();
    void OnColumnClick(int column);
    void OnContextMenu(LPARAM where);
    void ShowRows();
    void SelectAll();
    void Preview(int row);
    void ExtractSelected();
    void CopySelectedPaths();
    std::vector<int> SelectedRows() const;
    int RowAt(POINT screen) const;

    const std::string path_;
    const std::string name_;
    BrowseHost& host_;
    WindowMessageTarget target_;
    std::unique_ptr<BrowseSession> session_;
    BrowseRows rows_;
    int32_t loadResult_ = -1;  // -1 until the session has loaded the archive
    int extractionsUnderWay_ = 0;
    bool quietSelection_ = false;  // the selection changes without a preview
    std::string previewPath_;   // the file the pane is to show
    std::string previewText_;   // what it shows once filled
    size_t previewFilled_ = 0;  // how much of that is in it
    std::string outputFolder_;  // where the last extraction wrote; empty before one

    KestListView list_;
    KestLogText preview_;
    KestButton extractSelectedButton_;
    KestButton extractAllButton_;
    KestButton closeButton_;
    KestStautsBar statusBar_;
    fw::Font previewFont_;
    fw::Brush previewBrush_;
};
