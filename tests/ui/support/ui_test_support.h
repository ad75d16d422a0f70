// Shared support for the user-interface tests: showing a window, pumping messages
// until a condition holds (with a bound), answering boxes, clicking a caption's close
// box, reading a window's pixels, and saving them as a PNG screenshot.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace uitest {

// Dispatches messages (through the framework's PreTranslateMessage chain) until
// condition() is true or timeoutMs has passed; returns the last value of condition().
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 3000);
// Dispatches whatever is waiting now, without blocking.
void PumpPending();
// Ctrl and a key as the keyboard gives it: the key, posted to focus, with Control held
// down; the messages it brings are dispatched.
void PressCtrl(HWND focus, char key);

// What a BoxAnswerer saw of one box, as the box was when it first showed.
struct SeenBox {
    std::string caption;
    std::string text;  // the message of the program's box or of a system box, else ""
    HWND owner = nullptr;
    bool ownerDisabled = false;
};

// Answers the boxes this thread shows while it lives: the program's message boxes, its
// themed dialogs and the system's dialogs, each running in its own modal loop. A thread
// timer looks for them from inside those loops; each box is repainted, recorded and
// given the answer for its caption once. A box nobody gave an answer for, or one still
// open a few seconds after its answer, is ended and fails the test: a test that meets
// the wrong box fails in seconds instead of waiting in the box's loop for ctest's
// timeout. The newest answerer of the thread is the one that answers.
class BoxAnswerer {
public:
    using Answer = std::function<void(HWND box)>;

    BoxAnswerer();
    BoxAnswerer(const std::string& caption, Answer answer) : BoxAnswerer() { On(caption, std::move(answer)); }
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    void On(const std::string& caption, Answer answer);
    const std::vector<SeenBox>& Seen() const { return seen_; }
    std::vector<std::string> Texts() const;

private:
    static void CALLBACK OnTick(HWND, UINT, UINT_PTR timer, DWORD);
    void Look();
    void LookAt(HWND box);

    std::map<std::string, Answer> answers_;
    std::vector<SeenBox> seen_;
    std::map<HWND, DWORD> answeredAt_;  // the boxes open now that were seen
    UINT_PTR timer_ = 0;
    BoxAnswerer* outer_ = nullptr;
    bool looking_ = false;
};

// Runs call, which is to show exactly one box captioned caption, and answers it.
void AnswerOneBox(const std::string& caption, const BoxAnswerer::Answer& answer, const std::function<void()>& call);

// Clicks the close box of a themed dialog's caption as the mouse does; returns what the
// frame's hit test reported there.
LRESULT ClickCloseBox(HWND dialog);

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
