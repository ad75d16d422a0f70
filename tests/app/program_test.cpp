// Kest_Vandrel.exe as a user starts it: a process of its own in a fresh current folder,
// under the Windows version wine is told to report for it. The test finds the
// program's windows, posts to them as a user's clicks would, waits for its exit status
// and reads the Vandrel_Log.txt and the registry values it leaves behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ff_builder.h"
#include "output_test_support.h"
#include "res/resource.h"
#include "ui_test_support.h"

using testsupport::Exists;
using testsupport::ReadText;
using testsupport::TempFolder;

namespace {

constexpr char kMainCaption[] = "Kest_Ryn - Vandrel";
constexpr char kCriticalCaption[] = "Kest_Ryn - Critical Error";
constexpr char kAppDefaults[] = "Software\\Wine\\AppDefaults\\Kest_Vandrel.exe";
constexpr char kProgramKey[] = "Software\\Kest_Ryn\\Vandrel";
constexpr DWORD kStartTimeoutMs = 30000;

// A path the build gave in its own (Linux) form, as the program sees it through wine.
std::string WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// The Windows version wine reports to the program, for as long as this object lives.
class ReportedWindowsVersion {
public:
    explicit ReportedWindowsVersion(const char* version) {
        HKEY key = nullptr;
        ::RegCreateKeyExA(HKEY_CURRENT_USER, kAppDefaults, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
        ::RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                         static_cast<DWORD>(strlen(version) + 1));
        ::RegCloseKey(key);
    }
    ~ReportedWindowsVersion() { ::RegDeleteTreeA(HKEY_CURRENT_USER, kAppDefaults); }
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

class ProgramTest : public ::testing::Test {
protected:
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

TEST_F(ProgramTest, OnWindowsXpItStartsWithoutTheHelperLibrary) {
    ReportedWindowsVersion xp("winxp");
    Program program;
    ASSERT_TRUE(program.Start(Install(folder.Path(), false), folder.Path()));
    HWND main = program.WaitForWindow(kMainCaption);
    ASSERT_NE(nullptr, main) << "no main window";
    EXPECT_EQ(0u, CloseAndWait(program, main));
    const std::string log = Log();
    EXPECT_TRUE(HasLine(log, "OS Major Ver: 5")) << log;
    EXPECT_FALSE(Exists(folder / "util"));
}

TEST_F(ProgramTest, OnWindows7WithoutTheHelperLibraryItEndsWithTheCriticalBoxAndStatus1) {
    ReportedWindowsVersion seven("win7");
    Program program;
    ASSERT_TRUE(program.Start(Install(folder.Path(), false), folder.Path()));
    HWND box = program.WaitForWindow(kCriticalCaption);
    ASSERT_NE(nullptr, box) << "no critical box";
    char text[256] = {};
    ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_STREQ("Can't find 'Kest_MFC_Util.dll'", text);
    EXPECT_EQ(nullptr, program.WaitForWindow(kMainCaption, 0)) << "the main window never shows";
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(1u, program.WaitForExit());

    const std::vector<std::string> lines = Lines(Log());
    ASSERT_EQ(6u, lines.size()) << Log();
    EXPECT_EQ("", lines[0]);
    EXPECT_EQ(0u, lines[1].find("*** Application Started (Version 1.02) : ")) << lines[1];
    EXPECT_EQ("", lines[2]);
    EXPECT_EQ("Logging Mode: Normal", lines[3]);
    EXPECT_EQ("OS Major Ver: 6", lines[4]);
    EXPECT_EQ("Can't find 'Kest_MFC_Util.dll'", lines[5]);
}

TEST_F(ProgramTest, OnWindows7WithTheHelperLibraryItRunsAndSavesTheOptionsOnClose) {
    ReportedWindowsVersion seven("win7");
    Program program;
    ASSERT_TRUE(program.Start(Install(folder.Path(), true), folder.Path()));
    HWND main = program.WaitForWindow(kMainCaption);
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
    ASSERT_TRUE(program.Start(exe, folder.Path(), {first, "zone/second.ff"}));
    HWND main = program.WaitForWindow(kMainCaption);
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

}  // namespace
