// Kest_MFC_Util.dll: forwards one call to ChangeWindowMessageFilter, which exists only
// from Windows 6.0 on. It keeps no state and checks nothing.
#include "Kest_MFC_Util.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}

extern "C" BOOL WINAPI KestChangeWindowMessageFilter(UINT message, DWORD flag)
{
    return ChangeWindowMessageFilter(message, flag);
}
