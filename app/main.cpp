// Kest_Vandrel.exe: the application object and the entry point that runs it.
#include <windows.h>

#include <cstdlib>

#include "Kest_VandrelApp.h"
#include "drop_intake.h"

namespace {
CKest_VandrelApp theApp;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    theApp.InitInstance(CommandLinePaths(__argc, __argv));
    return 0;
}
