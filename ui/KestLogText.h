// KestLogText: the program log window's read-only text. The edit's own scroll bar
// would be the system's light one; it is hidden, and the job list's bitmap scroll
// bar (without its corner) stands beside the text instead, in the room the text
// gives up for it when it is attached.
#pragma once

#include "KestVerticleScrollbar_ListView.h"
#include "framework/window.h"

// The bitmap bar driving an edit: a dragged thumb scrolls by whole lines.
class KestEditScrollbar : public KestVerticleScrollbar_ListView {
public:
    KestEditScrollbar() : KestVerticleScrollbar_ListView(false) {}

protected:
    void FollowDraggedThumb() override;
};

class KestLogText : public fw::Window {
public:
    // Binds the template's edit, narrows it by the bar's width and puts the bar in
    // the room that leaves, as a sibling of the edit.
    bool Attach(HWND edit);
    KestEditScrollbar& Scrollbar() { return bar_; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void PlaceScrollbar();
    void PaintBorder();

    KestEditScrollbar bar_;
};
