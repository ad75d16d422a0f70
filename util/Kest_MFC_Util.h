// The helper library's one export, and how the program reaches it: loaded at run time
// by a path relative to the current folder and looked up by its plain name, so that the
// program itself never imports ChangeWindowMessageFilter.
#pragma once

#include <windows.h>

constexpr char kKestMfcUtilPath[] = "util//Kest_MFC_Util.dll";
constexpr char kKestChangeWindowMessageFilterName[] = "KestChangeWindowMessageFilter";

// Lets message through the message filter of an elevated process (flag 1, MSGFLT_ADD)
// or blocks it again (flag 2, MSGFLT_REMOVE); returns ChangeWindowMessageFilter's result.
extern "C" BOOL WINAPI KestChangeWindowMessageFilter(UINT message, DWORD flag);

using KestChangeWindowMessageFilterProc = BOOL(WINAPI*)(UINT message, DWORD flag);

// The export of a loaded helper library, or null when the library lacks it.
inline KestChangeWindowMessageFilterProc FindKestChangeWindowMessageFilter(HMODULE library)
{
    return reinterpret_cast<KestChangeWindowMessageFilterProc>(
        reinterpret_cast<void*>(GetProcAddress(library, kKestChangeWindowMessageFilterName)));
}
