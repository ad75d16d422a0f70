// The browse window's costs, measured in the Windows program under wine (or on Windows)
// on an archive of 20,000 files and a zone of about 100 MB:
//   how long the rows take to show, against `vandrel.exe --list` of the same archive
//   (goal: at most 1.5 times), and against loading and walking it in this process;
//   a keystroke in the filter at 20,000 rows (goal: under 50 ms);
//   how long the window takes to answer a message while it loads, extracts or fills its
//   preview (goal: 99th percentile under 50 ms);
//   closing it while it loads or extracts (goal: within 1 s, no file left cut short);
//   the process's memory with no, one and two windows open, and after they closed.
// Run: wine build/windows/bench/browse_bench.exe [FOLDER [--keep]]; --keep leaves FOLDER\vandrel_browse_bench\big.ff
// for timing other programs on it.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "KestBrowseDlg.h"
#include "KestTheme.h"
#include "KestThemeManger.h"
#include "Kest_VandrelDlg.h"
#include "export_options.h"
#include "ff_builder.h"
#include "file_list_destination.h"
#include "framework/application.h"
#include "raw_export.h"
#include "res/resource.h"
#include "ui_test_support.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kFiles = 20000;
constexpr size_t kFileBytes = 5000;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 120000) {
    const auto start = Clock::now();
    while (!done()) {
        if (MsSince(start) > timeoutMs) return false;
        fw::Application::PumpPending();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return true;
}

std::string Content(int i) {
    std::string text;
    while (text.size() < kFileBytes) text += "entry_" + std::to_string(i) + " = " + std::to_string(text.size()) + ";\n";
    text.resize(kFileBytes);
    return text;
}

std::string Name(int i) {
    char name[40];
    std::snprintf(name, sizeof name, "maps/f%02d/s%05d.gsc", i / 1000, i);
    return name;
}

// The build names the program in its own (Linux) form; wine sees that as drive Z:.
std::string WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// The time `vandrel.exe --list ARCHIVE > listing` takes. Into a file: under wine, 20,000
// lines into NUL or a pipe take seconds of their own.
double ListProgramMs(const std::string& archive, const std::string& listing) {
    std::string command = "\"" + WindowsPath(VANDREL_EXE) + "\" -q --list \"" + archive + "\"";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE nothing = ::CreateFileA(listing.c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = nothing;
    PROCESS_INFORMATION process{};
    const auto start = Clock::now();
    if (!::CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    ::WaitForSingleObject(process.hProcess, INFINITE);
    const double ms = MsSince(start);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    ::CloseHandle(nothing);
    return ms;
}

double InProcessListMs(const std::string& archive) {
    const auto start = Clock::now();
    FFZone zone;
    zone.path = archive;
    zone.name = "big.ff";
    FileListDestination list;
    LoadAndExport(zone, ExportRequest(), list);
    return MsSince(start);
}

struct Memory {
    double workingMb, privateMb;
};
Memory MemoryNow() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return Memory{counters.WorkingSetSize / 1048576.0, counters.PrivateUsage / 1048576.0};
}

// Sends WM_NULL to the window from another thread every few milliseconds while `during`
// runs on this one (pumping), and returns the answers' times, sorted.
std::vector<double> AnswerTimes(HWND window, const std::function<void()>& during) {
    std::atomic<bool> done{false}, finished{false};
    std::vector<double> times;
    std::thread asker([&] {
        while (!done) {
            const auto start = Clock::now();
            DWORD_PTR ignored = 0;
            ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
            times.push_back(MsSince(start));
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
        finished = true;
    });
    during();
    done = true;
    PumpUntil([&] { return finished.load(); });  // the last question may be waiting for this thread
    asker.join();
    std::sort(times.begin(), times.end());
    return times;
}

void PrintAnswers(const char* what, const std::vector<double>& times) {
    if (times.empty()) return;
    const double p99 = times[std::min(times.size() - 1, times.size() * 99 / 100)];
    std::printf("answers while %-22s %5zu messages  median %6.1f ms  99th %6.1f ms  max %6.1f ms  (goal 99th < 50)\n",
                what, times.size(), times[times.size() / 2], p99, times.back());
}

KestBrowseDlg* OpenAndLoad(CKest_VandrelDlg& main, const std::string& archive, double* ms = nullptr) {
    const auto start = Clock::now();
    main.BrowseFastFile(archive);
    KestBrowseDlg* browse = KestBrowseDlg::OpenWindows().back();
    PumpUntil([&] { return browse->List().GetItemCount() > 0 || browse->Loaded(); });
    ::UpdateWindow(browse->hwnd());
    if (ms) *ms = MsSince(start);
    return browse;
}

void Close(KestBrowseDlg* browse) {
    const HWND hwnd = browse->hwnd();
    ::DestroyWindow(hwnd);
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path work = fs::path(argc > 1 ? argv[1] : fs::temp_directory_path().string()) / "vandrel_browse_bench";
    fs::remove_all(work);
    fs::create_directories(work);
    const std::string archive = (work / "big.ff").string();
    {
        ffb::ZoneBuilder zone;
        zone.Strings({"big"});
        for (int i = 0; i < kFiles; ++i) zone.Record(ffb::kGsc, Name(i), Content(i));
        const ffb::Bytes built = zone.Build();
        ffb::WriteFile(archive, ffb::FastFile(ffb::kVersion387, built));
        std::printf("archive: %d files, zone %.1f MB, file %.1f MB\n", kFiles, built.size() / 1e6,
                    fs::file_size(archive) / 1e6);
    }

    fw::Application::InitCommonControls(ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES);
    KestThemeManger().SetUpTheme();
    CaptionFont = KestThemeManger::CreateCaptionFont();
    ExportOptions = ExportOptionsRecord{};
    CKest_VandrelDlg main;
    main.Create(nullptr);
    main.ShowWindow(SW_SHOW);
    fw::Application::PumpPending();

    // Rows against the command line and against the bare walk, best of three.
    double listProgram = 1e30, inProcess = 1e30, rows = 1e30;
    for (int round = 0; round < 3; ++round) {
        listProgram = std::min(listProgram, ListProgramMs(archive, (work / "listing.txt").string()));
        inProcess = std::min(inProcess, InProcessListMs(archive));
        double ms = 0;
        KestBrowseDlg* browse = OpenAndLoad(main, archive, &ms);
        rows = std::min(rows, ms);
        Close(browse);
    }
    std::printf("rows shown           %8.0f ms\n", rows);
    std::printf("vandrel.exe --list   %8.0f ms   (rows/list %.2f, goal <= 1.50)\n", listProgram, rows / listProgram);
    fs::remove(work / "listing.txt");
    std::printf("load and walk here   %8.0f ms   (rows/walk %.2f)\n", inProcess, rows / inProcess);

    const Memory before = MemoryNow();
    KestBrowseDlg* browse = OpenAndLoad(main, archive);
    const Memory one = MemoryNow();

    // Keystrokes in the filter: each ends once the list has repainted.
    const HWND filter = browse->GetDlgItem(IDC_BROWSE_FILTER);
    std::vector<double> keys;
    for (const char* typed : {"s", "s1", "s12", "s123", "s1234", "", "**", "**/", "**/s1*", "**/s1*.gsc", ""}) {
        const auto start = Clock::now();
        ::SetWindowTextA(filter, typed);
        const double handled = MsSince(start);
        ::UpdateWindow(browse->List().hwnd());
        keys.push_back(MsSince(start));
        std::printf("  filter '%s': %zu rows, %.1f ms (%.1f ms before the paint)\n", typed, browse->Rows().Count(),
                    keys.back(), handled);
    }
    {
        BrowseRows rows;
        std::vector<BrowseFile> files;
        for (size_t i = 0; i < browse->Rows().FileCount(); ++i) files.push_back(browse->Rows().Row(i));
        rows.SetFiles(std::move(files));
        for (const char* typed : {"s1", "**", "**/s1*.gsc"}) {
            const auto start = Clock::now();
            rows.SetFilter(typed);
            std::printf("  the rows alone for '%s': %.1f ms\n", typed, MsSince(start));
        }
    }
    std::sort(keys.begin(), keys.end());
    std::printf("filter keystroke at %d rows: median %.1f ms, max %.1f ms (goal < 50)\n", kFiles, keys[keys.size() / 2],
                keys.back());

    // Answers while a second window loads, while the first extracts, while a preview fills.
    main.BrowseFastFile(archive);
    KestBrowseDlg* second = KestBrowseDlg::OpenWindows().back();
    PrintAnswers("loading", AnswerTimes(second->hwnd(), [&] { PumpUntil([&] { return second->Loaded(); }); }));
    const Memory two = MemoryNow();
    Close(second);
    uitest::PressCtrl(browse->List().hwnd(), 'A');
    PrintAnswers("extracting 20,000", AnswerTimes(browse->hwnd(), [&] {
                     uitest::PressCtrl(browse->List().hwnd(), 'E');
                     PumpUntil([&] { return browse->StatusBar().StatusText().rfind("Extracted", 0) == 0; });
                 }));
    std::printf("  %s\n", browse->StatusBar().StatusText().c_str());
    {
        ffb::ZoneBuilder zone;
        zone.Strings({"big"}).SoundB("big.wav", std::string(1 << 20, '\x01'));
        ffb::WriteFile((work / "hex.ff").string(), ffb::FastFile(ffb::kVersion387, zone.Build()));
        KestBrowseDlg* hex = OpenAndLoad(main, (work / "hex.ff").string());
        const auto start = Clock::now();
        PrintAnswers("filling a 1 MB hex dump", AnswerTimes(hex->hwnd(), [&] {
                         hex->List().SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
                         PumpUntil([&] { return !hex->PreviewText().empty() && hex->PreviewFilled(); });
                     }));
        std::printf("  the whole dump was in the pane after %.0f ms\n", MsSince(start));
        Close(hex);
    }

    // Closing while loading, and while extracting (then nothing is cut short).
    {
        main.BrowseFastFile(archive);
        KestBrowseDlg* loading = KestBrowseDlg::OpenWindows().back();
        PumpUntil([] { return false; }, 200);
        const auto start = Clock::now();
        Close(loading);
        std::printf("closed while loading:    %.1f ms\n", MsSince(start));
    }
    {
        fs::remove_all(work / "big");
        uitest::PressCtrl(browse->List().hwnd(), 'E');
        PumpUntil([&] { return fs::exists(work / "big" / Name(2000)); });
        const auto start = Clock::now();
        Close(browse);
        const double ms = MsSince(start);
        int written = 0, cut = 0;
        for (int i = 0; i < kFiles; ++i) {
            std::error_code missing;
            const auto size = fs::file_size(work / "big" / Name(i), missing);
            if (missing) continue;
            ++written;
            cut += size != kFileBytes;
        }
        std::printf("closed while extracting: %.1f ms, %d of %d files written, %d cut short\n", ms, written, kFiles, cut);
    }
    const Memory after = MemoryNow();
    std::printf("memory (working set / private): none %.0f / %.0f MB, one window %.0f / %.0f MB, two %.0f / %.0f MB, "
                "all closed %.0f / %.0f MB\n",
                before.workingMb, before.privateMb, one.workingMb, one.privateMb, two.workingMb, two.privateMb,
                after.workingMb, after.privateMb);
    main.EndDialog(IDCANCEL);
    if (argc > 2 && std::string(argv[2]) == "--keep") {
        fs::remove_all(work / "big");
    } else {
        fs::remove_all(work);
    }
    return 0;
}
