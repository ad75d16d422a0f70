// KestSexyAnchors: the anchored layout (see iKestSexyAnchors.h). All registered
// controls move in one deferred window-position batch per layout.
#pragma once

#include <vector>

#include "iKestSexyAnchors.h"

struct AnchorEntry {
    int id = -1;  // dialog item id, -1 when registered by handle or object
    DWORD flags = 0;
    RECT rect{};  // in the parent's client coordinates
    HWND window = nullptr;
    bool dock = false;
    bool valid = true;
    fw::Window* object = nullptr;  // AddChildObject entries only
};

class KestSexyAnchors : public iKestSexyAnchors {
public:
    KestSexyAnchors() = default;
    ~KestSexyAnchors() override = default;

    void Reapply() override;
    void Attach(HWND parent, DWORD options) override;
    void Relayout(const RECT& windowRect, int sizeType) override;
    void AddWindow(HWND window, DWORD flags) override;
    void AddControl(int id, DWORD flags) override;
    void AddChildObject(fw::Window* window, DWORD flags) override;

    DWORD ChangeMask() const { return changeMask_; }
    int LayoutWidth() const { return client_.right; }
    int LayoutHeight() const { return client_.bottom; }
    int DeltaWidth() const { return deltaWidth_; }
    int DeltaHeight() const { return deltaHeight_; }
    const std::vector<AnchorEntry>& Entries() const { return entries_; }

private:
    static bool IsDockCode(DWORD flags);
    void Add(int id, HWND window, fw::Window* object, DWORD flags);
    void Resolve(AnchorEntry& entry) const;
    void FitToControls();
    void ChooseAutoAnchors();
    void PlaceDocked(AnchorEntry& entry) const;
    void PlaceAnchored(AnchorEntry& entry) const;

    HWND parent_ = nullptr;
    DWORD changeMask_ = 0;
    RECT lastRect_{};
    RECT previousWindowRect_{};
    RECT newWindowRect_{};
    RECT client_{};  // right and bottom are the layout width and height
    int deltaWidth_ = 0;
    int deltaHeight_ = 0;
    std::vector<AnchorEntry> entries_;
};
