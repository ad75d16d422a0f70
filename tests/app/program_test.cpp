// Kest_Vandrel.exe as a user starts it: a process of its own in a fresh current folder,
// under the Windows version wine is told to report for it. The test finds the
// program's windows, posts to them as a user's clicks would, waits for its exit status
// and reads the Vandrel_Log.txt and the registry values it leaves behind.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "ff_builder.h"
#include "output_test_support.h"
#include "KestPalette.h"
#include "big_archive.h"
#include "res/resource.h"
#include "saved_registry_key.h"
#include "test_http_server.h"
#include "ui_test_support.h"

using testsupport::Exists;
using testsupport::ReadText;
using testsupport::TempFolder;

namespace {

constexpr char kMainCaption[] = "Kest_Ryn - Vandrel";
constexpr char kCriticalCaption[] = "Kest_Ryn - Critical Error";
constexpr char kAppDefaults[] = "Software\\Wine\\AppDefaults\\Kest_Vandrel.exe";
constexpr char kMakerKey[] = "Software\\Kest_Ryn";
constexpr char kProgramKey[] = "Software\\Kest_Ryn\\Vandrel";
constexpr DWORD kStartTimeoutMs = 30000;
constexpr COLORREF kThemeStaticText = RGB(0, 165, 16);  // the green of the program's texts

// A path the build gave in its own (Linux) form, as the program sees it through wine.
std::string WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// The Windows version wine reports to the program, for as long as this object lives;
// then wine's setting for the program is as it was before.
class ReportedWindowsVersion {
public:
    explicit ReportedWindowsVersion(const char* version) {
        HKEY key = nullptr;
        ::RegCreateKeyExA(HKEY_CURRENT_USER, kAppDefaults, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
        ::RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                         static_cast<DWORD>(strlen(version) + 1));
        ::RegCloseKey(key);
    }

private:
    regtest::SavedRegistryKey saved_{HKEY_CURRENT_USER, kAppDefaults};
};

// One run of the program, ended by force if a test leaves it running.
class Program {
public:
    ~Program() {
        if (info_.hProcess) {
            if (::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(info_.hProcess, 99);
            ::CloseHandle(info_.hProcess);
            ::CloseHandle(info_.hThread);
        }
    }

    // Runs the program file exe with the current folder folder.
    bool Start(const std::string& exe, const std::string& folder, const std::vector<std::string>& args = {}) {
        std::string command = "\"" + exe + "\"";
        for (const std::string& arg : args) command += " \"" + arg + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        started_ = std::chrono::steady_clock::now();
        return ::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                                &info_) != FALSE;
    }

    // Starts the program and waits for its main window; null when either fails.
    HWND StartMain(const std::string& exe, const std::string& folder, const std::vector<std::string>& args = {}) {
        return Start(exe, folder, args) ? WaitForWindow(kMainCaption) : nullptr;
    }

    // The program's visible top-level window with caption, or null after timeoutMs.
    HWND WaitForWindow(const char* caption, DWORD timeoutMs = kStartTimeoutMs) {
        const DWORD start = ::GetTickCount();
        do {
            if (HWND found = FindWindow(caption)) return found;
            if (::WaitForSingleObject(info_.hProcess, 20) == WAIT_OBJECT_0) return FindWindow(caption);
        } while (::GetTickCount() - start < timeoutMs);
        return nullptr;
    }

    // The exit status, or STILL_ACTIVE if the program is still running after timeoutMs.
    DWORD WaitForExit(DWORD timeoutMs = kStartTimeoutMs) {
        ::WaitForSingleObject(info_.hProcess, timeoutMs);
        DWORD status = STILL_ACTIVE;
        ::GetExitCodeProcess(info_.hProcess, &status);
        return status;
    }

    // The program's memory in use now (nothing once it has ended).
    uint64_t MemoryInUse() const {
        PROCESS_MEMORY_COUNTERS counters{};
        counters.cb = sizeof counters;
        return ::GetProcessMemoryInfo(info_.hProcess, &counters, sizeof counters) ? counters.WorkingSetSize : 0;
    }

    // WaitForExit that looks at the memory in use every few milliseconds meanwhile, and
    // gives the most it saw as mostInUse (wine keeps no peak for an ended process).
    DWORD WaitForExitWatchingMemory(uint64_t& mostInUse, DWORD timeoutMs = kStartTimeoutMs) {
        const DWORD start = ::GetTickCount();
        mostInUse = MemoryInUse();
        while (::WaitForSingleObject(info_.hProcess, 2) == WAIT_TIMEOUT && ::GetTickCount() - start < timeoutMs)
            mostInUse = std::max(mostInUse, MemoryInUse());
        return WaitForExit(0);
    }

    double SecondsSinceStart() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    }

private:
    struct Search {
        DWORD process;
        const char* caption;
        HWND found;
    };
    static BOOL CALLBACK Match(HWND hwnd, LPARAM lp) {
        auto* search = reinterpret_cast<Search*>(lp);
        DWORD process = 0;
        ::GetWindowThreadProcessId(hwnd, &process);
        char text[128] = {};
        ::GetWindowTextA(hwnd, text, sizeof text);
        if (process == search->process && ::IsWindowVisible(hwnd) && strcmp(text, search->caption) == 0) {
            search->found = hwnd;
            return FALSE;
        }
        return TRUE;
    }
    HWND FindWindow(const char* caption) {
        Search search{info_.dwProcessId, caption, nullptr};
        ::EnumWindows(&Match, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    PROCESS_INFORMATION info_{};
    std::chrono::steady_clock::time_point started_;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

bool HasLine(const std::string& text, const std::string& line) {
    for (const std::string& l : Lines(text))
        if (l == line) return true;
    return false;
}

// A one-byte registry value of the program's key, or -1 when it cannot be read.
int StoredOption(const char* group, const char* name) {
    const std::string key = std::string(kProgramKey) + "\\" + group;
    BYTE value = 0;
    DWORD size = sizeof value;
    if (::RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_BINARY, nullptr, &value, &size) != ERROR_SUCCESS)
        return -1;
    return value;
}

// Sets a one-byte registry value of the program's key, as the program stores its options.
void StoreOption(const char* group, const char* name, BYTE value) {
    const std::string key = std::string(kProgramKey) + "\\" + group;
    ::RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), name, REG_BINARY, &value, sizeof value);
}

// The program's windows belong to another process: they are read from the screen.
uitest::Pixels CaptureScreen(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return uitest::CaptureScreen(rect);
}

int CountColour(const uitest::Pixels& p, COLORREF colour) {
    int n = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) n += p.At(x, y) == colour;
    return n;
}

class ProgramTest : public ::testing::Test {
protected:
    // Each test starts without the program's settings; the user's come back after it.
    regtest::SavedRegistryKey userSettings{HKEY_CURRENT_USER, kMakerKey};
    TempFolder folder;  // the program's current folder

    void SetUp() override {
        // The update check goes to the default host, which never resolves.
        ::SetEnvironmentVariableA("KEST_UPDATE_HOST", nullptr);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kProgramKey);
    }

    // The program as a user unpacks it into place: the program file, and the helper
    // library in util/ beside it when withHelper. Returns the program file's path.
    std::string Install(const std::string& place, bool withHelper) {
        std::filesystem::create_directories(place);
        const std::string exe = place + "\\Kest_Vandrel.exe";
        EXPECT_TRUE(::CopyFileA(WindowsPath(KEST_VANDREL_EXE).c_str(), exe.c_str(), FALSE));
        if (withHelper) {
            std::filesystem::create_directories(place + "\\util");
            EXPECT_TRUE(::CopyFileA(WindowsPath(KEST_MFC_UTIL_DLL).c_str(), (place + "\\util\\Kest_MFC_Util.dll").c_str(),
                                    FALSE));
        }
        return exe;
    }
    // library in the helper library's place below place.
    static void PutHelper(const std::string& place, const char* library) {
        std::filesystem::create_directories(place + "\\util");
        EXPECT_TRUE(::CopyFileA(WindowsPath(library).c_str(), (place + "\\util\\Kest_MFC_Util.dll").c_str(), FALSE));
    }

    std::string Log() { return ReadText(folder / "Vandrel_Log.txt"); }

    std::string Archive(const std::string& name, const std::string& script = "main() {}") {
        ffb::ZoneBuilder zone;
        zone.Strings({"mp_crash"}).AssetTypes({0x20}).Record(ffb::kGsc, "maps/dm.gsc", script);
        const std::string path = folder / name;
        EXPECT_TRUE(ffb::WriteFile(path, ffb::FastFile(ffb::kVersion387, zone.Build())));
        return path;
    }

    // Closes the main window as the system's close does and returns the exit status.
    static DWORD CloseAndWait(Program& program, HWND main) {
        ::PostMessageA(main, WM_CLOSE, 0, 0);
        return program.WaitForExit();
    }
};

// Start-up loads the helper library only from Windows 6.0 on, lets exactly the three
// messages of a drop through, each with flag 1, ignores the answer (FALSE here) and
// frees the library at once. A library in its place records the calls.
TEST_F(ProgramTest, OnlyFromWindows6OnTheHelperLibraryLetsTheThreeDropMessagesThrough) {
    const struct {
        const char* version;
        const char* line;
        const char* calls;
    } cases[] = {
        {"winxp", "OS Major Ver: 5", ""},
        {"win7", "OS Major Ver: 6", "attached\r\n0x233 1\r\n0x4a 1\r\n0x49 1\r\nreleased\r\n"},
    };
    for (const auto& c : cases) {
        ReportedWindowsVersion version(c.version);
        TempFolder place;
        const std::string exe = Install(place.Path(), false);
        PutHelper(place.Path(), HELPER_RECORDING_CALLS_DLL);
        Program program;
        HWND main = program.StartMain(exe, place.Path());
        ASSERT_NE(nullptr, main) << "no main window on " << c.version;
        EXPECT_EQ(0u, CloseAndWait(program, main));
        const std::string log = ReadText(place / "Vandrel_Log.txt");
        EXPECT_TRUE(HasLine(log, c.line)) << log;
        EXPECT_EQ(c.calls, ReadText(place / "helper_calls.txt")) << c.version;
    }
}

// On Windows 7 the helper library is needed: without it, or with a library that lacks
// the export, the program shows the critical box, never its window, and ends with 1.
TEST_F(ProgramTest, OnWindows7AMissingOrWrongHelperLibraryEndsWithTheCriticalBoxAndStatus1) {
    const struct {
        const char* library;  // copied as util\Kest_MFC_Util.dll; null: no util folder
        const char* line;
    } cases[] = {
        {nullptr, "Can't find 'Kest_MFC_Util.dll'"},
        {HELPER_WITHOUT_EXPORT_DLL, "Failed To Load 'Kest_MFC_Util.dll' correct"},
    };
    ReportedWindowsVersion seven("win7");
    for (const auto& c : cases) {
        TempFolder place;
        const std::string exe = Install(place.Path(), false);
        if (c.library) PutHelper(place.Path(), c.library);
        Program program;
        ASSERT_TRUE(program.Start(exe, place.Path()));
        HWND box = program.WaitForWindow(kCriticalCaption);
        ASSERT_NE(nullptr, box) << "no critical box for " << c.line;
        char text[256] = {};
        ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        EXPECT_STREQ(c.line, text);
        EXPECT_EQ(nullptr, program.WaitForWindow(kMainCaption, 0)) << "the main window never shows";
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(1u, program.WaitForExit()) << c.line;

        const std::string log = ReadText(place / "Vandrel_Log.txt");
        const std::vector<std::string> lines = Lines(log);
        ASSERT_EQ(6u, lines.size()) << log;
        EXPECT_EQ("", lines[0]);
        EXPECT_EQ(0u, lines[1].find("*** Application Started (Version 1.02) : ")) << lines[1];
        EXPECT_EQ("", lines[2]);
        EXPECT_EQ("Logging Mode: Normal", lines[3]);
        EXPECT_EQ("OS Major Ver: 6", lines[4]);
        EXPECT_EQ(c.line, lines[5]);
    }
}

TEST_F(ProgramTest, OnWindows7WithTheHelperLibraryItRunsAndSavesTheOptionsOnClose) {
    ReportedWindowsVersion seven("win7");
    Program program;
    HWND main = program.StartMain(Install(folder.Path(), true), folder.Path());
    ASSERT_NE(nullptr, main) << "no main window";
    std::printf("the main window showed %.2f s after the start (update check included)\n", program.SecondsSinceStart());
    // Options set in the window reach the registry when it closes.
    ::SendMessageA(::GetDlgItem(main, IDC_DUMP_TO_LOCAL), BM_CLICK, 0, 0);
    ::SendMessageA(::GetDlgItem(main, IDC_CREATE_DUMP), BM_CLICK, 0, 0);
    EXPECT_EQ(0u, CloseAndWait(program, main));

    EXPECT_EQ(1, StoredOption("ExportOptions", "LocalDump"));
    EXPECT_EQ(1, StoredOption("ExportOptions", "create_dump"));
    EXPECT_EQ(0, StoredOption("ExportOptions", "Inc_StringTable"));
    EXPECT_EQ(0, StoredOption("Misc", "WindowOnTop"));
    const std::string log = Log();
    EXPECT_TRUE(HasLine(log, "OS Major Ver: 6")) << log;
    EXPECT_TRUE(HasLine(log, "Background FastFile Worker started")) << log;
}

// With a newer version on the update server the program offers it as soon as its window
// shows, and takes the files it was started with once the offer is closed.
TEST_F(ProgramTest, ANewerVersionOnTheServerIsOfferedBeforeTheStartFilesAreTaken) {
    std::string error;
    ASSERT_TRUE(updatetest::Server().Port() || updatetest::Server().Start(&error)) << error;
    updatetest::Server().PutUpdateFile("version.txt", "1.03");
    updatetest::ScopedEnvironment host("KEST_UPDATE_HOST", updatetest::Server().Host().c_str());
    ReportedWindowsVersion seven("win7");
    const std::string exe = Install(folder / "program", true);
    const std::string patch = Archive("patch.ff");
    Program program;
    ASSERT_TRUE(program.Start(exe, folder.Path(), {patch}));
    HWND prompt = program.WaitForWindow("Program Update");
    ASSERT_NE(nullptr, prompt) << "no update prompt";
    HWND main = program.WaitForWindow(kMainCaption, 0);
    ASSERT_NE(nullptr, main) << "the prompt comes once the main window shows";
    EXPECT_EQ(main, ::GetWindow(prompt, GW_OWNER));
    EXPECT_FALSE(Exists(folder / "patch")) << "the start files wait for the prompt";
    ::SendMessageA(::GetDlgItem(prompt, IDC_UPDATE_CLOSE), BM_CLICK, 0, 0);
    EXPECT_TRUE(uitest::PumpUntil([&] { return Exists(folder / "patch/maps/dm.gsc"); }, 30000));
    EXPECT_EQ(0u, CloseAndWait(program, main));
    EXPECT_TRUE(HasLine(Log(), "Update Avalible ! (Prompting user with dialog)")) << Log();
}

// Whatever the update server does, the start-up check gives up on it and the window
// shows: a server that takes the connection and never answers, one that sends a byte
// every four seconds (the check's 1 KB would take over an hour), and one that never
// takes the connection.
TEST_F(ProgramTest, AnUpdateServerThatHoldsTheCheckDelaysTheWindowBySecondsOnly) {
    updatetest::TestHttpServer& server = updatetest::Server();
    const std::string answer = "1.03" + std::string(1020, ' ');
    const struct {
        const char* name;
        const char* options;  // of the version query's answer
        bool unanswering;
        const char* line;
    } servers[] = {
        {"silent", "silent=1", false, "Failed To preform Update Check: Can't open url"},
        {"dripping", "drip=4000", false, "Failed To preform Update Check: Timed out"},
        {"never connecting", "", true, "Failed To preform Update Check: Can't connect"},
    };
    ReportedWindowsVersion seven("win7");
    for (const auto& s : servers) {
        server.PutUpdateFile("version.txt", answer, s.options);
        updatetest::ScopedEnvironment host("KEST_UPDATE_HOST",
                                           (s.unanswering ? server.UnansweringHost() : server.Host()).c_str());
        TempFolder place;
        Program program;
        HWND main = program.StartMain(Install(place.Path(), true), place.Path());
        ASSERT_NE(nullptr, main) << s.name << ": no main window";
        std::printf("with a %s update server the main window showed %.1f s after the start\n", s.name,
                    program.SecondsSinceStart());
        EXPECT_EQ(0u, CloseAndWait(program, main)) << s.name;
        const std::string log = ReadText(place / "Vandrel_Log.txt");
        EXPECT_TRUE(HasLine(log, s.line)) << s.name << "\n" << log;
    }
}

// Started the way "Open with" starts it: from a current folder other than its own,
// which has no util folder; the library beside the program is found all the same.
TEST_F(ProgramTest, FilesOnTheCommandLineAreExtractedAsOneDrop) {
    ReportedWindowsVersion seven("win7");
    const std::string exe = Install(folder / "program", true);
    const std::string first = Archive("first.ff", "first() {}");
    std::filesystem::create_directories(folder / "zone");
    Archive("zone/second.ff", "second() {}");
    Program program;
    // A full path as "Open with" gives it, and one relative to the current folder.
    HWND main = program.StartMain(exe, folder.Path(), {first, "zone/second.ff"});
    ASSERT_NE(nullptr, main);
    const bool extracted = uitest::PumpUntil(
        [&] { return Exists(folder / "first/maps/dm.gsc") && Exists(folder / "zone/second/maps/dm.gsc"); }, 30000);
    EXPECT_TRUE(extracted);
    EXPECT_EQ(0u, CloseAndWait(program, main));
    EXPECT_EQ("first() {}", ReadText(folder / "first/maps/dm.gsc"));
    EXPECT_EQ("second() {}", ReadText(folder / "zone/second/maps/dm.gsc"));
    const std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("Added 'first.ff' to the Que\r\nAdded 'second.ff' to the Que\r\n")) << log;
}

// --browse PATH starts the program as usual and opens a browse window on PATH, whose
// rows are what the archive holds; the files beside it are still extracted, and closing
// the main window closes the browse window with it and ends the program.
TEST_F(ProgramTest, BrowseOnTheCommandLineOpensABrowseWindowBesideTheMainWindow) {
    ReportedWindowsVersion seven("win7");
    const std::string exe = Install(folder / "program", true);
    const std::string browsed = Archive("browsed.ff");
    const std::string extracted = Archive("extracted.ff");
    Program program;
    HWND main = program.StartMain(exe, folder.Path(), {"--browse", browsed, extracted});
    ASSERT_NE(nullptr, main);
    HWND browse = program.WaitForWindow("browsed.ff - Browse");
    ASSERT_NE(nullptr, browse) << "no browse window";
    EXPECT_EQ(nullptr, ::GetWindow(browse, GW_OWNER));
    EXPECT_TRUE(uitest::PumpUntil([&] { return ::SendMessageA(::GetDlgItem(browse, IDC_BROWSE_LIST), LVM_GETITEMCOUNT, 0, 0) == 2; }))
        << "the script and the sound list";
    EXPECT_TRUE(uitest::PumpUntil([&] { return Exists(folder / "extracted/maps/dm.gsc"); }, 30000));
    EXPECT_FALSE(Exists(folder / "browsed")) << "browsing extracts nothing";
    EXPECT_EQ(0u, CloseAndWait(program, main));
    EXPECT_FALSE(::IsWindow(browse));
}

}  // namespace

namespace {

// Closed in the middle of a job on a big archive, the program ends whatever the job is
// doing, and that stage ends where it is instead of running to its end: the load of the
// archive stops filling memory (it never holds the whole zone), a .dump under way is
// removed, and of the archive's files the one being written is completed and no later
// one is written. An option set during the job is still saved.
TEST_F(ProgramTest, ClosingWhileAJobRunsEndsTheStageUnderWay) {
    ReportedWindowsVersion seven("win7");
    const std::string exe = Install(folder / "program", true);
    const apptest::BigArchive files(folder);
    constexpr size_t kZoneMegabytes = 300;
    const std::string zeros = apptest::WriteZerosArchive(folder / "zeros.ff", kZoneMegabytes);
    const std::string dump = zeros + ".dump";
    enum Stage { kLoad, kDump, kFiles };
    const struct {
        const char* stage;
        const std::string& archive;
        Stage what;
    } cases[] = {
        {"Decompressing", zeros, kLoad},
        {"Writing Dump File", zeros, kDump},
        {"Writing Files", files.Path(), kFiles},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stage);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kProgramKey);
        if (c.what == kDump) StoreOption("ExportOptions", "create_dump", 1);
        Program program;
        HWND main = program.StartMain(exe, folder.Path(), {c.archive});
        ASSERT_NE(nullptr, main);
        HWND list = ::GetDlgItem(main, IDC_JOB_LIST);
        ASSERT_TRUE(uitest::PumpUntil(
            [&] {
                switch (c.what) {
                case kLoad: return CountColour(CaptureScreen(list), RGB(255, 149, 255)) > 10;
                case kDump: return testsupport::FileSize(dump) > 0;
                case kFiles: return Exists(files.File(100));
                }
                return false;
            },
            60000))
            << "the job never got there";
        ::SendMessageA(::GetDlgItem(main, IDC_INC_STRINGTABLE), BM_CLICK, 0, 0);
        const uint64_t inUse = program.MemoryInUse();
        uint64_t mostInUse = 0;
        ::PostMessageA(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(0u, program.WaitForExitWatchingMemory(mostInUse));
        std::printf("closed during \"%s\" with %llu MB in use; it used at most %llu MB after that\n", c.stage,
                    static_cast<unsigned long long>(inUse >> 20), static_cast<unsigned long long>(mostInUse >> 20));
        if (c.what == kLoad) {
            EXPECT_LT(mostInUse, uint64_t(kZoneMegabytes) << 20) << "the load went on to fill the whole zone";
            EXPECT_LT(mostInUse, inUse + (uint64_t(64) << 20)) << "the load went on after the close";
        }
        EXPECT_EQ(1, StoredOption("ExportOptions", "Inc_StringTable")) << "the option set during the job was saved";
    }
    EXPECT_FALSE(Exists(dump)) << "a .dump cut short was left";
    const apptest::BigArchive::Left left = files.Check();
    EXPECT_LT(left.firstMissing, apptest::BigArchive::kEntries) << "the program waited for the whole archive";
    EXPECT_EQ(0, left.strays);
    EXPECT_EQ(0, left.broken);
}

// The program as a user sees it, saved for looking at: empty, with a finished and a
// failed row, with the log window open, and the About box. Each picture is also
// checked: every control dark, nothing left in the system's light colours.
TEST_F(ProgramTest, ScreenshotsOfTheRunningProgram) {
    ReportedWindowsVersion seven("win7");
    const std::string exe = Install(folder / "program", true);
    auto save = [](const uitest::Pixels& p, const char* name) {
        EXPECT_EQ(std::vector<std::string>{}, uitest::SystemColourBlocks(p)) << name;
        uitest::SavePng(p, name);
    };
    // What the screen shows once ready says it is there and two looks 100 ms apart agree.
    auto painted = [](const RECT& rect, const std::function<bool(const uitest::Pixels&)>& ready) {
        uitest::Pixels p, last;
        uitest::PumpUntil(
            [&] {
                last = p;
                p = uitest::CaptureScreen(rect);
                if (ready(p) && p.bgra == last.bgra) return true;
                ::Sleep(100);
                return false;
            },
            10000);
        return p;
    };
    auto rectOf = [](HWND window) {
        RECT r{};
        ::GetWindowRect(window, &r);
        return r;
    };
    {
        Program program;
        HWND main = program.StartMain(exe, folder.Path());
        ASSERT_NE(nullptr, main);
        // Painted once the status bar's text is there.
        save(painted(rectOf(main), [](const uitest::Pixels& p) { return CountColour(p, kStatusBarText) > 10; }), "kest_vandrel_empty");

        ::SendMessageA(::GetDlgItem(main, IDC_SHOW_LOG), BM_CLICK, 0, 0);
        HWND log = program.WaitForWindow("Program Log");
        ASSERT_NE(nullptr, log);
        RECT m, l;
        ::GetWindowRect(main, &m);
        ::GetWindowRect(log, &l);
        ::SetWindowPos(log, nullptr, m.left, m.bottom + 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::GetWindowRect(log, &l);
        const RECT both{std::min(m.left, l.left), m.top, std::max(m.right, l.right), l.bottom};
        save(painted(both, [](const uitest::Pixels& p) { return CountColour(p, kLogBackground) > 1000; }),
             "kest_vandrel_log_window");

        ::PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_ABOUT, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(main, IDC_ABOUT)));
        HWND about = program.WaitForWindow("About");
        ASSERT_NE(nullptr, about);
        save(painted(rectOf(about), [](const uitest::Pixels& p) { return CountColour(p, kThemeStaticText) > 10; }),
             "kest_vandrel_about");
        ::PostMessageA(about, WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_TRUE(uitest::PumpUntil([&] { return !::IsWindow(about); }));
        EXPECT_EQ(0u, CloseAndWait(program, main));
    }
    {
        const std::string done = Archive("patch.ff");
        const std::string broken = folder / "broken.ff";
        ASSERT_TRUE(ffb::WriteFile(broken, ffb::ToBytes("not a FastFile")));
        Program program;
        HWND main = program.StartMain(exe, folder.Path(), {done, broken});
        ASSERT_NE(nullptr, main);
        // The rows are in once the list shows a green "Done" and a red error text.
        HWND list = ::GetDlgItem(main, IDC_JOB_LIST);
        uitest::Pixels rows;
        EXPECT_TRUE(uitest::PumpUntil(
            [&] {
                rows = CaptureScreen(list);
                return CountColour(rows, RGB(0, 255, 0)) > 10 && CountColour(rows, RGB(255, 0, 0)) > 10;
            },
            20000))
            << "no finished and failed rows";
        const uitest::Pixels p = painted(rectOf(main), [](const uitest::Pixels&) { return true; });
        save(p, "kest_vandrel_rows");
        EXPECT_EQ(0u, CloseAndWait(program, main));
    }
}

}  // namespace
