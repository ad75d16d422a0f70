// Shared support for the user-interface tests: showing a window, pumping messages
// until a condition holds (with a bound), reading a window's pixels, and saving
// them as a PNG screenshot.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace uitest {

// Dispatches messages (through the framework's PreTranslateMessage chain) until
// condition() is true or timeoutMs has passed; returns the last value of condition().
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 3000);
// Dispatches whatever is waiting now, without blocking.
void PumpPending();

// Runs runModal, a call that shows a window captioned caption in its own modal loop,
// while a thread timer waits for that window to be visible, repaints it and calls
// act on it once. A window still there three seconds after act is ended with
// IDABORT, so that a test fails instead of hanging. Failures are reported with name.
void RunModalScript(const std::string& caption, const std::function<void(HWND window)>& act,
                    const std::function<void()>& runModal, const std::string& name);

// Presses a themed dialog's minimise caption button, the one left of its close button,
// as a click does; false, pressing nothing, when there is none (a press elsewhere in
// the caption would start a move that waits for the mouse).
bool PressCaptionMinimise(HWND dialog);

// Shows a top-level window, activates it and waits until it is visible and painted.
void ShowAndPaint(HWND hwnd);
// Repaints frame, client and children at once.
void RepaintNow(HWND hwnd);

// The pixels of a window as its window DC shows them (frame included), top row first.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> bgra;  // 0x00RRGGBB per pixel

    COLORREF At(int x, int y) const;  // as a COLORREF (0x00BBGGRR)
    bool empty() const { return bgra.empty(); }
};
Pixels CaptureWindow(HWND hwnd);
// What the screen shows in rect (screen coordinates): for windows of another process,
// whose DCs this process cannot read.
Pixels CaptureScreen(const RECT& rect);
// The client area only, cut out of CaptureWindow.
Pixels CaptureClient(HWND hwnd);
// A child window's pixels, cut out of the capture of its top-level window.
Pixels CutOut(const Pixels& window, HWND topLevel, HWND child);

// True when each channel of a and b differs by at most tolerance.
bool SameColour(COLORREF a, COLORREF b, int tolerance = 0);
// Where the system's own light colours fill a block of 4 by 4 pixels (at most five
// places): a control left in the system's look. Thin lines and text are not blocks.
std::vector<std::string> SystemColourBlocks(const Pixels& pixels);
std::string ColourText(COLORREF c);

// Where screenshots go: $VANDREL_SCREENSHOTS, else "screenshots" beside the test exe.
std::string ScreenshotDir();
// Writes pixels as name.png into ScreenshotDir(); returns the full path or "".
std::string SavePng(const Pixels& pixels, const std::string& name);

}  // namespace uitest
