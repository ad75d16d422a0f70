#include "KestProgramLogDlg.h"

#include <vector>

#include "CaptionButton.h"
#include "KestPalette.h"
#include "KestSexyAnchors.h"
#include "QueuedLogView.h"
#include "program_log.h"
#include "res/resource.h"

namespace {

constexpr int kMinimumWidth = 350;
constexpr int kMinimumHeight = 200;

// The window whose feed is theLog's view; changed only under the log's lock. Two log
// windows at once are not meant to be, but the second one open then owns the view
// and the first one closing leaves it alone.
KestProgramLogDlg* g_receivingWindow = nullptr;

// The edit breaks lines only at "\r\n"; the log's start header carries bare "\n".
std::string WithEditLineBreaks(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

int CountLineBreaks(const std::string& text) {
    int count = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++count;
    return count;
}

}  // namespace

KestProgramLogDlg::KestProgramLogDlg(HWND owner, KestProgramLogDlg** ownerSlot)
    : KestDlg(IDD_PROGRAM_LOG), owner_(owner), ownerSlot_(ownerSlot) {
    SetCaptionIcon(IDI_PROGRAM_LOG);
    ShowCaptionButtons(CaptionButtons::CloseAndMinimise);
    SetMinimumTrackSize(kMinimumWidth, kMinimumHeight);
}

KestProgramLogDlg::~KestProgramLogDlg() {
    // Also reached by a plain delete while the window still exists.
    StopReceivingLines();
    if (ownerSlot_ && *ownerSlot_ == this) *ownerSlot_ = nullptr;
}

KestProgramLogDlg* KestProgramLogDlg::Show(KestProgramLogDlg*& slot, HWND owner) {
    if (!slot) {
        slot = new KestProgramLogDlg(owner, &slot);
        // A window that failed after it was made has deleted itself and cleared slot.
        if (!slot->Create() && slot) {
            delete slot;
            slot = nullptr;
        }
        if (!slot) return nullptr;
    }
    slot->ShowWindow(slot->IsIconic() ? SW_RESTORE : SW_SHOW);
    ::SetForegroundWindow(slot->hwnd());
    return slot;
}

void KestProgramLogDlg::Destroy(KestProgramLogDlg*& slot) {
    if (!slot) return;
    if (slot->hwnd())
        ::DestroyWindow(slot->hwnd());  // the window deletes itself and clears slot
    else
        delete slot;
    slot = nullptr;
}

bool KestProgramLogDlg::Create() { return fw::Dialog::Create(IDD_PROGRAM_LOG, owner_); }

BOOL KestProgramLogDlg::OnInitDialog() {
    closeButton_.SubclassDlgItem(IDC_LOG_CLOSE, hwnd());
    clearButton_.SubclassDlgItem(IDC_LOG_CLEAR, hwnd());
    // Before the anchors take the text's place: it gives up room for its scroll bar.
    edit_.Attach(GetDlgItem(IDC_LOG_TEXT));
    if (!anchors_) {
        auto anchors = std::make_unique<KestSexyAnchors>();
        anchors->AddControl(IDC_LOG_CLOSE, ANCHOR_RIGHT | ANCHOR_BOTTOM);
        anchors->AddControl(IDC_LOG_CLEAR, ANCHOR_RIGHT | ANCHOR_BOTTOM);
        anchors->AddControl(IDC_LOG_TEXT, ANCHOR_LEFT | ANCHOR_TOP | ANCHOR_RIGHT | ANCHOR_BOTTOM);
        anchors->Attach(hwnd(), 0);
        anchors->Relayout(GetWindowRect(), kRelayoutAnySize);
        anchors_ = std::move(anchors);
        Invalidate();
    }

    // 200 long lines pass the edit's default limit of 32K characters.
    edit_.Send(EM_SETLIMITTEXT, 0);

    // The view is set and the history read under one hold of the log's lock, so each
    // line arrives exactly once: in the history, or later through the feed.
    feed_ = std::make_unique<QueuedLogView>(hwnd(), WM_KEST_LOGLINES);
    std::vector<std::string> history;
    {
        std::lock_guard<std::recursive_mutex> hold(theLog.Mutex());
        theLog.SetLogView(feed_.get());
        g_receivingWindow = this;
        history = theLog.History();
    }
    std::string replay;
    for (const std::string& line : history) replay += "\r\n" + line;
    AppendLogText(replay);

    KestDlg::OnInitDialog();
    return TRUE;
}

void KestProgramLogDlg::StopReceivingLines() {
    std::lock_guard<std::recursive_mutex> hold(theLog.Mutex());
    if (g_receivingWindow != this) return;
    theLog.SetLogView(nullptr);
    g_receivingWindow = nullptr;
}

void KestProgramLogDlg::CloseDialog() { ShowWindow(SW_HIDE); }

LRESULT KestProgramLogDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wp) == BN_CLICKED && LOWORD(wp) == IDC_LOG_CLEAR) {
            OnClear();
            return 0;
        }
        if (HIWORD(wp) == BN_CLICKED && LOWORD(wp) == IDC_LOG_CLOSE) {
            ::DestroyWindow(hwnd());  // and this object with it
            return 0;
        }
        break;
    case WM_KEST_LOGLINES:
        AppendWaitingLines();
        return 0;
    case WM_DESTROY:
        StopReceivingLines();
        break;
    }
    return KestDlg::WindowProc(msg, wp, lp);
}

HBRUSH KestProgramLogDlg::OnCtlColor(HDC dc, HWND control, UINT ctlType) {
    // Being read-only, the edit asks for a static's colours.
    if (control == edit_.hwnd()) {
        if (!editBrush_) editBrush_.reset(::CreateSolidBrush(kLogBackground));
        ::SetBkColor(dc, kLogBackground);
        ::SetTextColor(dc, kLogText);
        return editBrush_;
    }
    return KestDlg::OnCtlColor(dc, control, ctlType);
}

void KestProgramLogDlg::OnClear() {
    {
        std::lock_guard<std::recursive_mutex> hold(theLog.Mutex());
        theLog.ClearHistory();
        // Lines logged before the press and not shown yet go with the history.
        if (feed_) feed_->DropWaiting();
    }
    edit_.SetWindowText("");
    lines_ = 0;
}

void KestProgramLogDlg::AppendWaitingLines() {
    if (feed_) AppendLogText(feed_->TakeWaitingText());
}

void KestProgramLogDlg::AppendLogText(const std::string& text) {
    if (!edit_.hwnd() || text.empty()) return;
    std::string added = WithEditLineBreaks(text);
    // Each line comes with the break before it; the first line of all needs none.
    if (lines_ == 0) {
        if (added.compare(0, 2, "\r\n") == 0) added.erase(0, 2);
        lines_ = 1;
    }
    lines_ += CountLineBreaks(added);

    edit_.Send(WM_SETREDRAW, FALSE);
    const int end = ::GetWindowTextLengthW(edit_);
    edit_.Send(EM_SETSEL, end, end);
    edit_.Send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(added.c_str()));
    if (lines_ > kMaxLines) TrimOldestLines();
    edit_.Send(EM_LINESCROLL, 0, edit_.Send(EM_GETLINECOUNT));
    edit_.Send(WM_SETREDRAW, TRUE);
    ::InvalidateRect(edit_, nullptr, TRUE);
}

void KestProgramLogDlg::TrimOldestLines() {
    // Whole lines go, found by their breaks in the text itself: the edit's own line
    // numbers count wrapped rows, and a cut there would leave half a line at the top.
    // Positions are in the edit's characters, hence the wide text.
    const int drop = lines_ - kLinesAfterTrim;
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(edit_)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(edit_, &text[0], static_cast<int>(text.size()))));
    size_t cut = 0;
    for (int i = 0; i < drop; ++i) {
        cut = text.find(L"\r\n", cut);
        if (cut == std::wstring::npos) return;
        cut += 2;
    }
    edit_.Send(EM_SETSEL, 0, static_cast<LPARAM>(cut));
    edit_.Send(EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(""));
    lines_ -= drop;
}
