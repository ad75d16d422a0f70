#include "Kest_VandrelDlg.h"

#include <windowsx.h>

#include <cstring>
#include <memory>
#include <utility>

#include "CaptionButton.h"
#include "KestAboutDlg.h"
#include "KestMessagebox.h"
#include "KestPopupMenu.h"
#include "KestSexyAnchors.h"
#include "KestUpdatedlg.h"
#include "drop_intake.h"
#include "export_options.h"
#include "program_log.h"
#include "res/resource.h"
#include "shell_actions.h"

KestFFWorker theFFWorker;

namespace {

constexpr int kMinimumWidth = 400;
constexpr int kMinimumHeight = 280;

constexpr DWORD kFollowLowerRight = ANCHOR_RIGHT | ANCHOR_BOTTOM;  // 0xA0
constexpr DWORD kFollowLowerLeft = ANCHOR_LEFT | ANCHOR_BOTTOM;    // 0x60
constexpr DWORD kStretch = ANCHOR_TOP | ANCHOR_BOTTOM | ANCHOR_LEFT | ANCHOR_RIGHT;  // 0xF0

struct JobColumn {
    const char* heading;
    int width;
};
constexpr JobColumn kJobColumns[] = {
    {"Name", 150}, {"Status", 90}, {"Size", 70}, {"Files", 50}, {"Strings", 50},
};

constexpr char kInvalidFileCaption[] = "Invalid File";
constexpr char kDoneText[] = "Done";

uint8_t IsChecked(const Kest_CheckBox& box) { return box.GetCheck() == BST_CHECKED ? 1 : 0; }

}  // namespace

CKest_VandrelDlg::CKest_VandrelDlg() : KestDlg(IDD_KEST_VANDREL_DIALOG) {
    SetCaptionIcon(IDR_MAINFRAME);
    ShowCaptionButtons(CaptionButtons::CloseAndMinimise);
    SetMinimumTrackSize(kMinimumWidth, kMinimumHeight);
}

CKest_VandrelDlg::~CKest_VandrelDlg() {
    KestProgramLogDlg::Destroy(logWindow_);
    // Destroyed here, while the controls and the worker's stop are still at hand.
    if (hwnd()) ::DestroyWindow(hwnd());
}

BOOL CKest_VandrelDlg::OnInitDialog() {
    ::DragAcceptFiles(hwnd(), TRUE);
    KestDlg::OnInitDialog();
    BindControls();
    if (!anchors_) anchors_ = std::make_unique<KestSexyAnchors>();
    CreateStatusBar();
    jobList_.AttachScrollBars();
    InsertColumns();
    theFFWorker.StartWorker(hwnd());
    ShowOptions();
    ShowOutputFolderText();
    AddPlaceholderRow();
    AnchorControls();
    return TRUE;
}

void CKest_VandrelDlg::BindControls() {
    closeButton_.SubclassDlgItem(IDC_CLOSE, hwnd());
    showLogButton_.SubclassDlgItem(IDC_SHOW_LOG, hwnd());
    aboutButton_.SubclassDlgItem(IDC_ABOUT, hwnd());
    jobList_.SubclassDlgItem(IDC_JOB_LIST, hwnd());
    createDumpBox_.SubclassDlgItem(IDC_CREATE_DUMP, hwnd());
    windowOnTopBox_.SubclassDlgItem(IDC_WINDOW_ON_TOP, hwnd());
    incStringTableBox_.SubclassDlgItem(IDC_INC_STRINGTABLE, hwnd());
    dumpToLocalBox_.SubclassDlgItem(IDC_DUMP_TO_LOCAL, hwnd());
}

void CKest_VandrelDlg::CreateStatusBar() {
    statusBar_.Create(hwnd());
    statusBar_.SetStatusText("Idle..");
    statusBar_.RedrawWindow();
    anchors_->AddWindow(statusBar_.hwnd(), DOCK_BOTTOM);
}

void CKest_VandrelDlg::InsertColumns() {
    int index = 0;
    for (const JobColumn& column : kJobColumns) jobList_.InsertColumn(index++, column.heading, LVCFMT_LEFT, column.width);
}

void CKest_VandrelDlg::ShowOptions() {
    const std::pair<Kest_CheckBox*, uint8_t> boxes[] = {
        {&createDumpBox_, ExportOptions.create_dump},
        {&windowOnTopBox_, ExportOptions.WindowOnTop},
        {&incStringTableBox_, ExportOptions.Inc_StringTable},
        {&dumpToLocalBox_, ExportOptions.LocalDump},
    };
    for (const auto& [box, option] : boxes) {
        box->SetCheck(option ? BST_CHECKED : BST_UNCHECKED);
        box->RedrawWindow();
    }
}

void CKest_VandrelDlg::AddPlaceholderRow() {
    const int index = jobList_.rowCounter;
    jobList_.SetRowStatusColour(index, kWaitingColour);
    ++jobList_.rowCounter;
    jobList_.InsertItem(index, "");
    clearPending = true;
}

void CKest_VandrelDlg::AnchorControls() {
    for (int id : {IDC_CLOSE, IDC_SHOW_LOG, IDC_ABOUT, IDC_CREATE_DUMP, IDC_WINDOW_ON_TOP, IDC_INC_STRINGTABLE,
                   IDC_DUMP_TO_LOCAL})
        anchors_->AddControl(id, kFollowLowerRight);
    anchors_->AddControl(IDC_DROP_HINT, kFollowLowerLeft);
    anchors_->AddControl(IDC_OUTPUT_FOLDER_TEXT, kFollowLowerLeft);
    anchors_->AddControl(IDC_JOB_LIST, kStretch);
    anchors_->Attach(hwnd(), 0);
    anchors_->Relayout(GetWindowRect(), kRelayoutAnySize);
    Invalidate();
}

int CKest_VandrelDlg::AddJobRow(const char* name) {
    if (clearPending) {
        ClearJobList();
        clearPending = false;
    }
    const int index = jobList_.rowCounter;
    jobList_.SetRowStatusColour(index, kWaitingColour);
    ++jobList_.rowCounter;
    const int row = jobList_.InsertItem(index, name);
    if (row < 0) return row;
    jobList_.SetItemText(row, kColumnStatus, "Waiting");
    jobList_.SetItemText(row, kColumnSize, "0x0");
    jobList_.SetItemText(row, kColumnFiles, "0");
    jobList_.SetItemText(row, kColumnStrings, "0");
    return row;
}

void CKest_VandrelDlg::ClearJobList() {
    jobRows_.clear();
    jobList_.rowCounter = 0;
    jobList_.DeleteAllItems();
    jobList_.ClearRowStatusColours();
}

void CKest_VandrelDlg::OnDropFiles(HDROP drop) {
    const std::vector<std::string> paths = DroppedPaths(drop);
    ::DragFinish(drop);
    QueueDroppedFiles(paths);
}

void CKest_VandrelDlg::QueueDroppedFiles(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        const DroppedPath dropped = CheckDroppedPath(path);
        if (!dropped.Accepted()) {
            ShowMessageBox(kInvalidFileCaption, dropped.rejection, KMB_OK | KMB_ICONERROR, hwnd());
            continue;
        }
        FFJob job;
        job.path = dropped.path;
        job.name = dropped.name;
        job.folder = dropped.folder;
        job.row = AddJobRow(dropped.name.c_str());
        job.LocalDump = ExportOptions.LocalDump;
        job.Inc_StringTable = ExportOptions.Inc_StringTable;
        job.create_dump = ExportOptions.create_dump;
        if (job.row >= 0) {
            if (static_cast<size_t>(job.row) >= jobRows_.size()) jobRows_.resize(job.row + 1);
            jobRows_[job.row] = JobRowRecord{job.path, job.folder, theFFWorker.OutputFolderOf(job)};
        }
        // Logged first: the worker may report on the job before this thread goes on.
        theLog.Log("Added '%s' to the Que", dropped.name.c_str());
        theFFWorker.AddJob(job);
    }
}

bool CKest_VandrelDlg::IsJobRow(int row) const {
    return row >= 0 && static_cast<size_t>(row) < jobRows_.size() && !jobRows_[row].path.empty();
}

bool CKest_VandrelDlg::RowIsDone(int row) const {
    if (!IsJobRow(row)) return false;
    char status[32] = {};
    jobList_.GetItemText(row, kColumnStatus, status, sizeof status);
    return strcmp(status, kDoneText) == 0;
}

int CKest_VandrelDlg::SelectedRow() const {
    return static_cast<int>(jobList_.Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

int CKest_VandrelDlg::RowAt(POINT screen) const {
    LVHITTESTINFO hit{};
    hit.pt = screen;
    ::ScreenToClient(jobList_.hwnd(), &hit.pt);
    const int row = static_cast<int>(jobList_.Send(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    return (hit.flags & LVHT_ONITEM) ? row : -1;
}

void CKest_VandrelDlg::OpenOutputFolder(int row) {
    // Waiting, running and failed jobs have nothing to show yet.
    if (RowIsDone(row)) OpenFolderInFileManager(hwnd(), jobRows_[row].outputFolder);
}

void CKest_VandrelDlg::OnOK() {
    if (::GetFocus() == jobList_.hwnd()) OpenOutputFolder(SelectedRow());
}

bool CKest_VandrelDlg::PreTranslateMessage(MSG& msg) {
    if (IsControlShortcut(msg, 'O') && IsWindowEnabled()) {
        AddFastFiles();
        return true;
    }
    if (IsControlShortcut(msg, 'B') && IsWindowEnabled()) {
        BrowseChosenFastFile();
        return true;
    }
    return KestDlg::PreTranslateMessage(msg);
}

void CKest_VandrelDlg::AddFastFiles() {
    const std::vector<std::string> paths = ChooseFastFiles(hwnd(), openDialogFolder_);
    if (!paths.empty()) QueueDroppedFiles(paths);
}

void CKest_VandrelDlg::BrowseChosenFastFile() {
    const std::vector<std::string> paths = ChooseFastFiles(hwnd(), openDialogFolder_, false);
    if (!paths.empty()) BrowseFastFile(paths.front());
}

void CKest_VandrelDlg::BrowseFastFile(const std::string& path) {
    const DroppedPath checked = CheckDroppedPath(path);
    if (checked.Accepted())
        KestBrowseDlg::Open(checked.path, *this);
    else
        ShowMessageBox(kInvalidFileCaption, checked.rejection, KMB_OK | KMB_ICONERROR, hwnd());
}

std::string CKest_VandrelDlg::OutputFolderFor(const std::string& fastFile) const {
    FFJob job = MakeJob(fastFile, 0);
    job.LocalDump = ExportOptions.LocalDump;
    return theFFWorker.OutputFolderOf(job);
}

void CKest_VandrelDlg::OnJobListContextMenu(LPARAM where) {
    POINT at{GET_X_LPARAM(where), GET_Y_LPARAM(where)};
    int row;
    if (where == -1) {
        // From the keyboard (Shift+F10, the menu key): for the selected row, below it.
        row = SelectedRow();
        RECT r{};
        if (row >= 0 && jobList_.GetItemRect(row, &r, LVIR_LABEL)) {
            at = POINT{r.left, r.bottom};
        } else {
            at = POINT{0, 0};
        }
        ::ClientToScreen(jobList_.hwnd(), &at);
    } else {
        row = RowAt(at);
    }
    if (!IsJobRow(row)) row = -1;

    KestPopupMenu menu;
    if (row >= 0) {
        menu.AddItem(kOpenOutputFolder, "Open Output Folder", RowIsDone(row));
        menu.AddItem(kOpenFastFileFolder, "Open FastFile Folder");
        menu.AddItem(kCopyPath, "Copy Path");
        menu.AddItem(kBrowseContents, "Browse Contents...");
    } else {
        menu.AddItem(kAddFastFiles, "Add FastFiles...");
        menu.AddItem(kBrowseFastFile, "Browse FastFile...");
        menu.AddItem(kShowLog, "Show Log");
    }
    RunJobListCommand(menu.Track(hwnd(), at), row);
}

void CKest_VandrelDlg::RunJobListCommand(UINT command, int row) {
    switch (command) {
    case kOpenOutputFolder:
        OpenOutputFolder(row);
        break;
    case kOpenFastFileFolder:
        if (IsJobRow(row)) OpenFolderInFileManager(hwnd(), jobRows_[row].folder);
        break;
    case kCopyPath:
        if (IsJobRow(row)) CopyTextToClipboard(hwnd(), jobRows_[row].path);
        break;
    case kAddFastFiles:
        AddFastFiles();
        break;
    case kShowLog:
        ShowLog();
        break;
    case kBrowseContents:
        if (IsJobRow(row)) BrowseFastFile(jobRows_[row].path);
        break;
    case kBrowseFastFile:
        BrowseChosenFastFile();
        break;
    }
}

void CKest_VandrelDlg::StopWorker() {
    theFFWorker.StopWorker();
    MSG msg;
    while (::PeekMessageA(&msg, hwnd(), WM_KEST_ROWUPDATE, WM_KEST_ROWUPDATE, PM_REMOVE))
        ReleasePostedMessage(PostedMessage{msg.message, msg.wParam, msg.lParam});
}

void CKest_VandrelDlg::OnFirstShown() {
    if (updateAvailable) {
        KestUpdatedlg prompt;
        prompt.DoModal(hwnd());
    }
    ApplyWindowOnTop();
    if (!startupFiles_.empty()) {
        const std::vector<std::string> paths = std::move(startupFiles_);
        startupFiles_.clear();
        QueueDroppedFiles(paths);
    }
    for (const std::string& path : std::exchange(startupBrowse_, {})) BrowseFastFile(path);
}

void CKest_VandrelDlg::ApplyWindowOnTop() {
    SetWindowPos(ExportOptions.WindowOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

HBRUSH CKest_VandrelDlg::OnCtlColor(HDC dc, HWND control, UINT ctlType) {
    HBRUSH brush = KestDlg::OnCtlColor(dc, control, ctlType);
    if (ctlType == CTLCOLOR_STATIC && ::GetDlgCtrlID(control) == IDC_OUTPUT_FOLDER_TEXT)
        ::SetTextColor(dc, kOutputFolderTextColour);
    return brush;
}

void CKest_VandrelDlg::OnCommand(int id) {
    switch (id) {
    case IDC_CLOSE:
        CloseDialog();
        break;
    case IDC_SHOW_LOG:
        ShowLog();
        break;
    case IDC_ABOUT:
        ShowAbout();
        break;
    case IDC_CREATE_DUMP:
    case IDC_WINDOW_ON_TOP:
    case IDC_INC_STRINGTABLE:
    case IDC_DUMP_TO_LOCAL:
        OnOptionClicked(id);
        break;
    }
}

void CKest_VandrelDlg::OnOptionClicked(int id) {
    switch (id) {
    case IDC_CREATE_DUMP:
        ExportOptions.create_dump = IsChecked(createDumpBox_);
        break;
    case IDC_INC_STRINGTABLE:
        ExportOptions.Inc_StringTable = IsChecked(incStringTableBox_);
        break;
    case IDC_WINDOW_ON_TOP:
        ExportOptions.WindowOnTop = IsChecked(windowOnTopBox_);
        ApplyWindowOnTop();
        break;
    case IDC_DUMP_TO_LOCAL:
        ExportOptions.LocalDump = IsChecked(dumpToLocalBox_);
        ShowOutputFolderText();
        break;
    }
}

void CKest_VandrelDlg::ShowOutputFolderText() {
    ::SetDlgItemTextA(hwnd(), IDC_OUTPUT_FOLDER_TEXT, ExportOptions.LocalDump ? kProgramFolderText : kSameFolderText);
}

void CKest_VandrelDlg::ShowLog() { KestProgramLogDlg::Show(logWindow_, hwnd()); }

void CKest_VandrelDlg::ShowAbout() {
    KestAboutDlg about(AboutText(kProgramVersionNumber), hwnd());
    about.DoModal(hwnd());
}

LRESULT CKest_VandrelDlg::OnProgress(LPARAM percent) {
    // A value outside the bar's range 0 to 100 is not taken.
    KestProgress& bar = statusBar_.Progress();
    if (bar.SetPosition(static_cast<int32_t>(percent))) bar.RedrawWindow(RDW_INVALIDATE | RDW_ERASE);
    return 0;
}

LRESULT CKest_VandrelDlg::OnStatusText(const char* text) {
    statusBar_.SetStatusText(text);
    statusBar_.RedrawWindow(RDW_INVALIDATE | RDW_ERASE);
    return 0;
}

LRESULT CKest_VandrelDlg::OnRowUpdate(RowUpdate* update, int column) {
    std::unique_ptr<RowUpdate> owned(update);
    if (!owned) return 0;
    if (owned->setColour) jobList_.SetRowStatusColour(owned->row, owned->colour);
    jobList_.SetItemText(owned->row, column, owned->text.c_str());
    return 0;
}

LRESULT CKest_VandrelDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wp));
        return 0;
    case WM_COMMAND:
        // Enter: the dialog manager names the default id, and may hand over the status
        // bar's progress bar (id 1, like IDOK) as the button that sent it.
        if (LOWORD(wp) == IDOK && HIWORD(wp) == BN_CLICKED) {
            OnOK();
            return 0;
        }
        if (HIWORD(wp) == BN_CLICKED && lp != 0) {
            OnCommand(LOWORD(wp));
            return 0;
        }
        break;
    case WM_NOTIFY: {
        const auto* notice = reinterpret_cast<const NMHDR*>(lp);
        if (notice && notice->hwndFrom == jobList_.hwnd() && notice->code == NM_DBLCLK) {
            OpenOutputFolder(reinterpret_cast<const NMITEMACTIVATE*>(lp)->iItem);
            return 0;
        }
        break;
    }
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wp) == jobList_.hwnd()) {
            OnJobListContextMenu(lp);
            return 0;
        }
        break;
    case WM_KEST_ROWUPDATE:
        return OnRowUpdate(reinterpret_cast<RowUpdate*>(wp), static_cast<int>(lp));
    case WM_KEST_STATUSTEXT:
        return OnStatusText(reinterpret_cast<const char*>(lp));
    case WM_KEST_PROGRESS:
        return OnProgress(lp);
    case WM_DESTROY:
        // Every way out of the window ends here: no report may follow it, and no
        // browse window outlives it.
        KestBrowseDlg::CloseAll();
        StopWorker();
        break;
    }
    return KestDlg::WindowProc(msg, wp, lp);
}
