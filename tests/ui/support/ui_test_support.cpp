#include "ui_test_support.h"

#include <shlobj.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "framework/application.h"
#include "framework/dialog.h"
#include "res/resource.h"

namespace uitest {

void PumpPending() { fw::Application::PumpPending(); }

void PressCtrl(HWND focus, char key) {
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] |= 0x80;
    ::SetKeyboardState(keys);
    ::PostMessageA(focus, WM_KEYDOWN, key, 0);
    PumpPending();
    keys[VK_CONTROL] &= ~0x80;
    ::SetKeyboardState(keys);
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = ::GetTickCount();
    for (;;) {
        PumpPending();
        if (condition()) return true;
        DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs) return condition();
        // Sleep only until the next message arrives (or a short slice passes).
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

namespace {

constexpr UINT kAnswerTickMs = 30;
constexpr DWORD kCloseAfterAnswerMs = 3000;
constexpr int kSystemBoxText = 0xFFFF;  // the static that holds a system box's message

BoxAnswerer* g_answerer = nullptr;

std::string WindowText(HWND window) {
    char text[1024] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

// A visible modal dialog: one of ours in its DoModal loop, or one of the system's.
bool IsBox(HWND window) {
    if (!::IsWindow(window) || !::IsWindowVisible(window)) return false;
    if (fw::Window* bound = fw::Window::FromHandle(window)) {
        auto* dialog = dynamic_cast<fw::Dialog*>(bound);
        return dialog && dialog->IsModal();
    }
    char className[16] = {};
    ::GetClassNameA(window, className, sizeof className);
    return std::string(className) == "#32770";
}

// The program's box's text, or the static without an id that holds a system box's text
// (not a picture, whose text is a resource number).
std::string MessageOf(HWND box) {
    HWND text = ::GetDlgItem(box, IDC_MSGBOX_TEXT);
    if (!text) text = ::GetDlgItem(box, kSystemBoxText);
    const LONG kind = ::GetWindowLongA(text, GWL_STYLE) & SS_TYPEMASK;
    return text && kind != SS_ICON && kind != SS_BITMAP ? WindowText(text) : std::string();
}

void EndBox(HWND box) {
    if (auto* dialog = dynamic_cast<fw::Dialog*>(fw::Window::FromHandle(box)))
        dialog->EndDialog(IDABORT);
    else
        ::EndDialog(box, IDCANCEL);
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM windows) {
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
    return TRUE;
}

}  // namespace

BoxAnswerer::BoxAnswerer() : outer_(g_answerer) {
    g_answerer = this;
    timer_ = ::SetTimer(nullptr, 0, kAnswerTickMs, &OnTick);
}

BoxAnswerer::~BoxAnswerer() {
    ::KillTimer(nullptr, timer_);
    g_answerer = outer_;
}

void BoxAnswerer::On(const std::string& caption, Answer answer) { answers_[caption] = std::move(answer); }

std::vector<std::string> BoxAnswerer::Texts() const {
    std::vector<std::string> texts;
    for (const SeenBox& box : seen_) texts.push_back(box.text);
    return texts;
}

void CALLBACK BoxAnswerer::OnTick(HWND, UINT, UINT_PTR timer, DWORD) {
    if (g_answerer && g_answerer->timer_ == timer) g_answerer->Look();
}

void BoxAnswerer::Look() {
    // An answer may pump messages itself while it waits for its box.
    if (looking_) return;
    looking_ = true;
    for (auto it = answeredAt_.begin(); it != answeredAt_.end();) it = ::IsWindow(it->first) ? ++it : answeredAt_.erase(it);
    std::vector<HWND> windows;
    ::EnumThreadWindows(::GetCurrentThreadId(), &CollectWindow, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows)
        if (IsBox(window)) LookAt(window);
    looking_ = false;
}

void BoxAnswerer::LookAt(HWND box) {
    const std::string caption = WindowText(box);
    const auto seenBefore = answeredAt_.find(box);
    if (seenBefore != answeredAt_.end()) {
        if (::GetTickCount() - seenBefore->second < kCloseAfterAnswerMs) return;
        ADD_FAILURE() << "the box '" << caption << "' was still open after its answer; it was ended";
        seenBefore->second = ::GetTickCount();
        return EndBox(box);
    }
    answeredAt_[box] = ::GetTickCount();
    SeenBox seen{caption, MessageOf(box), ::GetWindow(box, GW_OWNER)};
    seen.ownerDisabled = seen.owner && !::IsWindowEnabled(seen.owner);
    seen_.push_back(seen);
    const auto answer = answers_.find(caption);
    if (answer == answers_.end()) {
        ADD_FAILURE() << "an unexpected box '" << caption << "' saying '" << seen.text << "' was ended";
        return EndBox(box);
    }
    RepaintNow(box);
    answer->second(box);
    answeredAt_[box] = ::GetTickCount();  // an answer may take its time
}

void AnswerOneBox(const std::string& caption, const BoxAnswerer::Answer& answer, const std::function<void()>& call) {
    BoxAnswerer answerer(caption, answer);
    call();
    std::vector<std::string> captions;
    for (const SeenBox& box : answerer.Seen()) captions.push_back(box.caption);
    EXPECT_EQ(std::vector<std::string>{caption}, captions) << "the boxes shown";
}

LRESULT ClickCloseBox(HWND dialog) {
    // The close box is the first caption button: 14 by 13 pixels, 25 pixels from the
    // window's right edge and 3 from its top.
    RECT r;
    ::GetWindowRect(dialog, &r);
    const LPARAM at = MAKELPARAM(r.right - 25 + 7, r.top + 9);
    const LRESULT hit = ::SendMessageA(dialog, WM_NCHITTEST, 0, at);
    ::SendMessageA(dialog, WM_NCLBUTTONDOWN, hit, at);
    return hit;
}

bool PressCaptionMinimise(HWND dialog) {
    RECT r;
    ::GetWindowRect(dialog, &r);
    const LPARAM at = MAKELPARAM(r.right - 25 - 19 + 7, r.top + 9);
    if (::SendMessageA(dialog, WM_NCHITTEST, 0, at) != HTMINBUTTON) return false;
    ::SendMessageA(dialog, WM_NCLBUTTONDOWN, HTMINBUTTON, at);
    return true;
}

void RepaintNow(HWND hwnd) {
    ::RedrawWindow(hwnd, nullptr, nullptr,
                   RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpPending();
}

void ShowAndPaint(HWND hwnd) {
    ::ShowWindow(hwnd, SW_SHOW);
    ::SetForegroundWindow(hwnd);
    PumpUntil([hwnd] { return ::IsWindowVisible(hwnd) != FALSE; });
    RepaintNow(hwnd);
}

COLORREF Pixels::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    uint32_t p = bgra[static_cast<size_t>(y) * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

namespace {

// The w by h pixels of source from (x, y).
Pixels CopyPixels(HDC source, int x, int y, int w, int h) {
    Pixels out;
    if (!source || w <= 0 || h <= 0) return out;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top row first
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(source, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memDc = ::CreateCompatibleDC(source);
    HGDIOBJ old = ::SelectObject(memDc, dib);
    ::BitBlt(memDc, 0, 0, w, h, source, x, y, SRCCOPY);
    ::GdiFlush();
    out.width = w;
    out.height = h;
    out.bgra.assign(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + w * h);
    for (auto& p : out.bgra) p &= 0x00FFFFFF;
    ::SelectObject(memDc, old);
    ::DeleteDC(memDc);
    ::DeleteObject(dib);
    return out;
}

}  // namespace

Pixels CaptureWindow(HWND hwnd) {
    RECT wr;
    if (!::GetWindowRect(hwnd, &wr)) return Pixels();
    HDC windowDc = ::GetWindowDC(hwnd);
    Pixels out = CopyPixels(windowDc, 0, 0, wr.right - wr.left, wr.bottom - wr.top);
    if (windowDc) ::ReleaseDC(hwnd, windowDc);
    return out;
}

Pixels CaptureScreen(const RECT& rect) {
    HDC screen = ::GetDC(nullptr);
    Pixels out = CopyPixels(screen, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    if (screen) ::ReleaseDC(nullptr, screen);
    return out;
}

Pixels CaptureClient(HWND hwnd) {
    Pixels all = CaptureWindow(hwnd);
    RECT wr, cr;
    ::GetWindowRect(hwnd, &wr);
    ::GetClientRect(hwnd, &cr);
    POINT origin{0, 0};
    ::ClientToScreen(hwnd, &origin);
    int ox = origin.x - wr.left, oy = origin.y - wr.top;
    Pixels out;
    if (all.empty() || cr.right <= 0 || cr.bottom <= 0) return out;
    out.width = cr.right;
    out.height = cr.bottom;
    out.bgra.resize(static_cast<size_t>(out.width) * out.height);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            int sx = ox + x, sy = oy + y;
            out.bgra[static_cast<size_t>(y) * out.width + x] =
                (sx < all.width && sy < all.height) ? all.bgra[static_cast<size_t>(sy) * all.width + sx] : 0;
        }
    return out;
}

Pixels CutOut(const Pixels& window, HWND topLevel, HWND child) {
    RECT tw, cw;
    ::GetWindowRect(topLevel, &tw);
    ::GetWindowRect(child, &cw);
    Pixels out;
    out.width = cw.right - cw.left;
    out.height = cw.bottom - cw.top;
    if (out.width <= 0 || out.height <= 0) return Pixels();
    out.bgra.resize(static_cast<size_t>(out.width) * out.height);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            const int sx = cw.left - tw.left + x, sy = cw.top - tw.top + y;
            const bool inside = sx >= 0 && sy >= 0 && sx < window.width && sy < window.height;
            out.bgra[static_cast<size_t>(y) * out.width + x] =
                inside ? window.bgra[static_cast<size_t>(sy) * window.width + sx] : 0;
        }
    return out;
}

bool SameColour(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

std::string ColourText(COLORREF c) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "(%d, %d, %d)", GetRValue(c), GetGValue(c), GetBValue(c));
    return buf;
}

std::string ScreenshotDir() {
    const char* env = std::getenv("VANDREL_SCREENSHOTS");
    std::string dir;
    if (env && *env) {
        dir = env;
        // A Linux path handed in through wine lives on drive Z:.
        if (dir[0] == '/') {
            dir = "Z:" + dir;
            for (auto& ch : dir)
                if (ch == '/') ch = '\\';
        }
    } else {
        char exe[MAX_PATH] = {};
        ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
        dir = exe;
        size_t slash = dir.find_last_of("\\/");
        dir = (slash == std::string::npos ? std::string(".") : dir.substr(0, slash)) + "\\screenshots";
    }
    return dir;
}

namespace {

void PutBigEndian32(std::vector<unsigned char>& out, uint32_t v) {
    out.push_back(static_cast<unsigned char>(v >> 24));
    out.push_back(static_cast<unsigned char>(v >> 16));
    out.push_back(static_cast<unsigned char>(v >> 8));
    out.push_back(static_cast<unsigned char>(v));
}

void PutChunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data) {
    PutBigEndian32(out, static_cast<uint32_t>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, out.data() + start, static_cast<uInt>(out.size() - start));
    PutBigEndian32(out, static_cast<uint32_t>(crc));
}

}  // namespace

std::string SavePng(const Pixels& pixels, const std::string& name) {
    if (pixels.empty()) return std::string();
    std::string dir = ScreenshotDir();
    ::SHCreateDirectoryExA(nullptr, dir.c_str(), nullptr);
    std::string path = dir + "\\" + name + ".png";

    std::vector<unsigned char> raw;
    raw.reserve(static_cast<size_t>(pixels.height) * (pixels.width * 3 + 1));
    for (int y = 0; y < pixels.height; ++y) {
        raw.push_back(0);  // no filter
        for (int x = 0; x < pixels.width; ++x) {
            uint32_t p = pixels.bgra[static_cast<size_t>(y) * pixels.width + x];
            raw.push_back(static_cast<unsigned char>(p >> 16));
            raw.push_back(static_cast<unsigned char>(p >> 8));
            raw.push_back(static_cast<unsigned char>(p));
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<unsigned char> packed(packedSize);
    if (compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size())) != Z_OK)
        return std::string();
    packed.resize(packedSize);

    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    PutBigEndian32(header, static_cast<uint32_t>(pixels.width));
    PutBigEndian32(header, static_cast<uint32_t>(pixels.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", {});

    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return std::string();
    bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    ok = std::fclose(f) == 0 && ok;
    return ok ? path : std::string();
}

std::vector<std::string> SystemColourBlocks(const Pixels& p) {
    const int system[] = {COLOR_WINDOW, COLOR_BTNFACE, COLOR_3DLIGHT, COLOR_BTNSHADOW, COLOR_SCROLLBAR, COLOR_BTNHIGHLIGHT};
    std::vector<std::string> found;
    for (int index : system) {
        const COLORREF colour = ::GetSysColor(index);
        for (int y = 0; y + 4 <= p.height && found.size() < 5; ++y)
            for (int x = 0; x + 4 <= p.width && found.size() < 5; ++x) {
                bool block = true;
                for (int dy = 0; dy < 4 && block; ++dy)
                    for (int dx = 0; dx < 4 && block; ++dx) block = p.At(x + dx, y + dy) == colour;
                if (block) found.push_back(ColourText(colour) + " at " + std::to_string(x) + "," + std::to_string(y));
            }
    }
    return found;
}

}  // namespace uitest
