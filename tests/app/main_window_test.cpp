// The main window end to end: files dropped on it as the shell drops them (a DROPFILES
// block posted with WM_DROPFILES), checked, listed and extracted by the real worker,
// with the rows, colours, progress, status text, output files and log lines checked
// once the worker is idle. The box answerer answers the "Invalid File" boxes from inside
// their own modal loops and records them in order.
#include <gtest/gtest.h>

#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "KestAboutDlg.h"
#include "KestBrowseDlg.h"
#include "KestMessagebox.h"
#include "KestPalette.h"
#include "Kest_VandrelDlg.h"
#include "big_archive.h"
#include "drop_intake.h"
#include "export_options.h"
#include "ff_job.h"
#include "file_preview.h"
#include "ff_builder.h"
#include "heap_block_counter.h"
#include "import_patch.h"
#include "output_folder.h"
#include "output_test_support.h"
#include "sound_list.h"
#include "string_table.h"
#include "themed_test_dialog.h"
#include "ui_test_support.h"

using testsupport::Exists;
using testsupport::ReadText;
using testsupport::TempFolder;

namespace {

constexpr COLORREF kDoneColour = RGB(0, 255, 0);
constexpr COLORREF kErrorColour = RGB(255, 0, 0);
constexpr DWORD kJobsTimeoutMs = 60000;

// The main window as the program runs it, counting the drops it has finished with.
class TestedMainWindow : public CKest_VandrelDlg {
public:
    int dropsHandled = 0;
    // The rows as they stood when the last drop had been handled, before any report.
    std::vector<std::vector<std::string>> rowsAfterDrop;
    std::vector<COLORREF> coloursAfterDrop;

    std::vector<std::string> Row(int row) {
        std::vector<std::string> cells;
        for (int column = 0; column < 5; ++column) {
            char text[256] = {};
            JobList().GetItemText(row, column, text, sizeof text);
            cells.push_back(text);
        }
        return cells;
    }
    std::vector<std::vector<std::string>> Rows() {
        std::vector<std::vector<std::string>> rows;
        for (int i = 0; i < JobList().GetItemCount(); ++i) rows.push_back(Row(i));
        return rows;
    }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        LRESULT result = CKest_VandrelDlg::WindowProc(msg, wp, lp);
        if (msg == WM_DROPFILES) {
            ++dropsHandled;
            rowsAfterDrop = Rows();
            coloursAfterDrop.clear();
            for (int i = 0; i < JobList().GetItemCount(); ++i) coloursAfterDrop.push_back(JobList().RowStatusColour(i));
        }
        return result;
    }
};

// The drop handles the window has released, as it called the shell to release them.
std::vector<HDROP> g_releasedDrops;
decltype(&::DragFinish) g_systemDragFinish = nullptr;
void WINAPI RecordDragFinish(HDROP drop) {
    g_releasedDrops.push_back(drop);
    g_systemDragFinish(drop);
}

// A drop as the shell hands it over: DROPFILES, then the ANSI paths, each ended by a
// zero, and one more zero.
HGLOBAL MakeDrop(const std::vector<std::string>& paths) {
    size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& path : paths) size += path.size() + 1;
    HGLOBAL memory = ::GlobalAlloc(GHND, size);
    auto* files = static_cast<DROPFILES*>(::GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = FALSE;
    char* at = reinterpret_cast<char*>(files + 1);
    for (const std::string& path : paths) {
        memcpy(at, path.c_str(), path.size() + 1);
        at += path.size() + 1;
    }
    ::GlobalUnlock(memory);
    return memory;
}

ffb::ZoneBuilder SmallZone(const std::string& script = "main() {}") {
    ffb::ZoneBuilder zone;
    zone.Strings({"mp_crash", "sun", "moon"}).AssetTypes({0x20, 0x21}).Record(ffb::kGsc, "maps/dm.gsc", script);
    return zone;
}

std::string Hex(size_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
    return text;
}

// Pixels of exactly colour inside the Status cell of row.
int StatusPixels(KestListView& list, int row, COLORREF colour) {
    RECT cell{LVIR_LABEL, kColumnStatus, 0, 0};  // the flag in left, the column in top
    list.Send(LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
    const uitest::Pixels p = uitest::CaptureClient(list.hwnd());
    int count = 0;
    for (int y = cell.top; y < cell.bottom; ++y)
        for (int x = cell.left; x < cell.right; ++x) count += p.At(x, y) == colour;
    return count;
}

// The folders the window asks the shell to open; nothing is started.
class ShellOpenRecorder {
public:
    ShellOpenRecorder() : patch_("shell32.dll", "ShellExecuteA", reinterpret_cast<void*>(&Record)) {
        current_ = this;
    }
    ~ShellOpenRecorder() { current_ = nullptr; }
    bool Active() const { return patch_.Active(); }
    // Each call as "verb folder"; taken, so the next check starts afresh.
    std::vector<std::string> Take() { return std::exchange(opened_, {}); }

private:
    static HINSTANCE WINAPI Record(HWND, LPCSTR verb, LPCSTR file, LPCSTR, LPCSTR, INT) {
        if (current_) current_->opened_.push_back(std::string(verb ? verb : "(null)") + " " + (file ? file : ""));
        return reinterpret_cast<HINSTANCE>(42);  // success, as ShellExecute reports it
    }
    static ShellOpenRecorder* current_;
    uitest::ImportPatch patch_;
    std::vector<std::string> opened_;
};
ShellOpenRecorder* ShellOpenRecorder::current_ = nullptr;

class MainWindowTest : public ::testing::Test {
protected:
    TempFolder dir;
    std::unique_ptr<TestedMainWindow> window;
    std::unique_ptr<testsupport::LogCapture> log;
    uitest::ImportPatch dragFinish{"shell32.dll", "DragFinish", reinterpret_cast<void*>(&RecordDragFinish)};
    uitest::BoxAnswerer boxes;
    std::vector<unsigned> boxFlags;  // of each "Invalid File" box

    void SetUp() override {
        g_systemDragFinish = reinterpret_cast<decltype(g_systemDragFinish)>(dragFinish.Original());
        uitest::EnsureThemedUi();
        ExportOptions = ExportOptionsRecord{};
        boxes.On("Invalid File", [&](HWND box) {
            auto* shown = dynamic_cast<KestMessagebox*>(fw::Window::FromHandle(box));
            boxFlags.push_back(shown ? shown->Flags() : 0u);
            ::SendMessageA(::GetDlgItem(box, IDC_MSGBOX_RIGHT), BM_CLICK, 0, 0);
        });
        Open();
    }
    void TearDown() override { window.reset(); }

    void Open() {
        window.reset();
        log = std::make_unique<testsupport::LogCapture>();
        window = std::make_unique<TestedMainWindow>();
        ASSERT_TRUE(window->Create(nullptr));
        uitest::ShowAndPaint(window->hwnd());
    }

    std::string Archive(const std::string& name, const ffb::ZoneBuilder& zone = SmallZone()) {
        const std::string path = dir / name;
        EXPECT_TRUE(ffb::WriteFile(path, ffb::FastFile(ffb::kVersion387, zone.Build())));
        return path;
    }

    // Posts the drop and pumps until the window has dealt with it, boxes and all.
    void Drop(const std::vector<std::string>& paths) {
        const int before = window->dropsHandled;
        const size_t releasedBefore = g_releasedDrops.size();
        const HDROP drop = static_cast<HDROP>(MakeDrop(paths));
        ASSERT_TRUE(window->Post(WM_DROPFILES, reinterpret_cast<WPARAM>(drop)));
        ASSERT_TRUE(uitest::PumpUntil([&] { return window->dropsHandled > before; }, 10000)) << "drop not handled";
        const std::vector<HDROP> released(g_releasedDrops.begin() + releasedBefore, g_releasedDrops.end());
        EXPECT_EQ(std::vector<HDROP>{drop}, released) << "the drop handle is released once";
    }

    // Pumps until every row shows how its job ended and the status bar is back at "Idle..".
    bool WaitUntilIdle() {
        auto ended = [](const std::string& status) { return status == "Done" || status.rfind("Error", 0) == 0; };
        const bool idle = uitest::PumpUntil(
            [&] {
                if (window->StatusBar().StatusText() != "Idle..") return false;
                for (const auto& row : window->Rows())
                    if (!ended(row[1])) return false;
                return true;
            },
            kJobsTimeoutMs);
        EXPECT_TRUE(idle) << "the worker did not finish";
        return idle;
    }

    std::vector<std::string> AddedLines() {
        std::vector<std::string> added;
        for (const std::string& line : log->Lines())
            if (line.rfind("Added '", 0) == 0) added.push_back(line);
        return added;
    }

    void Click(int id) { ::SendMessageA(window->GetDlgItem(id), BM_CLICK, 0, 0); }

    POINT RowPoint(int row) {
        RECT r{};
        window->JobList().GetItemRect(row, &r, LVIR_LABEL);
        return POINT{r.left + 10, (r.top + r.bottom) / 2};
    }
    void DoubleClick(int row) {
        const POINT at = RowPoint(row);
        window->JobList().Send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        window->JobList().Send(WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    }
};

BOOL CALLBACK CountLogWindows(HWND hwnd, LPARAM count) {
    char caption[64] = {};
    ::GetWindowTextA(hwnd, caption, sizeof caption);
    *reinterpret_cast<int*>(count) += std::string(caption) == "Program Log";
    return TRUE;
}

std::vector<std::string> WaitingRow(const std::string& name) { return {name, "Waiting", "0x0", "0", "0"}; }

TEST_F(MainWindowTest, StartsIdleWithFiveColumnsAndOnePlaceholderRow) {
    const struct {
        const char* heading;
        int width;
    } columns[] = {{"Name", 150}, {"Status", 90}, {"Size", 70}, {"Files", 50}, {"Strings", 50}};
    for (int i = 0; i < 5; ++i) {
        char heading[32] = {};
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = heading;
        column.cchTextMax = sizeof heading;
        ASSERT_TRUE(window->JobList().Send(LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column)));
        EXPECT_STREQ(columns[i].heading, heading);
        EXPECT_EQ(columns[i].width, column.cx);
        EXPECT_EQ(LVCFMT_LEFT, column.fmt & LVCFMT_JUSTIFYMASK);
    }
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"", "", "", "", ""}}), window->Rows());
    EXPECT_EQ(CKest_VandrelDlg::kWaitingColour, window->JobList().RowStatusColour(0));
    EXPECT_EQ(1, window->JobList().rowCounter);
    EXPECT_TRUE(window->ClearPending());
    EXPECT_EQ("Idle..", window->StatusBar().StatusText());
    EXPECT_EQ(0, window->StatusBar().Progress().Position());
    EXPECT_EQ(100, window->StatusBar().Progress().Upper());
    EXPECT_TRUE(log->Contains("Background FastFile Worker started"));
    EXPECT_TRUE(::GetWindowLongA(window->hwnd(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
}

TEST_F(MainWindowTest, CheckBoxesStartFromTheOptionsAndSetThemWhenClicked) {
    const struct {
        int id;
        uint8_t ExportOptionsRecord::*option;
    } boxes[] = {
        {IDC_CREATE_DUMP, &ExportOptionsRecord::create_dump},
        {IDC_WINDOW_ON_TOP, &ExportOptionsRecord::WindowOnTop},
        {IDC_INC_STRINGTABLE, &ExportOptionsRecord::Inc_StringTable},
        {IDC_DUMP_TO_LOCAL, &ExportOptionsRecord::LocalDump},
    };
    for (const auto& box : boxes) {
        ExportOptions = ExportOptionsRecord{};
        ExportOptions.*box.option = 1;
        Open();
        for (const auto& other : boxes)
            EXPECT_EQ(other.id == box.id ? BST_CHECKED : BST_UNCHECKED,
                      ::SendMessageA(window->GetDlgItem(other.id), BM_GETCHECK, 0, 0))
                << other.id << " with " << box.id << " stored as set";
        Click(box.id);
        EXPECT_EQ(0, ExportOptions.*box.option) << box.id;
        Click(box.id);
        EXPECT_EQ(1, ExportOptions.*box.option) << box.id;
    }
}

TEST_F(MainWindowTest, DumpToLocalChangesTheRedTextAtOnce) {
    auto text = [&] { return fw::WindowHandle(window->GetDlgItem(IDC_OUTPUT_FOLDER_TEXT)).GetWindowText(); };
    EXPECT_EQ("Data is dumped into the same folder as FastFile", text());
    Click(IDC_DUMP_TO_LOCAL);
    EXPECT_EQ("Data is dumped into Programs Running Directory", text());
    Click(IDC_DUMP_TO_LOCAL);
    EXPECT_EQ("Data is dumped into the same folder as FastFile", text());

    // Red on the dialog's background; the hint above it in the theme's green.
    uitest::RepaintNow(window->hwnd());
    auto count = [&](int id, COLORREF colour) {
        const uitest::Pixels p = uitest::CaptureClient(window->GetDlgItem(id));
        int n = 0;
        for (uint32_t pixel : p.bgra) n += RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF) == colour;
        return n;
    };
    EXPECT_GT(count(IDC_OUTPUT_FOLDER_TEXT, CKest_VandrelDlg::kOutputFolderTextColour), 20);
    EXPECT_EQ(0, count(IDC_DROP_HINT, CKest_VandrelDlg::kOutputFolderTextColour));
    EXPECT_GT(count(IDC_DROP_HINT, KestTheme.staticText), 20);
}

TEST_F(MainWindowTest, WindowOnTopTakesEffectAtOnceAndAStoredOneAfterFirstShown) {
    auto topmost = [&] { return (window->GetExStyle() & WS_EX_TOPMOST) != 0; };
    EXPECT_FALSE(topmost());
    Click(IDC_WINDOW_ON_TOP);
    EXPECT_TRUE(topmost());
    Click(IDC_WINDOW_ON_TOP);
    EXPECT_FALSE(topmost());

    // Stored as set: not while the window is built, only once it has been shown.
    ExportOptions.WindowOnTop = 1;
    window.reset();
    window = std::make_unique<TestedMainWindow>();
    ASSERT_TRUE(window->Create(nullptr));
    const bool topmostBeforeShown = topmost();
    uitest::PumpUntil([&] { return topmost(); });
    EXPECT_FALSE(topmostBeforeShown);
    EXPECT_TRUE(topmost());
}

// With an update found, its prompt comes first once the window shows; a stored Window
// On Top and the files the program was started with wait until it is closed.
TEST_F(MainWindowTest, TheUpdatePromptComesBeforeWindowOnTopAndTheStartFiles) {
    const std::string patch = Archive("patch.ff");
    ExportOptions.WindowOnTop = 1;
    window = std::make_unique<TestedMainWindow>();
    window->updateAvailable = true;
    window->SetStartupFiles({patch});
    bool topmostDuringPrompt = true;
    size_t addedDuringPrompt = 99;
    boxes.On("Program Update", [&](HWND prompt) {
        topmostDuringPrompt = (window->GetExStyle() & WS_EX_TOPMOST) != 0;
        addedDuringPrompt = AddedLines().size();
        ::SendMessageA(::GetDlgItem(prompt, IDC_UPDATE_CLOSE), BM_CLICK, 0, 0);
    });
    ASSERT_TRUE(window->Create(nullptr));
    uitest::PumpUntil([&] { return !AddedLines().empty(); });
    ASSERT_EQ(1u, boxes.Seen().size());
    EXPECT_EQ("Program Update", boxes.Seen()[0].caption);
    EXPECT_EQ(window->hwnd(), boxes.Seen()[0].owner);
    EXPECT_FALSE(topmostDuringPrompt);
    EXPECT_EQ(0u, addedDuringPrompt);
    EXPECT_TRUE(window->GetExStyle() & WS_EX_TOPMOST);
    EXPECT_EQ((std::vector<std::string>{"Added 'patch.ff' to the Que"}), AddedLines());
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ("Done", window->Row(0)[1]);
}

TEST_F(MainWindowTest, ControlsFollowTheLowerRightCornerAndTheSizeHasAFloor) {
    MINMAXINFO limits{};
    window->Send(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(400, limits.ptMinTrackSize.x);
    EXPECT_EQ(280, limits.ptMinTrackSize.y);

    auto place = [&](int id) {
        RECT r = fw::WindowHandle(window->GetDlgItem(id)).GetWindowRect();
        window->ScreenToClient(&r);
        return r;
    };
    const int ids[] = {IDC_JOB_LIST, IDC_CLOSE, IDC_SHOW_LOG, IDC_ABOUT, IDC_CREATE_DUMP, IDC_WINDOW_ON_TOP,
                       IDC_INC_STRINGTABLE, IDC_DUMP_TO_LOCAL, IDC_DROP_HINT, IDC_OUTPUT_FOLDER_TEXT};
    std::vector<RECT> before;
    for (int id : ids) before.push_back(place(id));
    const RECT w = window->GetWindowRect();
    constexpr int dx = 120, dy = 90;
    window->SetWindowPos(nullptr, 0, 0, w.right - w.left + dx, w.bottom - w.top + dy, SWP_NOMOVE | SWP_NOZORDER);
    uitest::PumpPending();

    for (size_t i = 0; i < std::size(ids); ++i) {
        const RECT a = before[i], b = place(ids[i]);
        const bool list = ids[i] == IDC_JOB_LIST;
        const bool leftText = ids[i] == IDC_DROP_HINT || ids[i] == IDC_OUTPUT_FOLDER_TEXT;
        EXPECT_EQ(a.left + (list || leftText ? 0 : dx), b.left) << ids[i];
        EXPECT_EQ(a.top + (list ? 0 : dy), b.top) << ids[i];
        EXPECT_EQ(a.right + dx * !leftText, b.right) << ids[i];
        EXPECT_EQ(a.bottom + dy, b.bottom) << ids[i];
    }
    RECT bar = window->StatusBar().GetWindowRect();
    window->ScreenToClient(&bar);
    const RECT client = window->GetClientRect();
    EXPECT_EQ(client.bottom, bar.bottom);
    EXPECT_EQ(0, bar.left);
    EXPECT_EQ(client.right, bar.right);
    EXPECT_LE(place(IDC_DUMP_TO_LOCAL).bottom, bar.top) << "the status bar covers no control";
}

TEST_F(MainWindowTest, CloseEscapeTheCaptionAndTheSystemCloseEndTheWindowButEnterDoesNot) {
    const struct {
        const char* name;
        std::function<void(HWND)> act;
    } ways[] = {
        {"Close", [](HWND w) { ::SendMessageA(::GetDlgItem(w, IDC_CLOSE), BM_CLICK, 0, 0); }},
        {"Escape", [](HWND w) { ::PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"caption close", [](HWND w) { uitest::ClickCloseBox(w); }},
        {"system close", [](HWND w) { ::PostMessageA(w, WM_CLOSE, 0, 0); }},
    };
    window->Post(WM_KEYDOWN, VK_RETURN);
    window->Send(WM_COMMAND, IDOK);
    uitest::PumpPending();
    EXPECT_TRUE(window->IsWindow()) << "Enter closed the window";
    for (const auto& way : ways) {
        Open();
        const HWND hwnd = window->hwnd();
        way.act(hwnd);
        EXPECT_TRUE(uitest::PumpUntil([&] { return !::IsWindow(hwnd); })) << way.name;
    }
}

TEST_F(MainWindowTest, OneValidFileIsListedQueuedLoggedAndExtracted) {
    const std::string patch = Archive("patch.ff");
    Drop({patch});
    EXPECT_EQ((std::vector<std::vector<std::string>>{WaitingRow("patch.ff")}), window->rowsAfterDrop)
        << "the placeholder gives way to the first file";
    EXPECT_EQ((std::vector<COLORREF>{CKest_VandrelDlg::kWaitingColour}), window->coloursAfterDrop);
    EXPECT_FALSE(window->ClearPending());
    EXPECT_EQ((std::vector<std::string>{"Added 'patch.ff' to the Que"}), AddedLines());

    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"patch.ff", "Done", Hex(SmallZone().Build().size()), "2", "3"}}),
              window->Rows());
    EXPECT_EQ(kDoneColour, window->JobList().RowStatusColour(0));
    EXPECT_EQ(100, window->StatusBar().Progress().Position());
    EXPECT_EQ("main() {}", ReadText(dir / "patch/maps/dm.gsc"));
    EXPECT_FALSE(Exists(dir / "patch.ff.dump"));
    uitest::RepaintNow(window->hwnd());
    EXPECT_GT(StatusPixels(window->JobList(), 0, kDoneColour), 10) << "\"Done\" is drawn in green";
}

TEST_F(MainWindowTest, RejectedPathsShowOneBoxEachInDropOrderAndAddNothing) {
    const std::string upper = Archive("patch.FF");
    const std::string mixed = Archive("patch.Ff");
    const std::string doubled = Archive("patch.ff.bak");
    const std::string bare = Archive("patch");
    const std::string missing = dir / "missing.ff";
    const std::string noFolder = dir / "nowhere/patch.ff";
    const std::string longPath = dir / ("nowhere/" + std::string(300, 'x') + ".ff");
    const struct {
        std::string path;
        std::string text;
    } cases[] = {
        {upper, "Not a FastFile: 'patch.FF'"},
        {mixed, "Not a FastFile: 'patch.Ff'"},
        {doubled, "Not a FastFile: 'patch.ff.bak'"},
        {bare, "Not a FastFile: 'patch'"},
        {missing, "File dose not Exsist: " + missing},
        {noFolder, "Error Can't Find: " + noFolder},
        {"patch.ff", "Error Can't Find: patch.ff"},
        {longPath, "Error Can't Find: " + longPath},  // whole, not cut at 260 characters
    };
    std::vector<std::string> paths, texts;
    for (const auto& c : cases) {
        paths.push_back(c.path);
        texts.push_back(c.text);
    }
    Drop(paths);
    EXPECT_EQ(texts, boxes.Texts());
    EXPECT_EQ(std::vector<unsigned>(texts.size(), KMB_OK | KMB_ICONERROR), boxFlags);
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"", "", "", "", ""}}), window->Rows());
    EXPECT_TRUE(window->ClearPending()) << "only an accepted file removes the placeholder";
    EXPECT_TRUE(AddedLines().empty());
}

// Two valid files and an invalid one in one drop, then the first again: one box, and
// every accepted file gets its row and its job in order, the same file twice too.
TEST_F(MainWindowTest, ValidFilesOfADropAreQueuedInOrderAroundAnInvalidOne) {
    const std::string first = Archive("first.ff");
    const std::string notes = Archive("notes.txt");
    const std::string second = Archive("second.ff", SmallZone("second() {}"));
    Drop({first, notes, second});
    Drop({first});
    EXPECT_EQ((std::vector<std::string>{"Not a FastFile: 'notes.txt'"}), boxes.Texts());
    EXPECT_EQ((std::vector<std::string>{"Added 'first.ff' to the Que", "Added 'second.ff' to the Que",
                                        "Added 'first.ff' to the Que"}),
              AddedLines());
    ASSERT_TRUE(WaitUntilIdle());
    const std::string size = Hex(SmallZone().Build().size());
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"first.ff", "Done", size, "2", "3"},
                                                     {"second.ff", "Done", Hex(SmallZone("second() {}").Build().size()), "2", "3"},
                                                     {"first.ff", "Done", size, "2", "3"}}),
              window->Rows());
    EXPECT_EQ("second() {}", ReadText(dir / "second/maps/dm.gsc"));
}

// Each box belongs to the main window, which takes no clicks or drops while it is open.
TEST_F(MainWindowTest, TheWindowIsDisabledWhileEachBoxOfADropIsOpenAndActiveAgainAfter) {
    const std::string notes = Archive("notes.txt");
    const std::string patch = Archive("patch.ff");
    const std::string missing = dir / "missing.ff";
    Drop({notes, patch, missing});
    ASSERT_EQ(2u, boxes.Seen().size());
    for (const uitest::SeenBox& box : boxes.Seen()) {
        EXPECT_EQ(window->hwnd(), box.owner) << box.text;
        EXPECT_TRUE(box.ownerDisabled) << box.text;
    }
    EXPECT_TRUE(window->IsWindowEnabled());
    // Activation comes back through the X server, a moment after the last box has gone.
    EXPECT_TRUE(uitest::PumpUntil([&] { return ::GetActiveWindow() == window->hwnd(); }))
        << "active: " << ::GetActiveWindow();
    EXPECT_EQ((std::vector<std::string>{"Added 'patch.ff' to the Que"}), AddedLines());
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"patch.ff", "Done", Hex(SmallZone().Build().size()), "2", "3"}}),
              window->Rows());
}

TEST_F(MainWindowTest, AQueuedJobKeepsItsOptionsAndALaterOneGetsTheNewOnes) {
    const std::string before = Archive("before.ff");
    const std::string after = Archive("dumped_to_local.ff");
    // With Dump To Local the files go beside the program (the test program here).
    const std::string local = GetProgramFolder() + "\\dumped_to_local";
    std::filesystem::remove_all(local);
    Drop({before});
    Click(IDC_CREATE_DUMP);
    Click(IDC_INC_STRINGTABLE);
    Click(IDC_DUMP_TO_LOCAL);
    Drop({after});
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_FALSE(Exists(before + ".dump"));
    EXPECT_FALSE(Exists(dir / "before/StringTable.txt"));
    EXPECT_EQ("main() {}", ReadText(dir / "before/maps/dm.gsc"));
    EXPECT_EQ(SmallZone().Build(), ffb::ReadFile(after + ".dump"));
    EXPECT_TRUE(Exists(local + "\\StringTable.txt"));
    EXPECT_EQ("main() {}", ReadText(local + "\\maps\\dm.gsc"));
    EXPECT_FALSE(Exists(dir / "dumped_to_local"));
    // Each row opens the folder its job was queued with, whatever the option says now.
    ShellOpenRecorder shell;
    DoubleClick(0);
    DoubleClick(1);
    EXPECT_EQ((std::vector<std::string>{"open " + (dir / "before"), "open " + local}), shell.Take());
    std::filesystem::remove_all(local);
}

TEST_F(MainWindowTest, ACorruptFileEndsRedWithProgressZeroAndALogLine) {
    const std::string bad = dir / "bad.ff";
    ASSERT_TRUE(ffb::WriteFile(bad, ffb::ToBytes("this is not a FastFile at all")));
    Drop({bad});
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"bad.ff", "Error: Corrupt or unsupported", "0x0", "0", "0"}}),
              window->Rows());
    EXPECT_EQ(kErrorColour, window->JobList().RowStatusColour(0));
    EXPECT_EQ(0, window->StatusBar().Progress().Position());
    EXPECT_EQ("Idle..", window->StatusBar().StatusText());
    EXPECT_TRUE(log->Contains("(bad.ff) Error: FastFile is either corrupt or not a supported Version"));
    uitest::RepaintNow(window->hwnd());
    EXPECT_GT(StatusPixels(window->JobList(), 0, kErrorColour), 10) << "the error is drawn in red";
}

TEST_F(MainWindowTest, WorkerReportsUpdateTheirCellBarAndTextAndEveryRowReportIsFreed) {
    Drop({Archive("patch.ff")});
    ASSERT_TRUE(WaitUntilIdle());
    window->StopWorker();  // nothing else may post now

    uitest::g_watchedSize = sizeof(RowUpdate);
    const int liveBefore = uitest::g_watchedLive;
    window->Post(WM_KEST_ROWUPDATE, reinterpret_cast<WPARAM>(new RowUpdate{0, 1, 0x123456, "Writing Files"}), 1);
    window->Post(WM_KEST_ROWUPDATE, reinterpret_cast<WPARAM>(new RowUpdate{0, 0, 0xFFFFFF, "0x42"}), 2);
    window->Post(WM_KEST_PROGRESS, 0, 37);
    window->Post(WM_KEST_PROGRESS, 0, 101);
    window->Post(WM_KEST_PROGRESS, 0, -1);
    static const char kWorking[] = "Working.. ";
    window->Post(WM_KEST_STATUSTEXT, 0, reinterpret_cast<LPARAM>(kWorking));
    uitest::PumpPending();
    EXPECT_EQ(liveBefore, uitest::g_watchedLive.load()) << "a row report was not freed";
    uitest::g_watchedSize = 0;

    EXPECT_EQ("Writing Files", window->Row(0)[1]);
    EXPECT_EQ("0x42", window->Row(0)[2]);
    EXPECT_EQ(0x123456u, window->JobList().RowStatusColour(0)) << "only a report with the flag sets the colour";
    EXPECT_EQ(37, window->StatusBar().Progress().Position()) << "101 and -1 are ignored";
    EXPECT_EQ("Working.. ", window->StatusBar().StatusText());

    // Reports still waiting when the window closes are freed too (wine drops them with
    // the window's queue, unseen). Their texts' blocks have a size nothing else has.
    const std::string late(1000, 'l');
    uitest::g_watchedSize = late.size() + 1;
    const int textsBefore = uitest::g_watchedLive;
    for (int column : {1, 2})
        window->Post(WM_KEST_ROWUPDATE, reinterpret_cast<WPARAM>(new RowUpdate{0, 0, 0, late}), column);
    EXPECT_EQ(textsBefore + 2, uitest::g_watchedLive.load());
    window.reset();
    EXPECT_EQ(textsBefore, uitest::g_watchedLive.load()) << "a report waiting at the close was not freed";
    uitest::g_watchedSize = 0;
}

TEST_F(MainWindowTest, TheCaptionsMinimiseButtonMinimisesTheWindow) {
    ASSERT_TRUE(uitest::PressCaptionMinimise(window->hwnd())) << "no minimise button left of the close button";
    EXPECT_TRUE(uitest::PumpUntil([&] { return window->IsIconic(); }));
}

TEST_F(MainWindowTest, AboutShowsTheProgramsOwnVersion) {
    std::string text;
    boxes.On("About", [&](HWND box) {
        text = fw::WindowHandle(::GetDlgItem(box, IDC_ABOUT_TEXT)).GetWindowText();
        ::SendMessageA(::GetDlgItem(box, IDC_ABOUT_OK), BM_CLICK, 0, 0);
    });
    Click(IDC_ABOUT);
    ASSERT_EQ(1u, boxes.Seen().size());
    EXPECT_EQ(AboutText(kProgramVersionNumber), text);
    EXPECT_EQ("1.0", text.substr(text.rfind("Version: ") + 9)) << "1.02 with one digit after the point";
    EXPECT_EQ(window->hwnd(), boxes.Seen()[0].owner);
}

TEST_F(MainWindowTest, ShowLogOpensOneLiveLogWindow) {
    Click(IDC_SHOW_LOG);
    KestProgramLogDlg* logWindow = window->LogWindow();
    ASSERT_NE(nullptr, logWindow);
    fw::WindowHandle edit(logWindow->GetDlgItem(IDC_LOG_TEXT));
    auto shown = [&] { return edit.GetWindowText(); };
    ASSERT_TRUE(uitest::PumpUntil([&] { return logWindow->IsWindowVisible() != FALSE; }));
    EXPECT_NE(std::string::npos, shown().find("Background FastFile Worker started")) << "the history is replayed";
    EXPECT_EQ(window->hwnd(), ::GetWindow(logWindow->hwnd(), GW_OWNER));

    // Clear, then a line from this thread and one from the worker while it is open.
    ::SendMessageA(logWindow->GetDlgItem(IDC_LOG_CLEAR), BM_CLICK, 0, 0);
    EXPECT_EQ("", shown());
    EXPECT_TRUE(theLog.History().empty());
    const std::string bad = dir / "bad.ff";
    ASSERT_TRUE(ffb::WriteFile(bad, ffb::ToBytes("not a FastFile")));
    Drop({bad});
    ASSERT_TRUE(WaitUntilIdle());
    const std::string workerLine = "(bad.ff) Error: FastFile is either corrupt or not a supported Version";
    EXPECT_TRUE(uitest::PumpUntil([&] { return shown().find(workerLine) != std::string::npos; }));
    EXPECT_EQ("Added 'bad.ff' to the Que\r\n" + workerLine, shown());

    // Escape hides it; a line logged meanwhile is there when Show Log shows it again,
    // and the second press makes no second window.
    logWindow->Post(WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(uitest::PumpUntil([&] { return !logWindow->IsWindowVisible(); }));
    theLog.Log("while hidden");
    Click(IDC_SHOW_LOG);
    EXPECT_EQ(logWindow, window->LogWindow());
    EXPECT_TRUE(uitest::PumpUntil([&] { return logWindow->IsWindowVisible() && shown().find("while hidden") != std::string::npos; }));
    int logWindows = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), &CountLogWindows, reinterpret_cast<LPARAM>(&logWindows));
    EXPECT_EQ(1, logWindows);

    // Its Close button ends it; the next Show Log makes a new one from the history.
    ::SendMessageA(logWindow->GetDlgItem(IDC_LOG_CLOSE), BM_CLICK, 0, 0);
    EXPECT_EQ(nullptr, window->LogWindow());
    Click(IDC_SHOW_LOG);
    ASSERT_NE(nullptr, window->LogWindow());
    fw::WindowHandle newEdit(window->LogWindow()->GetDlgItem(IDC_LOG_TEXT));
    EXPECT_EQ("Added 'bad.ff' to the Que\r\n" + workerLine + "\r\nwhile hidden", newEdit.GetWindowText());
}

// A job of 20,000 entries is under way when the window closes: the close returns once
// the file being written is whole, later entries are never written, and no report is
// left behind for the window that is gone.
TEST_F(MainWindowTest, ClosingWhileABigJobRunsStopsAtTheNextEntryAndLeavesWholeFiles) {
    const apptest::BigArchive big(dir);
    const std::string later = Archive("later.ff");
    Drop({big.Path(), later});
    ASSERT_TRUE(uitest::PumpUntil([&] { return Exists(big.File(100)); }, kJobsTimeoutMs)) << "the job never wrote";
    const HWND hwnd = window->hwnd();
    window->Post(WM_CLOSE);
    ASSERT_TRUE(uitest::PumpUntil([&] { return !::IsWindow(hwnd); }, 10000));

    const apptest::BigArchive::Left left = big.Check();
    EXPECT_LT(left.firstMissing, apptest::BigArchive::kEntries) << "the job ran to its end instead of stopping";
    EXPECT_EQ(0, left.strays) << "entries were written after the stop";
    EXPECT_EQ(0, left.broken) << "a file was left cut short";
    EXPECT_FALSE(Exists(dir / "later")) << "the queued job was dropped";
    // Stopped for good: a job still going would have written more files by now.
    ::Sleep(300);
    EXPECT_EQ(left.firstMissing, big.Check().firstMissing) << "the worker went on after the window closed";
    MSG msg;
    EXPECT_FALSE(::PeekMessageA(&msg, nullptr, WM_KEST_ROWUPDATE, WM_KEST_ROWUPDATE, PM_NOREMOVE));
}

// What a popup menu of this thread showed, read from inside the system's menu loop.
struct ShownMenu {
    std::vector<std::string> items;  // "text" or "text (disabled)"
    std::vector<RECT> itemRects;     // in the pixels
    uitest::Pixels pixels;
};

class MenuDriver {
public:
    // Runs open(), which shows a popup menu; once the menu is visible a thread timer
    // reads its items and pixels and picks the item at index pick with the keyboard, as
    // a user would (no pick: Escape). A menu that never shows fails the test; one that
    // stays open is cancelled after three seconds.
    static ShownMenu Drive(const std::function<void()>& open, int pick) {
        MenuDriver driver;
        driver.pick_ = pick;
        driver.deadline_ = ::GetTickCount() + 3000;
        current_ = &driver;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, &OnTick);
        open();
        ::KillTimer(nullptr, timer);
        current_ = nullptr;
        EXPECT_TRUE(driver.read_) << "no menu showed";
        return driver.shown_;
    }

private:
    static BOOL CALLBACK FindMenu(HWND hwnd, LPARAM found) {
        char name[16] = {};
        ::GetClassNameA(hwnd, name, sizeof name);
        if (std::string(name) != "#32768" || !::IsWindowVisible(hwnd)) return TRUE;
        *reinterpret_cast<HWND*>(found) = hwnd;
        return FALSE;
    }

    static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
        MenuDriver* driver = current_;
        HWND menu = nullptr;
        ::EnumThreadWindows(::GetCurrentThreadId(), &FindMenu, reinterpret_cast<LPARAM>(&menu));
        if (!driver || !menu) return;
        if (::GetTickCount() > driver->deadline_) ::EndMenu();
        if (driver->read_) return;
        driver->read_ = true;
        HMENU items = reinterpret_cast<HMENU>(::SendMessageA(menu, MN_GETHMENU, 0, 0));
        for (int i = 0; i < ::GetMenuItemCount(items); ++i) {
            char text[128] = {};
            ::GetMenuStringA(items, i, text, sizeof text, MF_BYPOSITION);
            const bool disabled = ::GetMenuState(items, i, MF_BYPOSITION) & (MF_DISABLED | MF_GRAYED);
            driver->shown_.items.push_back(std::string(text) + (disabled ? " (disabled)" : ""));
            RECT r{};
            ::GetMenuItemRect(nullptr, items, i, &r);
            RECT window{};
            ::GetWindowRect(menu, &window);
            ::OffsetRect(&r, -window.left, -window.top);
            driver->shown_.itemRects.push_back(r);
        }
        uitest::RepaintNow(menu);
        driver->shown_.pixels = uitest::CaptureWindow(menu);
        for (int i = 0; i <= driver->pick_; ++i) ::PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
        ::PostMessageA(menu, WM_KEYDOWN, driver->pick_ < 0 ? VK_ESCAPE : VK_RETURN, 0);
    }

    static MenuDriver* current_;
    ShownMenu shown_;
    int pick_ = -1;
    bool read_ = false;
    DWORD deadline_ = 0;
};
MenuDriver* MenuDriver::current_ = nullptr;

ShownMenu DriveMenu(const std::function<void()>& open, int pick = -1) { return MenuDriver::Drive(open, pick); }

// The start-up placeholder is no job: right-clicking it offers what the space below the
// rows offers.
TEST_F(MainWindowTest, RightClickingThePlaceholderRowOffersAddingFilesAndTheLog) {
    ASSERT_TRUE(window->ClearPending());
    POINT at = RowPoint(0);
    ::ClientToScreen(window->JobList().hwnd(), &at);
    const ShownMenu menu = DriveMenu([&] {
        window->JobList().Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window->JobList().hwnd()), MAKELPARAM(at.x, at.y));
    });
    EXPECT_EQ((std::vector<std::string>{"Add FastFiles...", "Browse FastFile...", "Show Log"}), menu.items);
}

// Three jobs, one per state a row can be in when the user asks: finished, failed, and
// waiting (queued while the worker is stopped, so it cannot start).
class JobRowsTest : public MainWindowTest {
protected:
    std::string done, failed, waiting;

    void SetUp() override {
        MainWindowTest::SetUp();
        done = Archive("done.ff");
        failed = dir / "failed.ff";
        ASSERT_TRUE(ffb::WriteFile(failed, ffb::ToBytes("not a FastFile")));
        Drop({done, failed});
        ASSERT_TRUE(WaitUntilIdle());
        theFFWorker.StopWorker();
        waiting = Archive("waiting.ff");
        Drop({waiting});
    }
    void TearDown() override {
        theFFWorker.StartWorker(window->hwnd());  // so the window stops it as usual
        MainWindowTest::TearDown();
    }
    int Row(const std::string& path) const { return path == done ? 0 : path == failed ? 1 : 2; }
    void Select(int row) {
        window->JobList().SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ::SetFocus(window->JobList().hwnd());
    }
    // Right-click on row (-1: below the last row), as the mouse would.
    void RightClick(int row) {
        POINT at = row >= 0 ? RowPoint(row) : POINT{20, window->JobList().GetClientRect().bottom - 8};
        ::ClientToScreen(window->JobList().hwnd(), &at);
        window->JobList().Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window->JobList().hwnd()),
                               MAKELPARAM(at.x, at.y));
    }
};

TEST_F(JobRowsTest, ADoubleClickOrEnterOnAFinishedRowOpensItsOutputFolder) {
    ShellOpenRecorder shell;
    ASSERT_TRUE(shell.Active());
    const std::string doneOutput = "open " + (dir / "done");
    const struct {
        const char* how;
        std::function<void(int row)> act;
    } ways[] = {
        {"double-click", [&](int row) { DoubleClick(row); }},
        {"Enter",
         [&](int row) {
             Select(row);
             window->JobList().Post(WM_KEYDOWN, VK_RETURN, 0);
             uitest::PumpPending();
         }},
    };
    for (const auto& way : ways) {
        const struct {
            std::string path;
            std::vector<std::string> opened;
        } rows[] = {{done, {doneOutput}}, {failed, {}}, {waiting, {}}};
        for (const auto& row : rows) {
            way.act(Row(row.path));
            EXPECT_EQ(row.opened, shell.Take()) << way.how << " on " << row.path;
        }
    }
    EXPECT_TRUE(window->IsWindow()) << "Enter closed the window";
}

TEST_F(JobRowsTest, TheContextMenuOffersWhatTheRowUnderItAllows) {
    const std::vector<std::string> onJob = {"Open Output Folder", "Open FastFile Folder", "Copy Path",
                                            "Browse Contents..."};
    const std::vector<std::string> onUnfinishedJob = {"Open Output Folder (disabled)", "Open FastFile Folder",
                                                      "Copy Path", "Browse Contents..."};
    const struct {
        const char* name;
        int row;
        std::vector<std::string> items;
    } cases[] = {
        {"done", 0, onJob},
        {"failed", 1, onUnfinishedJob},
        {"waiting", 2, onUnfinishedJob},
        {"no row", -1, {"Add FastFiles...", "Browse FastFile...", "Show Log"}},
    };
    for (const auto& c : cases) {
        const ShownMenu menu = DriveMenu([&] { RightClick(c.row); });
        EXPECT_EQ(c.items, menu.items) << c.name;
        EXPECT_EQ(std::vector<std::string>{}, uitest::SystemColourBlocks(menu.pixels)) << c.name;
        int background = 0;
        for (uint32_t p : menu.pixels.bgra)
            background += RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF) == KestTheme.windowBackground;
        EXPECT_GT(background, static_cast<int>(menu.pixels.bgra.size()) / 2) << c.name << ": not in the palette";
        // Each item's text in the colour of its state, and none in the other's.
        ASSERT_EQ(c.items.size(), menu.itemRects.size()) << c.name;
        for (size_t i = 0; i < c.items.size(); ++i) {
            const bool disabled = c.items[i].find(" (disabled)") != std::string::npos;
            int own = 0, other = 0;
            const RECT& r = menu.itemRects[i];
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x) {
                    const COLORREF p = menu.pixels.At(x, y);
                    own += p == (disabled ? KestTheme.buttonFaceDisabled.text : KestTheme.buttonFace.text);
                    other += p == (disabled ? KestTheme.buttonFace.text : KestTheme.buttonFaceDisabled.text);
                }
            EXPECT_GT(own, 10) << c.name << ": " << c.items[i];
            EXPECT_EQ(0, other) << c.name << ": " << c.items[i];
        }
        if (c.row == 1) uitest::SavePng(menu.pixels, "main_window_context_menu");
    }

    // The keyboard's menu key and Shift+F10 open it for the selected row.
    Select(0);
    EXPECT_EQ(onJob, DriveMenu([&] {
                  window->JobList().Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window->JobList().hwnd()), -1);
              }).items);
}

TEST_F(JobRowsTest, TheRowMenuOpensTheFoldersAndCopiesThePath) {
    ShellOpenRecorder shell;
    DriveMenu([&] { RightClick(0); }, 0);
    EXPECT_EQ((std::vector<std::string>{"open " + (dir / "done")}), shell.Take());
    DriveMenu([&] { RightClick(1); }, 1);
    EXPECT_EQ((std::vector<std::string>{"open " + dir.Path()}), shell.Take());
    ASSERT_TRUE(::OpenClipboard(window->hwnd()));
    ::EmptyClipboard();
    ::CloseClipboard();
    DriveMenu([&] { RightClick(2); }, 2);
    ASSERT_TRUE(::OpenClipboard(window->hwnd()));
    HANDLE text = ::GetClipboardData(CF_TEXT);
    const std::string copied = text ? static_cast<const char*>(::GlobalLock(text)) : "";
    if (text) ::GlobalUnlock(text);
    ::CloseClipboard();
    EXPECT_EQ(waiting, copied);
}

// Two files chosen in the open dialog, a FastFile and another file, give what a drop of
// the two gives: a row and a job, and one box. The next time the dialog starts where
// the files were chosen, wherever the program's current folder is; and it leaves the
// current folder (where the log and an update's files go) where it was.
TEST_F(MainWindowTest, CtrlOTakesTheChosenFilesAsADrop) {
    Archive("valid.ff");
    Archive("notes.txt");
    char current[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, current);
    ASSERT_TRUE(::SetCurrentDirectoryA(dir.Path().c_str()));
    std::vector<std::string> startedIn;
    std::string chosen = "\"valid.ff\" \"notes.txt\"";
    boxes.On("Open", [&](HWND dialog) {
        char folder[MAX_PATH] = {};
        ::SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder));
        startedIn.push_back(folder);
        HWND name = ::GetDlgItem(dialog, cmb13) ? ::GetDlgItem(dialog, cmb13) : ::GetDlgItem(dialog, edt1);
        ::SetWindowTextA(name, chosen.c_str());
        ::PostMessageA(dialog, WM_COMMAND, chosen.empty() ? IDCANCEL : IDOK, 0);
    });
    uitest::PressCtrl(window->JobList().hwnd(), 'O');
    ::SetCurrentDirectoryA(current);
    ASSERT_EQ(2u, boxes.Seen().size());
    EXPECT_EQ("Open", boxes.Seen()[0].caption);
    EXPECT_EQ(window->hwnd(), boxes.Seen()[0].owner);
    EXPECT_EQ("Invalid File", boxes.Seen()[1].caption);
    EXPECT_EQ("Not a FastFile: 'notes.txt'", boxes.Seen()[1].text);
    EXPECT_EQ((std::vector<std::string>{"Added 'valid.ff' to the Que"}), AddedLines());

    chosen = "\"valid.ff\"";
    const std::string elsewhere = dir / "elsewhere";
    ASSERT_TRUE(::CreateDirectoryA(elsewhere.c_str(), nullptr));
    ASSERT_TRUE(::SetCurrentDirectoryA(elsewhere.c_str()));
    uitest::PressCtrl(window->hwnd(), 'O');
    char after[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, after);
    ::SetCurrentDirectoryA(current);
    EXPECT_EQ(elsewhere, after) << "the open dialog moved the current folder";

    chosen.clear();  // cancelled: nothing more is taken
    uitest::PressCtrl(window->hwnd(), 'O');
    EXPECT_EQ((std::vector<std::string>{dir.Path(), dir.Path(), dir.Path()}), startedIn);
    EXPECT_EQ(2u, AddedLines().size());
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ((std::vector<std::string>{"valid.ff", "Done"}), (std::vector<std::string>{window->Row(0)[0], window->Row(0)[1]}));
    EXPECT_EQ(2, window->JobList().GetItemCount());
}

TEST(DroppedPathCheck, StartupArgumentsBecomeFullPathsToExtractOrToBrowse) {
    char current[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, current);
    std::string here = current;
    if (here.back() != '\\') here += '\\';
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> extract, browse;
    } cases[] = {
        {{"zone/patch.ff", "C:\\games\\patch.ff"}, {here + "zone\\patch.ff", "C:\\games\\patch.ff"}, {}},
        {{"--browse", "zone/patch.ff", "C:\\games\\a.ff", "--browse", "b.ff"}, {"C:\\games\\a.ff"},
         {here + "zone\\patch.ff", here + "b.ff"}},
        {{"--browse"}, {here + "--browse"}, {}},  // nothing to browse: a path like any other
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        std::vector<char*> argv = {const_cast<char*>("Kest_Vandrel.exe")};
        for (std::string& arg : args) argv.push_back(&arg[0]);
        const StartupFiles files = StartupFilesFrom(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(c.extract, files.extract) << c.args[0];
        EXPECT_EQ(c.browse, files.browse) << c.args[0];
    }
}


// A browse window opened from the main window on an archive built here, read as the user
// sees it: the list's cells, the status line, the preview pane.
class BrowseWindowTest : public MainWindowTest {
protected:
    // Opens the window as the main window does and waits until its archive has loaded.
    KestBrowseDlg* Browse(const std::string& path) {
        window->BrowseFastFile(path);
        EXPECT_FALSE(KestBrowseDlg::OpenWindows().empty());
        KestBrowseDlg* browse = KestBrowseDlg::OpenWindows().back();
        EXPECT_TRUE(uitest::PumpUntil([&] { return browse->Loaded(); }, kJobsTimeoutMs)) << "never loaded";
        return browse;
    }
    static std::vector<std::vector<std::string>> Rows(KestBrowseDlg* browse) {
        std::vector<std::vector<std::string>> rows;
        for (int row = 0; row < browse->List().GetItemCount(); ++row) {
            std::vector<std::string> cells;
            for (int column = 0; column < 3; ++column) {
                char text[512] = {};
                browse->List().GetItemText(row, column, text, sizeof text);
                cells.push_back(text);
            }
            rows.push_back(cells);
        }
        return rows;
    }
    static std::vector<std::string> Paths(KestBrowseDlg* browse) {
        std::vector<std::string> paths;
        for (const auto& row : Rows(browse)) paths.push_back(row[0]);
        return paths;
    }
    static int RowOf(KestBrowseDlg* browse, const std::string& path) {
        const std::vector<std::string> paths = Paths(browse);
        return static_cast<int>(std::find(paths.begin(), paths.end(), path) - paths.begin());
    }
    static void Filter(KestBrowseDlg* browse, const std::string& text) {
        ::SetWindowTextA(browse->GetDlgItem(IDC_BROWSE_FILTER), text.c_str());
    }
    static void Select(KestBrowseDlg* browse, int row) {
        browse->List().SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    static void Screenshot(KestBrowseDlg* browse, const char* name) {
        uitest::RepaintNow(browse->hwnd());
        const uitest::Pixels p = uitest::CaptureWindow(browse->hwnd());
        EXPECT_EQ(std::vector<std::string>{}, uitest::SystemColourBlocks(p)) << name;
        uitest::SavePng(p, name);
    }
    // Every file below folder, as paths relative to it with '/'.
    static std::vector<std::string> FilesBelow(const std::string& folder) {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
            if (entry.is_regular_file()) {
                std::string path = std::filesystem::relative(entry.path(), folder).string();
                std::replace(path.begin(), path.end(), '\\', '/');
                files.push_back(path);
            }
        std::sort(files.begin(), files.end());
        return files;
    }
};

const std::string kSoundBytes("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0", 22);

// Entries of four types, a sound only referred to, an unsafe name, and a path written
// twice, which keeps its first place with the later entry's bytes.
ffb::ZoneBuilder BrowsedZone() {
    ffb::ZoneBuilder zone;
    zone.Strings({"mp_crash", "sun"}).AssetTypes({0x20});
    zone.Record(ffb::kGsc, "maps/mp/dm.gsc", "first()")
        .Record(ffb::kCsc, "clientscripts/dm.csc", "csc() {}")
        .Record(ffb::kMenu, "ui/Main.menu", "menu")
        .SoundB(std::string("fx") + '\0' + "boom.wav", kSoundBytes)
        .Record(ffb::kGsc, "../evil.gsc", "escape")
        .SoundA("amb/wind.wav")
        .Record(ffb::kGsc, "maps/mp/dm.gsc", "main()\n{\n}\n");
    return zone;
}

TEST_F(BrowseWindowTest, ListsTheFilesAFullExtractionWritesInItsOrderAndSortsByAColumn) {
    ExportOptions.Inc_StringTable = 1;
    KestBrowseDlg* browse = Browse(Archive("browsed.ff", BrowsedZone()));
    EXPECT_EQ("browsed.ff - Browse", browse->GetWindowText());
    const std::string sounds = std::string(kSoundListHeader) + "amb/wind.wav\n";
    const std::string strings = std::string(kStringTableHeader) + "mp_crash\nsun\n";
    const std::vector<std::vector<std::string>> rows = {
        {"maps/mp/dm.gsc", "gsc", "11"},
        {"clientscripts/dm.csc", "csc", "8"},
        {"ui/Main.menu", "menu", "4"},
        {"sound/fx/boom.wav", "wav", "22"},
        {"../evil.gsc", "gsc", "refused"},
        {"Refrenced_Sounds.txt", "text", std::to_string(sounds.size())},
        {"StringTable.txt", "text", std::to_string(strings.size())},
    };
    EXPECT_EQ(rows, Rows(browse));
    const size_t bytes = 11 + 8 + 4 + 22 + sounds.size() + strings.size();
    EXPECT_EQ("6 files (" + std::to_string(bytes) + " bytes), 1 refused", browse->StatusBar().StatusText());
    Screenshot(browse, "browse_loaded");

    // Each click on a heading as the list reports it; a second one on the same reverses.
    // The selected row stays selected where it goes.
    Select(browse, 2);
    const struct {
        int column;
        std::vector<int> order;  // of rows above
    } clicks[] = {
        {kPathColumn, {4, 1, 0, 5, 3, 6, 2}},
        {kPathColumn, {2, 6, 3, 5, 0, 1, 4}},
        {kSizeColumn, {4, 2, 1, 0, 3, 6, 5}},
    };
    for (const auto& click : clicks) {
        NMLISTVIEW notice{};
        notice.hdr = NMHDR{browse->List().hwnd(), IDC_BROWSE_LIST, LVN_COLUMNCLICK};
        notice.iItem = -1;
        notice.iSubItem = click.column;
        browse->Send(WM_NOTIFY, IDC_BROWSE_LIST, reinterpret_cast<LPARAM>(&notice));
        std::vector<std::vector<std::string>> sorted;
        for (int i : click.order) sorted.push_back(rows[i]);
        EXPECT_EQ(sorted, Rows(browse)) << "column " << click.column;
        const int selected = static_cast<int>(browse->List().Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        EXPECT_EQ(rows[2][0], selected >= 0 ? Rows(browse)[selected][0] : "") << "column " << click.column;
        EXPECT_EQ(1, browse->List().Send(LVM_GETSELECTEDCOUNT)) << "column " << click.column;
    }
}

TEST_F(BrowseWindowTest, TheFilterTakesAGlobAsFilterDoesAndAnythingElseAsASubstring) {
    KestBrowseDlg* browse = Browse(Archive("browsed.ff", BrowsedZone()));
    const std::string all = browse->StatusBar().StatusText();
    EXPECT_EQ(0u, all.find("5 files (")) << all;
    const struct {
        const char* filter;
        std::vector<std::string> paths;
    } cases[] = {
        {"maps/**", {"maps/mp/dm.gsc"}},
        {"*/*.?sc", {"clientscripts/dm.csc", "../evil.gsc"}},  // a star stays within one folder
        {"**/*.[cg]sc", {"maps/mp/dm.gsc", "clientscripts/dm.csc", "../evil.gsc"}},
        {"DM.", {"maps/mp/dm.gsc", "clientscripts/dm.csc"}},
        {"main", {"ui/Main.menu"}},
        {"sound", {"sound/fx/boom.wav", "Refrenced_Sounds.txt"}},
        {"", {"maps/mp/dm.gsc", "clientscripts/dm.csc", "ui/Main.menu", "sound/fx/boom.wav", "../evil.gsc",
              "Refrenced_Sounds.txt"}},
    };
    for (const auto& c : cases) {
        Filter(browse, c.filter);
        EXPECT_EQ(c.paths, Paths(browse)) << c.filter;
        const std::string shown = c.paths.size() == 6 ? "" : ", " + std::to_string(c.paths.size()) + " shown";
        EXPECT_EQ(all + shown, browse->StatusBar().StatusText()) << c.filter;
        if (std::string(c.filter) == "**/*.[cg]sc") Screenshot(browse, "browse_filtered");
    }
}

TEST_F(BrowseWindowTest, ThePreviewShowsTextAsTextAndAnythingElseAsAHexDumpOfTheFirstMegabyte) {
    std::string big;
    while (big.size() < kPreviewLimit + 1000) big += "level.line = " + std::to_string(big.size()) + ";\n";
    ffb::ZoneBuilder zone = BrowsedZone();
    zone.Record(ffb::kGsc, "maps/big.gsc", big);
    KestBrowseDlg* browse = Browse(Archive("browsed.ff", zone));
    auto selected = [&](int row) { Select(browse, row); };
    auto enter = [&](int row) {
        Select(browse, row);
        ::SetFocus(browse->List().hwnd());
        browse->List().Post(WM_KEYDOWN, VK_RETURN, 0);
    };
    auto doubleClick = [&](int row) {
        RECT r{};
        browse->List().GetItemRect(row, &r, LVIR_LABEL);
        browse->List().Send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(r.left + 5, (r.top + r.bottom) / 2));
        browse->List().Send(WM_LBUTTONUP, 0, MAKELPARAM(r.left + 5, (r.top + r.bottom) / 2));
    };
    std::string bigShown = big.substr(0, kPreviewLimit);
    for (size_t at = 0; (at = bigShown.find('\n', at)) != std::string::npos; at += 2) bigShown.insert(at, "\r");
    const struct {
        const char* path;
        std::function<void(int row)> ask;
        std::string shown;
    } cases[] = {
        {"maps/mp/dm.gsc", selected, "main()\r\n{\r\n}\r\n"},
        {"sound/fx/boom.wav", enter,
         "00000000  52 49 46 46 24 00 00 00 57 41 56 45 66 6d 74 20  |RIFF$...WAVEfmt |\r\n"
         "00000010  10 00 00 00 01 00                                |......|\r\n"},
        {"maps/big.gsc", doubleClick, bigShown + "\r\n[" + std::to_string(big.size() - kPreviewLimit) + " more bytes not shown]"},
        {"../evil.gsc", selected, "Unsafe path refused: ../evil.gsc"},
    };
    for (const auto& c : cases) {
        browse->List().SetItemState(-1, 0, LVIS_SELECTED);
        ::SetWindowTextA(browse->GetDlgItem(IDC_BROWSE_PREVIEW), "");
        c.ask(RowOf(browse, c.path));
        EXPECT_TRUE(uitest::PumpUntil([&] { return !browse->PreviewText().empty() && browse->PreviewFilled(); }, 30000))
            << c.path;
        EXPECT_EQ(c.shown, browse->PreviewText()) << c.path;
    }
    browse->List().SetItemState(-1, 0, LVIS_SELECTED);
    Select(browse, RowOf(browse, "maps/mp/dm.gsc"));
    uitest::PumpUntil([&] { return browse->PreviewText().rfind("main()", 0) == 0; });
    Screenshot(browse, "browse_previewing");
}

// A filtered part of the rows, with an unsafe name among them: exactly those files are
// written, each byte for byte as a full extraction of the archive writes it, into the
// folder a job would use, replacing what is there; nothing else is written, and the
// unsafe name is refused with the reason in the status line.
TEST_F(BrowseWindowTest, ExtractSelectedWritesJustTheChosenFilesAsAFullExtractionDoes) {
    ffb::ZoneBuilder zone = BrowsedZone();
    zone.CompressedScript("maps/packed.gsc", "packed() {}");
    const std::string patch = Archive("patch.ff", zone);
    std::filesystem::create_directories(dir / "full");
    Drop({Archive("full/patch.ff", zone)});
    ASSERT_TRUE(WaitUntilIdle());
    std::filesystem::create_directories(dir / "patch/maps/mp");
    ASSERT_TRUE(ffb::WriteFile(dir / "patch/maps/mp/dm.gsc", ffb::ToBytes("an older file, longer than the new one")));

    KestBrowseDlg* browse = Browse(patch);
    Filter(browse, "gsc");
    uitest::PressCtrl(browse->List().hwnd(), 'A');
    uitest::PressCtrl(browse->List().hwnd(), 'C');
    uitest::PressCtrl(browse->List().hwnd(), 'E');
    ASSERT_TRUE(uitest::PumpUntil([&] { return browse->StatusBar().StatusText().rfind("Extracted", 0) == 0; },
                                  kJobsTimeoutMs));
    EXPECT_EQ("Extracted 2 files to " + (dir / "patch\\") + "; Unsafe path refused: ../evil.gsc",
              browse->StatusBar().StatusText());
    EXPECT_EQ((std::vector<std::string>{"maps/mp/dm.gsc", "maps/packed.gsc"}), FilesBelow(dir / "patch"));
    for (const char* file : {"maps/mp/dm.gsc", "maps/packed.gsc"})
        EXPECT_EQ(ReadText(dir / ("full/patch/" + std::string(file))), ReadText(dir / ("patch/" + std::string(file))))
            << file;
    EXPECT_FALSE(Exists(dir / "evil.gsc"));

    ASSERT_TRUE(::OpenClipboard(browse->hwnd()));
    HANDLE text = ::GetClipboardData(CF_TEXT);
    const std::string copied = text ? static_cast<const char*>(::GlobalLock(text)) : "";
    if (text) ::GlobalUnlock(text);
    ::CloseClipboard();
    EXPECT_EQ("maps/mp/dm.gsc\r\n../evil.gsc\r\nmaps/packed.gsc", copied);

    // Now the row menu also opens that folder.
    ShellOpenRecorder shell;
    const ShownMenu menu = DriveMenu(
        [&] {
            RECT r{};
            browse->List().GetItemRect(0, &r, LVIR_LABEL);
            POINT at{r.left + 10, (r.top + r.bottom) / 2};
            ::ClientToScreen(browse->List().hwnd(), &at);
            browse->List().Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(browse->List().hwnd()), MAKELPARAM(at.x, at.y));
        },
        3);
    EXPECT_EQ((std::vector<std::string>{"Extract", "Copy Path", "Preview", "Open Output Folder"}), menu.items);
    EXPECT_EQ((std::vector<std::string>{"open " + (dir / "patch")}), shell.Take());
}

// No box, no rows: the status line says what a job's row would.
TEST_F(BrowseWindowTest, AnArchiveWithNothingToShowSaysWhyInTheStatusLine) {
    ffb::ZoneBuilder empty;
    empty.Strings({"lonely"});
    const struct {
        const char* name;
        ffb::Bytes bytes;
        const char* status;
    } cases[] = {
        {"corrupt.ff", ffb::ToBytes("this is not a FastFile at all"), "Error: Corrupt or unsupported"},
        {"broken.ff", ffb::FastFile(ffb::kVersion387, SmallZone().Build(), ffb::Body::NotZlib), "Error: Check Log"},
        {"empty.ff", ffb::FastFile(ffb::kVersion5, empty.Build()), "0 files (0 bytes)"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(ffb::WriteFile(dir / c.name, c.bytes));
        KestBrowseDlg* browse = Browse(dir / c.name);
        EXPECT_EQ(c.status, browse->StatusBar().StatusText()) << c.name;
        EXPECT_EQ(0, browse->List().GetItemCount()) << c.name;
        if (std::string(c.name) == "empty.ff") Screenshot(browse, "browse_empty");
    }
    EXPECT_TRUE(boxes.Seen().empty());
    EXPECT_TRUE(log->Contains("(corrupt.ff) Error: FastFile is either corrupt or not a supported Version"));
}

// Closed while its archive loads, or while it writes 20,000 files, the window goes at
// once: no rows come, and of the files only whole ones are left, none after the stop.
TEST_F(BrowseWindowTest, ClosingWhileItLoadsOrExtractsEndsAtOnceAndLeavesWholeFiles) {
    const std::string zeros = apptest::WriteZerosArchive(dir / "zeros.ff", 300);
    const apptest::BigArchive big(dir);
    const struct {
        const char* while_;
        std::string archive;
        bool extract;
    } cases[] = {{"loading", zeros, false}, {"extracting", big.Path(), true}};
    for (const auto& c : cases) {
        window->BrowseFastFile(c.archive);
        KestBrowseDlg* browse = KestBrowseDlg::OpenWindows().back();
        if (c.extract) {
            ASSERT_TRUE(uitest::PumpUntil([&] { return browse->Loaded(); }, kJobsTimeoutMs));
            uitest::PressCtrl(browse->List().hwnd(), 'A');
            uitest::PressCtrl(browse->List().hwnd(), 'E');
            ASSERT_TRUE(uitest::PumpUntil([&] { return Exists(big.File(100)); }, kJobsTimeoutMs)) << "never wrote";
        }
        const bool loaded = browse->Loaded();
        const HWND hwnd = browse->hwnd();
        browse->List().Post(WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_TRUE(uitest::PumpUntil([&] { return !::IsWindow(hwnd); })) << c.while_;
        EXPECT_TRUE(KestBrowseDlg::OpenWindows().empty()) << c.while_;
        EXPECT_EQ(c.extract, loaded) << c.while_;
    }
    const apptest::BigArchive::Left left = big.Check();
    EXPECT_LT(left.firstMissing, apptest::BigArchive::kEntries) << "the extraction ran to its end";
    EXPECT_EQ(0, left.strays) << "files were written after the stop";
    EXPECT_EQ(0, left.broken) << "a file was left cut short";
    MSG msg;
    EXPECT_FALSE(::PeekMessageA(&msg, nullptr, WM_KEST_BROWSEREPORT, WM_KEST_BROWSEREPORT, PM_NOREMOVE));
}

// Ctrl+B chooses one file in the open dialog and browses it; the main window goes on
// taking jobs, and Extract All is one of them, as a drop of the file would be.
TEST_F(BrowseWindowTest, CtrlBBrowsesTheChosenFileAndExtractAllQueuesItAsADrop) {
    Archive("chosen.ff");
    boxes.On("Open", [&](HWND dialog) {
        HWND name = ::GetDlgItem(dialog, cmb13) ? ::GetDlgItem(dialog, cmb13) : ::GetDlgItem(dialog, edt1);
        ::SetWindowTextA(name, (dir / "chosen.ff").c_str());
        ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    uitest::PressCtrl(window->JobList().hwnd(), 'B');
    ASSERT_EQ(1u, KestBrowseDlg::OpenWindows().size());
    KestBrowseDlg* browse = KestBrowseDlg::OpenWindows().back();
    EXPECT_EQ("chosen.ff - Browse", browse->GetWindowText());
    EXPECT_EQ(nullptr, ::GetWindow(browse->hwnd(), GW_OWNER)) << "a top-level window of its own";
    ASSERT_TRUE(uitest::PumpUntil([&] { return browse->Loaded(); }));
    EXPECT_EQ((std::vector<std::vector<std::string>>{{"maps/dm.gsc", "gsc", "9"},
                                                     {"Refrenced_Sounds.txt", "text", std::to_string(strlen(kSoundListHeader))}}),
              Rows(browse));

    Drop({Archive("dropped.ff")});
    ::SendMessageA(browse->GetDlgItem(IDC_BROWSE_EXTRACT_ALL), BM_CLICK, 0, 0);
    EXPECT_EQ((std::vector<std::string>{"Added 'dropped.ff' to the Que", "Added 'chosen.ff' to the Que"}), AddedLines());
    ASSERT_TRUE(WaitUntilIdle());
    EXPECT_EQ("main() {}", ReadText(dir / "chosen/maps/dm.gsc"));
    EXPECT_TRUE(browse->IsWindow()) << "the browse window stays";
}

// "Browse Contents..." opens a browse window on the row's FastFile, whatever its state.
TEST_F(JobRowsTest, BrowseContentsOpensABrowseWindowOnTheRowsFastFile) {
    const struct {
        int row;
        const char* caption;
    } cases[] = {{0, "done.ff - Browse"}, {1, "failed.ff - Browse"}, {2, "waiting.ff - Browse"}};
    for (const auto& c : cases) {
        DriveMenu([&] { RightClick(c.row); }, 3);
        ASSERT_FALSE(KestBrowseDlg::OpenWindows().empty()) << c.caption;
        EXPECT_EQ(c.caption, KestBrowseDlg::OpenWindows().back()->GetWindowText());
    }
    EXPECT_EQ(3u, KestBrowseDlg::OpenWindows().size());
}

}  // namespace
