/* A tiny Windows program for tools/wine-env.sh, built for 32 and 64 bits.
     probe.exe         prints its line; run under wine's 32-bit loader, it tells whether
                       32-bit Windows programs really run on this machine.
     probe.exe --hold  connects to the desktop and waits until killed. Started once for
                       the tests, it keeps the wine session (its server, services and
                       desktop) alive and unchanged from the first test to the last.
   user32 is loaded for --hold alone: the probe runs before there is a display. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

int main(int argc, char** argv)
{
    if (argc > 1 && strcmp(argv[1], "--hold") == 0) {
        HMODULE user32 = LoadLibraryA("user32.dll");
        FARPROC desktopWindow = user32 ? GetProcAddress(user32, "GetDesktopWindow") : NULL;
        if (!desktopWindow)
            return 1;
        ((HWND(WINAPI*)(void))(void*)desktopWindow)();
        printf("holding\n");
        fflush(stdout);
        Sleep(INFINITE);
        return 0;
    }
    printf("vandrel wine probe: %d-bit\n", (int)(sizeof(void*) * 8));
    return 0;
}
