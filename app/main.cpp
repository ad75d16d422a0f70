// Kest_Vandrel.exe: the application object and the entry point that runs it.
#include <windows.h>

#include "Kest_VandrelApp.h"

namespace {
CKest_VandrelApp theApp;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    theApp.InitInstance();
    return 0;
}
