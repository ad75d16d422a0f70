// On Windows a critical line is shown in the system message box before the process
// ends with status 1. A watcher thread in the dying process reads the box the way a
// user would see it, reports it on stderr and presses OK.
#include "program_log.h"

#include "output_test_support.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

namespace {

void CloseCriticalBoxWhenShown()
{
    for (int tries = 0; tries < 1000; ++tries) {
        HWND box = FindWindowA(nullptr, "Kest_Ryn - Critical Error");
        if (box) {
            char text[256] = {};
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            HWND icon = nullptr;
            for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                char className[32] = {};
                GetClassNameA(child, className, sizeof className);
                if (lstrcmpiA(className, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                    icon = child;
            }
            const bool exclamation =
                icon && reinterpret_cast<HICON>(SendMessageA(icon, STM_GETICON, 0, 0)) == LoadIconA(nullptr, IDI_EXCLAMATION);
            fprintf(stderr, "box: [%s] ok=%d cancel=%d exclamation=%d\n", text, GetDlgItem(box, IDOK) != nullptr,
                    GetDlgItem(box, IDCANCEL) != nullptr, exclamation);
            fflush(stderr);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            return;
        }
        Sleep(10);
    }
    fprintf(stderr, "no critical box within 10 s\n");
    ExitProcess(3);  // fail instead of waiting on a box nobody will close
}

}  // namespace

TEST(ProgramLogDeathTest, CriticalLineIsShownInTheSystemBoxThenExitsWithStatus1)
{
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    // The dying child runs this test again from its start: it must log where the parent reads.
    std::unique_ptr<testsupport::TempFolder> dir;
    std::string path;
    if (const char* inherited = getenv("VANDREL_CRITICAL_LOG")) {
        path = inherited;
    } else {
        dir = std::make_unique<testsupport::TempFolder>();
        path = *dir / "Vandrel_Log.txt";
        _putenv_s("VANDREL_CRITICAL_LOG", path.c_str());
    }
    EXPECT_EXIT(
        {
            FileLogger log;
            log.SetFileName(path);
            std::thread(CloseCriticalBoxWhenShown).detach();
            log.LogCritical("Failed To Load '%s' correct", "Kest_MFC_Util.dll");
        },
        testing::ExitedWithCode(1),
        "box: \\[Failed To Load 'Kest_MFC_Util.dll' correct\\] ok=1 cancel=0 exclamation=1");
    // The file is written in text mode: the fatal line ends in CR LF and is on disk.
    EXPECT_EQ("Failed To Load 'Kest_MFC_Util.dll' correct\r\n", testsupport::ReadText(path));
    _putenv_s("VANDREL_CRITICAL_LOG", "");
}
