#include "KestBrowseDlg.h"

#include <windowsx.h>

#include <algorithm>
#include <chrono>

#include "KestPalette.h"
#include "KestPopupMenu.h"
#include "KestSexyAnchors.h"
#include "browse_session.h"
#include "export_options.h"
#include "ff_job.h"
#include "file_preview.h"
#include "res/resource.h"
#include "shell_actions.h"

namespace {

constexpr int kMinimumWidth = 560;
constexpr int kMinimumHeight = 420;
// Each window opened while others are open sits this far right of and below the last.
constexpr int kCascadeStep = 24;
constexpr int kCascadeSteps = 8;

// The preview goes into its pane a piece at a time, each tick of a timer as long as this
// (the edit control under wine takes seconds for a megabyte). A timer's message comes
// after the user's input and the paints, so the window answers meanwhile.
constexpr UINT_PTR kPreviewFillTimer = 1;
constexpr auto kPreviewFillSlice = std::chrono::milliseconds(15);
constexpr size_t kPreviewPiece = 4 * 1024;
constexpr WPARAM kTextEnd = 0x7FFFFFFF;  // a selection there is put at the end of the text

constexpr DWORD kFollowLowerRight = ANCHOR_RIGHT | ANCHOR_BOTTOM;
constexpr DWORD kFollowTop = ANCHOR_TOP | ANCHOR_LEFT | ANCHOR_RIGHT;
constexpr DWORD kFollowBottom = ANCHOR_BOTTOM | ANCHOR_LEFT | ANCHOR_RIGHT;
constexpr DWORD kStretch = ANCHOR_TOP | ANCHOR_BOTTOM | ANCHOR_LEFT | ANCHOR_RIGHT;

struct RowColumn {
    const char* heading;
    int format;
    int width;
};
constexpr RowColumn kRowColumns[] = {
    {"Path", LVCFMT_LEFT, 380},
    {"Type", LVCFMT_LEFT, 60},
    {"Size", LVCFMT_RIGHT, 90},
};

std::vector<KestBrowseDlg*>& Windows() {
    static std::vector<KestBrowseDlg*> windows;  // the user-interface thread's
    return windows;
}

std::string Joined(const std::vector<std::string>& parts, const char* between) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : between) + part;
    return text;
}

}  // namespace

KestBrowseDlg* KestBrowseDlg::Open(const std::string& fastFile, BrowseHost& host) {
    auto* window = new KestBrowseDlg(fastFile, host);
    if (!window->Create(IDD_BROWSE, nullptr)) {
        // A window that failed after it was made has deleted itself already.
        const auto& open = Windows();
        if (std::find(open.begin(), open.end(), window) != open.end()) delete window;
        return nullptr;
    }
    window->ShowWindow(SW_SHOW);
    ::SetForegroundWindow(window->hwnd());
    return window;
}

void KestBrowseDlg::CloseAll() {
    const std::vector<KestBrowseDlg*> open = Windows();
    for (KestBrowseDlg* window : open) {
        if (window->hwnd())
            ::DestroyWindow(window->hwnd());  // the window deletes itself
        else
            delete window;
    }
}

const std::vector<KestBrowseDlg*>& KestBrowseDlg::OpenWindows() { return Windows(); }

KestBrowseDlg::KestBrowseDlg(const std::string& fastFile, BrowseHost& host)
    : KestDlg(IDD_BROWSE), path_(fastFile), name_(MakeJob(fastFile, 0).name), host_(host) {
    SetCaptionIcon(IDR_MAINFRAME);
    ShowCaptionButtons(CaptionButtons::CloseAndMinimise);
    SetMinimumTrackSize(kMinimumWidth, kMinimumHeight);
    Windows().push_back(this);
}

KestBrowseDlg::~KestBrowseDlg() {
    EndSession();
    auto& open = Windows();
    open.erase(std::remove(open.begin(), open.end(), this), open.end());
}

BOOL KestBrowseDlg::OnInitDialog() {
    KestDlg::OnInitDialog();
    SetWindowText((name_ + " - Browse").c_str());
    BindControls();
    if (!anchors_) anchors_ = std::make_unique<KestSexyAnchors>();
    statusBar_.Create(hwnd());
    anchors_->AddWindow(statusBar_.hwnd(), DOCK_BOTTOM);
    list_.SetStatusColumn(-1);
    list_.AttachScrollBars();
    int index = 0;
    for (const RowColumn& column : kRowColumns) list_.InsertColumn(index++, column.heading, column.format, column.width);
    previewFont_.reset(::CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                     CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Courier New"));
    preview_.SetFont(previewFont_);
    // A hex dump of the most the pane shows passes the edit's default limit.
    preview_.Send(EM_SETLIMITTEXT, 0);
    AnchorControls();
    CascadeFromOthers();

    target_.SetWindow(hwnd());
    session_ = std::make_unique<BrowseSession>(target_, path_, ExportOptions.Inc_StringTable != 0);
    ShowStatus("Loading " + name_ + "..");
    return TRUE;
}

void KestBrowseDlg::BindControls() {
    list_.SubclassDlgItem(IDC_BROWSE_LIST, hwnd());
    // Before the anchors take the text's place: it gives up room for its scroll bar.
    preview_.Attach(GetDlgItem(IDC_BROWSE_PREVIEW));
    extractSelectedButton_.SubclassDlgItem(IDC_BROWSE_EXTRACT_SELECTED, hwnd());
    extractAllButton_.SubclassDlgItem(IDC_BROWSE_EXTRACT_ALL, hwnd());
    closeButton_.SubclassDlgItem(IDC_BROWSE_CLOSE, hwnd());
}

void KestBrowseDlg::AnchorControls() {
    for (int id : {IDC_BROWSE_EXTRACT_SELECTED, IDC_BROWSE_EXTRACT_ALL, IDC_BROWSE_CLOSE})
        anchors_->AddControl(id, kFollowLowerRight);
    anchors_->AddControl(IDC_BROWSE_FILTER, kFollowTop);
    anchors_->AddControl(IDC_BROWSE_LIST, kStretch);
    anchors_->AddControl(IDC_BROWSE_PREVIEW, kFollowBottom);
    anchors_->Attach(hwnd(), 0);
    anchors_->Relayout(GetWindowRect(), kRelayoutAnySize);
    Invalidate();
}

void KestBrowseDlg::CascadeFromOthers() {
    const int step = kCascadeStep * (static_cast<int>(Windows().size() - 1) % kCascadeSteps);
    const RECT r = GetWindowRect();
    SetWindowPos(nullptr, r.left + step, r.top + step, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void KestBrowseDlg::EndSession() {
    if (session_) session_->Stop();
    session_.reset();
    target_.SetWindow(nullptr);
    if (!hwnd()) return;
    MSG msg;
    while (::PeekMessageA(&msg, hwnd(), WM_KEST_BROWSEREPORT, WM_KEST_BROWSEREPORT, PM_REMOVE))
        ReleasePostedMessage(PostedMessage{msg.message, msg.wParam, msg.lParam});
}

void KestBrowseDlg::ShowStatus(const std::string& text) {
    statusBar_.SetStatusText(text.c_str());
    statusBar_.RedrawWindow(RDW_INVALIDATE | RDW_ERASE);
}

void KestBrowseDlg::ShowProgress(int percent) {
    KestProgress& bar = statusBar_.Progress();
    if (bar.SetPosition(percent)) bar.RedrawWindow(RDW_INVALIDATE | RDW_ERASE);
}

bool KestBrowseDlg::PreTranslateMessage(MSG& msg) {
    if (IsControlShortcut(msg, 'F')) {
        const HWND filter = GetDlgItem(IDC_BROWSE_FILTER);
        ::SetFocus(filter);
        ::SendMessageA(filter, EM_SETSEL, 0, -1);
        return true;
    }
    if (IsControlShortcut(msg, 'E')) {
        ExtractSelected();
        return true;
    }
    // In the preview pane they are the pane's own: its text selected and copied.
    if (msg.hwnd != preview_.hwnd()) {
        if (IsControlShortcut(msg, 'A')) {
            SelectAll();
            return true;
        }
        if (IsControlShortcut(msg, 'C')) {
            CopySelectedPaths();
            return true;
        }
    }
    return KestDlg::PreTranslateMessage(msg);
}

void KestBrowseDlg::OnOK() {
    if (::GetFocus() == list_.hwnd())
        Preview(static_cast<int>(list_.Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)));
}

HBRUSH KestBrowseDlg::OnCtlColor(HDC dc, HWND control, UINT ctlType) {
    // Being read-only, the preview asks for a static's colours; it looks as the log does.
    if (control == preview_.hwnd()) {
        if (!previewBrush_) previewBrush_.reset(::CreateSolidBrush(kLogBackground));
        ::SetBkColor(dc, kLogBackground);
        ::SetTextColor(dc, kLogText);
        return previewBrush_;
    }
    return KestDlg::OnCtlColor(dc, control, ctlType);
}

LRESULT KestBrowseDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wp) == BN_CLICKED && lp != 0) {
            switch (LOWORD(wp)) {
            case IDC_BROWSE_EXTRACT_SELECTED:
                ExtractSelected();
                return 0;
            case IDC_BROWSE_EXTRACT_ALL:
                host_.QueueFastFile(path_);
                ShowStatus("Queued " + name_ + " in the main window");
                return 0;
            case IDC_BROWSE_CLOSE:
                CloseDialog();
                return 0;
            }
        }
        if (LOWORD(wp) == IDC_BROWSE_FILTER && HIWORD(wp) == EN_CHANGE) {
            OnFilterChanged();
            return 0;
        }
        break;
    case WM_NOTIFY: {
        const auto* notice = reinterpret_cast<const NMHDR*>(lp);
        LRESULT result = 0;
        if (notice && notice->hwndFrom == list_.hwnd() && OnListNotify(*notice, result)) return result;
        break;
    }
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wp) == list_.hwnd()) {
            OnContextMenu(lp);
            return 0;
        }
        break;
    case WM_KEST_BROWSEREPORT:
        OnReport(std::unique_ptr<BrowseReport>(reinterpret_cast<BrowseReport*>(wp)));
        return 0;
    case WM_TIMER:
        if (wp == kPreviewFillTimer) {
            FillPreview();
            return 0;
        }
        break;
    case WM_DESTROY:
        // Every way out of the window ends here: no report may follow it.
        EndSession();
        break;
    }
    return KestDlg::WindowProc(msg, wp, lp);
}

void KestBrowseDlg::OnReport(std::unique_ptr<BrowseReport> report) {
    if (!report) return;
    switch (report->kind) {
    case BrowseReport::kListed:
        OnListed(*report);
        break;
    case BrowseReport::kPreview:
        OnPreview(*report);
        break;
    case BrowseReport::kExtracting:
        OnExtracting(*report);
        break;
    case BrowseReport::kExtracted:
        OnExtracted(*report);
        break;
    }
}

void KestBrowseDlg::OnListed(BrowseReport& report) {
    loadResult_ = report.loadResult;
    if (report.loadResult != kResultSuccess) {
        ShowStatus(LoadFailureStatus(report.loadResult));
        return;
    }
    rows_.SetFiles(std::move(report.files));
    // What was typed while the archive loaded applies at once.
    rows_.SetFilter(fw::WindowHandle(GetDlgItem(IDC_BROWSE_FILTER)).GetWindowText());
    ShowRows();
    ShowStatus(rows_.Summary());
}

void KestBrowseDlg::OnPreview(const BrowseReport& report) {
    if (report.path != previewPath_) return;  // a newer one is on its way
    std::string text;
    if (report.refused)
        text = "Unsafe path refused: " + report.path;
    else if (report.noMemory)
        text = "Not enough memory to show " + report.path;
    else if (report.found)
        text = ::PreviewText(report.bytes, report.size);
    previewText_ = std::move(text);
    previewFilled_ = 0;
    preview_.SetWindowText("");
    FillPreview();
}

void KestBrowseDlg::FillPreview() {
    // The edit's selection and first line are put back after each piece: appending moves
    // both to the end, and the user may be reading or selecting meanwhile.
    DWORD start = 0, end = 0;
    preview_.Send(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const LRESULT firstLine = preview_.Send(EM_GETFIRSTVISIBLELINE);
    preview_.Send(WM_SETREDRAW, FALSE);
    const auto began = std::chrono::steady_clock::now();
    while (previewFilled_ < previewText_.size() && std::chrono::steady_clock::now() - began < kPreviewFillSlice) {
        // Whole lines only: the edit breaks lines at "\r\n" pairs.
        size_t cut = previewText_.find('\n', std::min(previewText_.size(), previewFilled_ + kPreviewPiece));
        cut = cut == std::string::npos ? previewText_.size() : cut + 1;
        const std::string piece = previewText_.substr(previewFilled_, cut - previewFilled_);
        preview_.Send(EM_SETSEL, kTextEnd, kTextEnd);
        preview_.Send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
        previewFilled_ = cut;
    }
    preview_.Send(EM_SETSEL, start, end);
    preview_.Send(EM_LINESCROLL, 0, firstLine - preview_.Send(EM_GETFIRSTVISIBLELINE));
    preview_.Send(WM_SETREDRAW, TRUE);
    ::InvalidateRect(preview_.hwnd(), nullptr, TRUE);
    if (previewFilled_ < previewText_.size())
        ::SetTimer(hwnd(), kPreviewFillTimer, 1, nullptr);
    else
        ::KillTimer(hwnd(), kPreviewFillTimer);
}

void KestBrowseDlg::OnExtracting(const BrowseReport& report) {
    ShowStatus("Extracting " + std::to_string(report.done) + " of " + std::to_string(report.total) + " files..");
    if (report.total > 0) ShowProgress(static_cast<int>(int64_t(report.done) * 100 / report.total));
}

void KestBrowseDlg::OnExtracted(const BrowseReport& report) {
    --extractionsUnderWay_;
    outputFolder_ = report.folder;
    std::string text = "Extracted " + std::to_string(report.written) + " files to " + report.folder;
    if (!report.refusedNames.empty()) text += "; Unsafe path refused: " + Joined(report.refusedNames, ", ");
    if (report.writeErrors > 0)
        text += "; " + std::to_string(report.writeErrors) + " could not be written (see the log)";
    ShowStatus(text);
    ShowProgress(100);
}

bool KestBrowseDlg::OnListNotify(const NMHDR& notice, LRESULT& result) {
    result = 0;
    switch (notice.code) {
    case LVN_GETDISPINFOA: {
        LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(const_cast<NMHDR*>(&notice))->item;
        if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
            const std::string text = rows_.CellText(static_cast<size_t>(item.iItem), item.iSubItem);
            const size_t length = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
            text.copy(item.pszText, length);
            item.pszText[length] = '\0';
        }
        return true;
    }
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(notice);
        const bool selected = (change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED);
        if (!quietSelection_ && change.iItem >= 0 && (change.uChanged & LVIF_STATE) && selected) Preview(change.iItem);
        return true;
    }
    case NM_DBLCLK:
        Preview(reinterpret_cast<const NMITEMACTIVATE&>(notice).iItem);
        return true;
    case LVN_COLUMNCLICK:
        OnColumnClick(reinterpret_cast<const NMLISTVIEW&>(notice).iSubItem);
        return true;
    }
    return false;
}

void KestBrowseDlg::OnFilterChanged() {
    rows_.SetFilter(fw::WindowHandle(GetDlgItem(IDC_BROWSE_FILTER)).GetWindowText());
    ShowRows();
    if (loadResult_ == kResultSuccess && !Extracting()) ShowStatus(rows_.Summary());
}

void KestBrowseDlg::OnColumnClick(int column) {
    // The rows selected stay selected in their new places.
    std::vector<bool> wasSelected(rows_.FileCount());
    for (int row : SelectedRows()) wasSelected[rows_.FileIndex(static_cast<size_t>(row))] = true;
    rows_.SortBy(column);
    ShowRows();
    quietSelection_ = true;
    for (size_t row = 0; row < rows_.Count(); ++row)
        if (wasSelected[rows_.FileIndex(row)]) list_.SetItemState(static_cast<int>(row), LVIS_SELECTED, LVIS_SELECTED);
    quietSelection_ = false;
}

void KestBrowseDlg::ShowRows() {
    // An empty list first: it drops the selection and the focus at once, where clearing
    // them row by row costs a keystroke tens of milliseconds at 20,000 rows.
    list_.Send(LVM_SETITEMCOUNT, 0, 0);
    list_.Send(LVM_SETITEMCOUNT, rows_.Count(), 0);
    list_.Invalidate();
}

void KestBrowseDlg::SelectAll() { list_.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED); }

std::vector<int> KestBrowseDlg::SelectedRows() const {
    std::vector<int> rows;
    for (int row = -1; (row = static_cast<int>(list_.Send(LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))) >= 0;)
        rows.push_back(row);
    return rows;
}

int KestBrowseDlg::RowAt(POINT screen) const {
    LVHITTESTINFO hit{};
    hit.pt = screen;
    ::ScreenToClient(list_.hwnd(), &hit.pt);
    const int row = static_cast<int>(list_.Send(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    return (hit.flags & LVHT_ONITEM) ? row : -1;
}

void KestBrowseDlg::Preview(int row) {
    if (!session_ || row < 0 || static_cast<size_t>(row) >= rows_.Count()) return;
    previewPath_ = rows_.Row(static_cast<size_t>(row)).path;
    session_->Preview(previewPath_, kPreviewLimit);
}

void KestBrowseDlg::ExtractSelected() {
    if (!session_ || loadResult_ != kResultSuccess) return;
    std::vector<std::string> paths;
    for (int row : SelectedRows()) paths.push_back(rows_.Row(static_cast<size_t>(row)).path);
    if (paths.empty()) {
        ShowStatus("No files selected");
        return;
    }
    ++extractionsUnderWay_;
    session_->Extract(paths, host_.OutputFolderFor(path_));
}

void KestBrowseDlg::CopySelectedPaths() {
    std::vector<std::string> paths;
    for (int row : SelectedRows()) paths.push_back(rows_.Row(static_cast<size_t>(row)).path);
    if (!paths.empty()) CopyTextToClipboard(hwnd(), Joined(paths, "\r\n"));
}

void KestBrowseDlg::OnContextMenu(LPARAM where) {
    POINT at{GET_X_LPARAM(where), GET_Y_LPARAM(where)};
    int row;
    if (where == -1) {
        // From the keyboard (Shift+F10, the menu key): for the focused row, below it.
        row = static_cast<int>(list_.Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
        RECT r{};
        at = row >= 0 && list_.GetItemRect(row, &r, LVIR_LABEL) ? POINT{r.left, r.bottom} : POINT{0, 0};
        ::ClientToScreen(list_.hwnd(), &at);
    } else {
        row = RowAt(at);
        // A click on a row outside the selection makes it the selection, as in the shell.
        if (row >= 0 && !list_.GetItemState(row, LVIS_SELECTED)) {
            list_.SetItemState(-1, 0, LVIS_SELECTED);
            list_.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        }
    }
    const bool anySelected = list_.Send(LVM_GETSELECTEDCOUNT) > 0;
    KestPopupMenu menu;
    menu.AddItem(kExtractCommand, "Extract", anySelected);
    menu.AddItem(kCopyPathCommand, "Copy Path", anySelected);
    menu.AddItem(kPreviewCommand, "Preview", row >= 0);
    if (!outputFolder_.empty()) menu.AddItem(kOpenOutputFolderCommand, "Open Output Folder");
    switch (menu.Track(hwnd(), at)) {
    case kExtractCommand:
        ExtractSelected();
        break;
    case kCopyPathCommand:
        CopySelectedPaths();
        break;
    case kPreviewCommand:
        Preview(row);
        break;
    case kOpenOutputFolderCommand:
        OpenFolderInFileManager(hwnd(), outputFolder_);
        break;
    }
}
