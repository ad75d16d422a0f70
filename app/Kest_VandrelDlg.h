// CKest_VandrelDlg: the program's main window (dialog template 102). It takes the
// FastFiles dropped on it, lists each as a row of the job list and queues it for the
// background worker; it shows the worker's reports in the rows, the status bar and the
// progress bar; its check boxes set the export options; it opens the program log
// window, the About box and, once after it is first shown, the update prompt.
//
// Beyond drops, the job list answers a double-click or Enter on a finished row by
// opening that job's output folder, and offers a context menu (the row's folders, its
// path, adding FastFiles, the log); Ctrl+O and "Add FastFiles..." choose files in the
// open dialog and take them through the same intake as a drop. "Browse Contents...",
// "Browse FastFile..." and Ctrl+B open a browse window (KestBrowseDlg) on a FastFile.
//
// The worker posts its reports to this window. When the window closes, the worker is
// stopped (the file being written is completed, the queued jobs are dropped) and the
// row reports still waiting for the window are freed, so nothing is posted to a window
// that is gone.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "KestBrowseDlg.h"
#include "KestButton.h"
#include "KestDlg.h"
#include "KestListView.h"
#include "KestProgramLogDlg.h"
#include "KestStautsBar.h"
#include "Kest_CheckBox.h"
#include "ff_worker.h"

// The one extraction worker of the process.
extern KestFFWorker theFFWorker;

class CKest_VandrelDlg : public KestDlg, private BrowseHost {
public:
    static constexpr COLORREF kWaitingColour = RGB(255, 149, 68);
    static constexpr COLORREF kOutputFolderTextColour = RGB(255, 0, 0);
    static constexpr char kSameFolderText[] = "Data is dumped into the same folder as FastFile";
    static constexpr char kProgramFolderText[] = "Data is dumped into Programs Running Directory";

    CKest_VandrelDlg();
    ~CKest_VandrelDlg() override;

    // Appends a row "Waiting", "0x0", "0", "0" for name; its index, -1 if the list
    // refused it. The first row added replaces the start-up placeholder.
    int AddJobRow(const char* name);
    void ClearJobList();
    void OnDropFiles(HDROP drop);
    // The drop intake: checks each path in order, shows one box per rejected path and
    // queues the others with the export options as they are now.
    void QueueDroppedFiles(const std::vector<std::string>& paths);
    // Files the program was started with; they are taken as one drop once the window
    // is first shown, after the update prompt.
    void SetStartupFiles(std::vector<std::string> paths) { startupFiles_ = std::move(paths); }
    // Files to open browse windows on once the start files are taken.
    void SetStartupBrowse(std::vector<std::string> paths) { startupBrowse_ = std::move(paths); }

    // Stops the worker and frees the row reports it posted that are still waiting.
    void StopWorker();

    // The open dialog: the chosen files go through the drop intake.
    void AddFastFiles();
    // A browse window on path, which meets the drop intake's checks first.
    void BrowseFastFile(const std::string& path);
    // The open dialog for one file, which is then browsed.
    void BrowseChosenFastFile();
    // Ctrl+O and Ctrl+B, wherever the focus is in the window.
    bool PreTranslateMessage(MSG& msg) override;

    KestListView& JobList() { return jobList_; }
    KestStautsBar& StatusBar() { return statusBar_; }
    KestProgramLogDlg* LogWindow() const { return logWindow_; }
    bool ClearPending() const { return clearPending; }

    // Set by start-up from the update check before the dialog runs.
    bool updateAvailable = false;

protected:
    BOOL OnInitDialog() override;
    void OnFirstShown() override;
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlType) override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    // Enter never closes the window: on a finished row of the job list it opens the
    // row's output folder. The system's close takes the frame's way out.
    void OnOK() override;
    void OnCancel() override { CloseDialog(); }

private:
    // What a row's job was queued with, kept with the row: the options may change later.
    struct JobRowRecord {
        std::string path;          // the FastFile; empty for a row that is no job
        std::string folder;        // the FastFile's folder
        std::string outputFolder;  // where the job writes its files
    };
    // The job list's context menu commands.
    enum JobListCommand : UINT {
        kOpenOutputFolder = 1,
        kOpenFastFileFolder,
        kCopyPath,
        kAddFastFiles,
        kShowLog,
        kBrowseContents,
        kBrowseFastFile,
    };

    std::string OutputFolderFor(const std::string& fastFile) const override;
    void QueueFastFile(const std::string& fastFile) override { QueueDroppedFiles({fastFile}); }

    void BindControls();
    void CreateStatusBar();
    void InsertColumns();
    void ShowOptions();
    void AddPlaceholderRow();
    void AnchorControls();
    void OnCommand(int id);
    void OnOptionClicked(int id);
    void ShowOutputFolderText();
    void ApplyWindowOnTop();
    void ShowLog();
    void ShowAbout();
    LRESULT OnProgress(LPARAM percent);
    LRESULT OnStatusText(const char* text);
    LRESULT OnRowUpdate(RowUpdate* update, int column);
    bool IsJobRow(int row) const;
    bool RowIsDone(int row) const;
    int SelectedRow() const;
    int RowAt(POINT screen) const;
    void OpenOutputFolder(int row);
    void OnJobListContextMenu(LPARAM where);
    void RunJobListCommand(UINT command, int row);

    KestButton closeButton_;
    KestButton showLogButton_;
    KestButton aboutButton_;
    Kest_CheckBox createDumpBox_;
    Kest_CheckBox windowOnTopBox_;
    Kest_CheckBox incStringTableBox_;
    Kest_CheckBox dumpToLocalBox_;
    KestStautsBar statusBar_;
    KestListView jobList_;
    bool clearPending = false;
    KestProgramLogDlg* logWindow_ = nullptr;
    std::vector<std::string> startupFiles_;
    std::vector<std::string> startupBrowse_;
    std::vector<JobRowRecord> jobRows_;  // by row index
    std::string openDialogFolder_;       // where the open dialog last chose files
};
