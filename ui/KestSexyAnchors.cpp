#include "KestSexyAnchors.h"

#include "framework/window.h"

namespace {

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// The window rectangle of hwnd in the client coordinates of its parent.
RECT RectInParent(HWND hwnd, HWND parent) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

bool KestSexyAnchors::IsDockCode(DWORD flags) {
    return (flags >= 1 && flags <= 15) || (flags >= 512 && flags <= 4096);
}

void KestSexyAnchors::Add(int id, HWND window, fw::Window* object, DWORD flags) {
    AnchorEntry entry;
    entry.id = id;
    entry.flags = flags;
    entry.window = window;
    entry.object = object;
    entry.dock = object ? false : IsDockCode(flags);
    entries_.push_back(entry);
}

void KestSexyAnchors::AddControl(int id, DWORD flags) { Add(id, nullptr, nullptr, flags); }
void KestSexyAnchors::AddWindow(HWND window, DWORD flags) { Add(-1, window, nullptr, flags); }
void KestSexyAnchors::AddChildObject(fw::Window* window, DWORD flags) { Add(-1, nullptr, window, flags); }

void KestSexyAnchors::Resolve(AnchorEntry& entry) const {
    if (entry.object) {
        HWND hwnd = entry.object->hwnd();
        if (hwnd) entry.rect = RectInParent(hwnd, ::GetParent(hwnd));
        return;
    }
    HWND hwnd = entry.id != -1 ? ::GetDlgItem(parent_, entry.id) : entry.window;
    if (!hwnd || !::IsWindow(hwnd)) {
        entry.window = nullptr;  // skipped by every layout
        return;
    }
    entry.window = hwnd;
    entry.rect = RectInParent(hwnd, parent_);
}

void KestSexyAnchors::Attach(HWND parent, DWORD options) {
    parent_ = parent;
    ::GetWindowRect(parent, &previousWindowRect_);
    newWindowRect_ = previousWindowRect_;
    ::GetClientRect(parent, &client_);
    for (auto& entry : entries_) Resolve(entry);
    if (options & ATTACH_FIT_TO_CONTROLS) FitToControls();
    ChooseAutoAnchors();
}

void KestSexyAnchors::FitToControls() {
    LONG right = 0, bottom = 0;
    for (const auto& entry : entries_) {
        if (entry.rect.right > right) right = entry.rect.right;
        if (entry.rect.bottom > bottom) bottom = entry.rect.bottom;
    }
    RECT r = {previousWindowRect_.left, previousWindowRect_.top, previousWindowRect_.left + right,
              previousWindowRect_.top + bottom};
    ::AdjustWindowRect(&r, static_cast<DWORD>(::GetWindowLongA(parent_, GWL_STYLE)), ::GetMenu(parent_) != nullptr);
    client_.right = client_.left + Width(r);
    client_.bottom = client_.top + Height(r);
}

void KestSexyAnchors::ChooseAutoAnchors() {
    RECT client{};
    ::GetClientRect(parent_, &client);
    const LONG halfW = Width(client) / 2, halfH = Height(client) / 2;
    for (auto& entry : entries_) {
        if (entry.flags != ANCHOR_AUTO) continue;
        DWORD flags = 0;
        if (entry.rect.top < halfH) flags |= ANCHOR_TOP;
        if (entry.rect.bottom >= halfH) flags |= ANCHOR_BOTTOM;
        if (entry.rect.left < halfW) flags |= ANCHOR_LEFT;
        if (entry.rect.right >= halfW) flags |= ANCHOR_RIGHT;
        entry.flags = flags;
    }
}

void KestSexyAnchors::Reapply() { Relayout(lastRect_, kRelayoutAnySize); }

void KestSexyAnchors::PlaceDocked(AnchorEntry& entry) const {
    RECT& r = entry.rect;
    const LONG W = client_.right, H = client_.bottom, w = Width(r), h = Height(r);
    const DWORD f = entry.flags;
    if ((f & 15) == 15) r = {0, 0, W, H};
    else if (f & 1) r = {0, 0, W, h};
    else if (f & 2) r = {0, H - h, W, H};
    else if (f & 4) r = {0, 0, w, H};
    else if (f & 8) r = {W - w, 0, W, H};
    else if (f & 0x200) r.top = 0;
    else if (f & 0x400) r.bottom = H;
    else if (f & 0x800) r = {0, r.top, w, r.bottom};
    else if (f & 0x1000) r.right = W;
}

void KestSexyAnchors::PlaceAnchored(AnchorEntry& entry) const {
    RECT& r = entry.rect;
    const LONG w = Width(r), h = Height(r);
    const DWORD f = entry.flags;
    if ((changeMask_ & (CHANGED_LEFT | CHANGED_RIGHT)) && deltaWidth_ != 0) {
        const bool left = f & ANCHOR_LEFT, right = f & ANCHOR_RIGHT;
        if (right && !left) {
            r.left += deltaWidth_;
            r.right = r.left + w;
        } else if (left && right) {
            r.right += deltaWidth_;
        } else if (!left && !right) {
            // Follows half of the width change, rounded toward zero.
            r.left -= static_cast<LONG>(-0.5 * deltaWidth_);
            r.right = r.left + w;
        }
    }
    if ((changeMask_ & (CHANGED_TOP | CHANGED_BOTTOM)) && deltaHeight_ != 0) {
        const bool top = f & ANCHOR_TOP, bottom = f & ANCHOR_BOTTOM;
        if (bottom && !top) {
            r.top += deltaHeight_;
            r.bottom = r.top + h;
        } else if (bottom && top) {
            r.bottom += deltaHeight_;
        }
    }
}

void KestSexyAnchors::Relayout(const RECT& windowRect, int sizeType) {
    if (sizeType == SIZE_MINIMIZED || entries_.empty()) return;
    lastRect_ = windowRect;
    newWindowRect_ = windowRect;
    changeMask_ = 0;
    if (newWindowRect_.left != previousWindowRect_.left) changeMask_ |= CHANGED_LEFT;
    if (newWindowRect_.top != previousWindowRect_.top) changeMask_ |= CHANGED_TOP;
    if (newWindowRect_.right != previousWindowRect_.right) changeMask_ |= CHANGED_RIGHT;
    if (newWindowRect_.bottom != previousWindowRect_.bottom) changeMask_ |= CHANGED_BOTTOM;
    deltaWidth_ = (newWindowRect_.right - previousWindowRect_.right) - (newWindowRect_.left - previousWindowRect_.left);
    deltaHeight_ = (newWindowRect_.bottom - previousWindowRect_.bottom) - (newWindowRect_.top - previousWindowRect_.top);
    client_.right += deltaWidth_;
    client_.bottom += deltaHeight_;

    HDWP batch = ::BeginDeferWindowPos(static_cast<int>(entries_.size()));
    for (auto& entry : entries_) {
        if (entry.flags & ANCHOR_CENTER) {
            if (entry.object && entry.object->hwnd()) {
                HWND hwnd = entry.object->hwnd();
                RECT mine{}, parent{};
                ::GetWindowRect(hwnd, &mine);
                HWND parentWindow = ::GetParent(hwnd);
                if (parentWindow) ::GetClientRect(parentWindow, &parent);
                else ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &parent, 0);
                ::SetWindowPos(hwnd, nullptr, parent.left + (Width(parent) - Width(mine)) / 2,
                               parent.top + (Height(parent) - Height(mine)) / 2, 0, 0,
                               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            continue;
        }
        if ((!entry.window && !entry.object) || entry.flags == 0) continue;
        if (entry.object && !entry.object->hwnd()) continue;
        if (entry.dock) PlaceDocked(entry);
        else PlaceAnchored(entry);
        if (entry.object) {
            ::MoveWindow(entry.object->hwnd(), 0, 0, Width(entry.rect), Height(entry.rect), TRUE);
        } else if (batch) {
            batch = ::DeferWindowPos(batch, entry.window, nullptr, entry.rect.left, entry.rect.top,
                                     Width(entry.rect), Height(entry.rect), SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    if (batch) ::EndDeferWindowPos(batch);
    previousWindowRect_ = newWindowRect_;
}
