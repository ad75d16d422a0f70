// KestHorizontalScrollbar_ListView: the job list's bitmap scroll bar along its bottom
// edge (left arrow, stretched track, right arrow, thumb).
#pragma once

#include "KestListScrollbar.h"

class KestHorizontalScrollbar_ListView : public KestListScrollbar {
public:
    static constexpr int kArrowWidth = 26;
    static constexpr int kHeight = 12;
    // The arrows answer a little below the bar as well.
    static constexpr int kHitHeight = 20;

    KestHorizontalScrollbar_ListView();

protected:
    int Length() const override { return GetClientRect().right; }
    int FarArrowEnd() const override { return kArrowWidth; }
    int ThumbTrackReserve() const override { return 75; }
    int Along(POINT pt) const override { return pt.x; }
    void PaintPieces(HDC target, HDC pieces, int width, int height, bool showThumb) override;
    int ArrowAtPress(POINT pt) const override;
    int ArrowAtRelease(POINT pt) const override { return ArrowAtPress(pt); }
    bool OnThumb(POINT pt) const override;
    int LineStep(int arrow) const override { return arrow == 1 ? SB_LINERIGHT : SB_LINELEFT; }
    int PageStep(bool beforeThumb) const override { return beforeThumb ? SB_PAGELEFT : SB_PAGERIGHT; }
    void FollowDraggedThumb() override;

private:
    fw::Bitmap left_, right_, thumb_, track_;
};
