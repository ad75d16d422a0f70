#include "Kest_VandrelApp.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>

#include "KestReg.h"
#include "KestTheme.h"
#include "KestUpdater.h"
#include "Kest_MFC_Util.h"
#include "Kest_VandrelDlg.h"
#include "drop_intake.h"
#include "program_log.h"

namespace {

constexpr char kLogFileName[] = "Vandrel_Log.txt";
constexpr DWORD kWin95Classes = 0xFF;  // ICC_WIN95_CLASSES
constexpr DWORD kFilterAllow = 1;      // MSGFLT_ADD
constexpr UINT kCopyGlobalData = 0x49;  // WM_COPYGLOBALDATA, which a drop brings along

}  // namespace

bool CKest_VandrelApp::NeedsMessageFilter() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!::GetVersionExA(&info)) {
        theLog.Log("Failed to get OS info");
        return false;
    }
    theLog.Log("OS Major Ver: %i", static_cast<int>(info.dwMajorVersion));
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion >= 6;
}

void CKest_VandrelApp::LetDropsThroughMessageFilter() {
    HMODULE library = ::LoadLibraryA(kKestMfcUtilPath);
    if (!library) theLog.LogCritical("Can't find 'Kest_MFC_Util.dll'");
    KestChangeWindowMessageFilterProc allow = FindKestChangeWindowMessageFilter(library);
    if (!allow) theLog.LogCritical("Failed To Load 'Kest_MFC_Util.dll' correct");
    allow(WM_DROPFILES, kFilterAllow);
    allow(WM_COPYDATA, kFilterAllow);
    allow(kCopyGlobalData, kFilterAllow);
    ::FreeLibrary(library);
}

BOOL CKest_VandrelApp::InitInstance() {
    theLog.SetFileName(kLogFileName);
    theLog.Start();
    theLog.SetMode(Normal);
    if (NeedsMessageFilter()) LetDropsThroughMessageFilter();

    InitCommonControls(kWin95Classes);
    themeManager_.SetUpTheme();
    CaptionFont = KestThemeManger::CreateCaptionFont();
    theKestReg.LoadSettings();
    {
        CKest_VandrelDlg dialog;
        StartupFiles files = StartupFilesFrom(__argc, __argv);
        dialog.SetStartupFiles(std::move(files.extract));
        dialog.SetStartupBrowse(std::move(files.browse));
        dialog.updateAvailable = theUpdater.CheckForUpdate();
        dialog.DoModal();
        theKestReg.SaveSettings();
        ::DeleteObject(CaptionFont);
        CaptionFont = nullptr;
        theLog.CloseFile();
    }
    return FALSE;
}
