// KestListScrollbar: what the job list's two bitmap scroll bars share. Each bar is a
// static control beside the list; it reads the list's scroll range and position to
// place its thumb, and scrolls the list by sending it the ordinary scroll messages.
// The horizontal and vertical bars supply their geometry, pieces and hit regions.
#pragma once

#include "framework/gdi_objects.h"
#include "framework/static_ctrl.h"
#include "framework/window.h"

class KestListScrollbar : public fw::StaticT<fw::Window> {
public:
    // Where the thumb starts: just past the first arrow.
    static constexpr int kThumbStart = 25;
    static constexpr int kThumbLength = 26;
    static constexpr UINT_PTR kRepeatTimer = 1;
    static constexpr UINT_PTR kFirstDelayTimer = 2;
    static constexpr UINT kFirstDelayMs = 250;
    static constexpr UINT kRepeatMs = 50;

    void SetList(HWND list) { list_ = list; }
    HWND List() const { return list_; }
    bool HasList() const { return list_ != nullptr; }

    // Places the thumb for the list's current scroll position and repaints.
    void UpdateThumb();
    int ThumbPos() const { return thumbPos_; }
    bool ThumbGrabbed() const { return thumbGrabbed_; }
    bool FirstArrowPressed() const { return firstArrow_; }
    bool SecondArrowPressed() const { return secondArrow_; }

protected:
    explicit KestListScrollbar(int bar) : bar_(bar) {}

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

    // The list's scroll limit on this bar's axis (0: nothing to scroll) and position.
    int ScrollLimit() const;
    int ScrollPos() const;
    // One step sent to the list as WM_HSCROLL / WM_VSCROLL.
    void SendScroll(int code) const;
    void ClampThumb();

    // The bar's length along its axis (client width or height).
    virtual int Length() const = 0;
    // Pixels reserved at the bar's far end, past which the thumb may not go.
    virtual int FarArrowEnd() const = 0;
    // Pixels of the bar's length that the scroll range does not map onto.
    virtual int ThumbTrackReserve() const = 0;
    // The coordinate along the bar's axis.
    virtual int Along(POINT pt) const = 0;
    virtual void PaintPieces(HDC target, HDC pieces, int width, int height, bool showThumb) = 0;
    // 1 for the first arrow, 2 for the second, 0 for none.
    virtual int ArrowAtPress(POINT pt) const = 0;
    virtual int ArrowAtRelease(POINT pt) const = 0;
    virtual bool OnThumb(POINT pt) const = 0;
    virtual int LineStep(int arrow) const = 0;
    virtual int PageStep(bool beforeThumb) const = 0;
    // Scrolls the list so that its position follows a thumb dragged to thumbPos_.
    virtual void FollowDraggedThumb() = 0;

    bool firstArrow_ = false;
    bool secondArrow_ = false;
    bool thumbMoved_ = false;
    bool thumbGrabbed_ = false;
    int thumbPos_ = kThumbStart;
    double scale_ = 0.0;
    HWND list_ = nullptr;

private:
    void Paint();
    void OnButtonDown(POINT pt);
    void OnButtonUp(POINT pt);
    void OnMouseMove(POINT pt);
    void OnTimer(UINT_PTR id);
    // Stops both timers and forgets the press (release, or the mouse taken away).
    void EndPress();
    int HeldArrow() const { return firstArrow_ ? 1 : secondArrow_ ? 2 : 0; }

    int bar_;  // SB_HORZ or SB_VERT
    bool pressed_ = false;  // from a button press until its release or the capture's loss
};

// Loads one of the program's bitmap resources.
HBITMAP LoadScrollbarPiece(UINT resourceId);
// Copies a whole piece to (x, y) of target through the memory context pieces; no-op without a piece.
void BlitScrollbarPiece(HDC target, HDC pieces, HBITMAP piece, int x, int y, int w, int h);
// Whether pt lies in the half-open rectangle [left, right) x [top, bottom).
bool PointWithin(POINT pt, int left, int top, int right, int bottom);
