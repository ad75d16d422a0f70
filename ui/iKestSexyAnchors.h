// iKestSexyAnchors: the anchored layout a resizable dialog owns. Controls are
// registered with anchor flags (the dialog edges they keep their distance to) or a
// dock code, bound to the dialog with Attach, and moved by Relayout whenever the
// dialog's window rectangle changes.
#pragma once

#include <windows.h>

namespace fw {
class Window;
}

// Anchor flags
constexpr DWORD ANCHOR_TOP = 0x10;
constexpr DWORD ANCHOR_BOTTOM = 0x20;
constexpr DWORD ANCHOR_LEFT = 0x40;
constexpr DWORD ANCHOR_RIGHT = 0x80;
constexpr DWORD ANCHOR_AUTO = 0x100;     // chosen at Attach from where the control sits
constexpr DWORD ANCHOR_CENTER = 0x2000;  // centre the window (object entries only)

// Dock codes (flags 1 to 15, or 0x200 to 0x1000)
constexpr DWORD DOCK_TOP = 1;
constexpr DWORD DOCK_BOTTOM = 2;
constexpr DWORD DOCK_LEFT = 4;
constexpr DWORD DOCK_RIGHT = 8;
constexpr DWORD DOCK_FILL = 15;
constexpr DWORD DOCK_STRETCH_TOP = 0x200;
constexpr DWORD DOCK_STRETCH_BOTTOM = 0x400;
constexpr DWORD DOCK_TO_LEFT_EDGE = 0x800;
constexpr DWORD DOCK_STRETCH_RIGHT = 0x1000;

// Change-mask bits: which edges of the window moved in the last Relayout.
constexpr DWORD CHANGED_LEFT = 0x40;
constexpr DWORD CHANGED_TOP = 0x10;
constexpr DWORD CHANGED_RIGHT = 0x80;
constexpr DWORD CHANGED_BOTTOM = 0x20;

// Attach option: lay out in the size that encloses every registered control.
constexpr DWORD ATTACH_FIT_TO_CONTROLS = 0x2;

// Size type for Relayout when no size notification is behind the call.
constexpr int kRelayoutAnySize = -1;

class iKestSexyAnchors {
public:
    virtual ~iKestSexyAnchors() = default;
    virtual void Reapply() = 0;
    virtual void Attach(HWND parent, DWORD options) = 0;
    // windowRect in screen coordinates; sizeType as WM_SIZE gives it (SIZE_MINIMIZED is ignored).
    virtual void Relayout(const RECT& windowRect, int sizeType) = 0;
    virtual void AddWindow(HWND window, DWORD flags) = 0;
    virtual void AddControl(int id, DWORD flags) = 0;
    virtual void AddChildObject(fw::Window* window, DWORD flags) = 0;
};
