#include "Kest_VandrelDlg.h"

#include <memory>

#include "CaptionButton.h"
#include "KestAboutDlg.h"
#include "KestMessagebox.h"
#include "KestSexyAnchors.h"
#include "KestUpdatedlg.h"
#include "drop_intake.h"
#include "export_options.h"
#include "program_log.h"
#include "res/resource.h"

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
        theFFWorker.AddJob(job);
        theLog.Log("Added '%s' to the Que", dropped.name.c_str());
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
        if (HIWORD(wp) == BN_CLICKED && lp != 0) {
            OnCommand(LOWORD(wp));
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
        // Every way out of the window ends here: no report may follow it.
        StopWorker();
        break;
    }
    return KestDlg::WindowProc(msg, wp, lp);
}
