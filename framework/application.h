// Application: the process's one application object, the message loop and the
// helpers every part of the user interface shares (resource instance, common
// controls, dispatching one message with PreTranslateMessage).
#pragma once

#include <windows.h>

namespace fw {

class Application {
public:
    Application();
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The application object of the process, or null before one exists.
    static Application* Current();
    // Where templates, icons and bitmaps are loaded from: the program itself.
    static HINSTANCE ResourceInstance();
    // InitCommonControlsEx with the given ICC_* classes.
    static bool InitCommonControls(DWORD classes);

    // Offers msg to PreTranslateMessage of its window and that window's parents, then
    // translates and dispatches it unless one of them took it.
    static void Dispatch(MSG& msg);
    // Dispatches every message waiting on this thread; false once WM_QUIT was seen
    // (the quit message is posted again for the outer loop).
    static bool PumpPending();

    // Runs the message loop until WM_QUIT and returns its exit code.
    int Run();
};

}  // namespace fw
