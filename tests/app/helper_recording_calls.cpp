// A library in the helper library's place that records how the program uses it, where
// wine cannot show it (its own filter call takes any message and flag and succeeds):
// "attached" when it is loaded, "0x233 1" and the like for each call of its export, and
// "released" when the program frees it (not when the process ends), each a line
// appended to helper_calls.txt in the current folder. The export answers FALSE, which
// start-up must ignore.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "Kest_MFC_Util.h"

namespace {

void Record(const char* line) {
    HANDLE file = ::CreateFileA("helper_calls.txt", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    ::CloseHandle(file);
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID processEnds) {
    if (reason == DLL_PROCESS_ATTACH) Record("attached\r\n");
    if (reason == DLL_PROCESS_DETACH && !processEnds) Record("released\r\n");
    return TRUE;
}

extern "C" BOOL WINAPI KestChangeWindowMessageFilter(UINT message, DWORD flag) {
    char line[64];
    std::snprintf(line, sizeof line, "0x%x %lu\r\n", message, static_cast<unsigned long>(flag));
    Record(line);
    return FALSE;
}
