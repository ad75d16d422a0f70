// KestVerticleScrollbar_ListView: the job list's bitmap scroll bar along its right
// edge (up arrow, stretched track, down arrow, the corner box below it, thumb). The
// program log's text uses it too, without the corner.
#pragma once

#include "KestListScrollbar.h"

class KestVerticleScrollbar_ListView : public KestListScrollbar {
public:
    static constexpr int kWidth = 12;
    static constexpr int kArrowHeight = 26;
    // The down arrow ends this far above the bar's bottom, leaving room for the corner.
    static constexpr int kDownArrowEnd = 37;
    static constexpr int kCornerSize = 11;

    // withCorner: the bar ends in the corner box where the list's horizontal bar
    // meets it. Without the corner (a bar standing alone, beside the program log's
    // text) the down arrow ends the bar.
    explicit KestVerticleScrollbar_ListView(bool withCorner = true);

protected:
    int Length() const override { return GetClientRect().bottom; }
    int FarArrowEnd() const override { return withCorner_ ? kDownArrowEnd : kArrowHeight; }
    int ThumbTrackReserve() const override { return withCorner_ ? 87 : 87 - kCornerSize; }
    int Along(POINT pt) const override { return pt.y; }
    void PaintPieces(HDC target, HDC pieces, int width, int height, bool showThumb) override;
    int ArrowAtPress(POINT pt) const override;
    // A release counts only on the arrow that was pressed.
    int ArrowAtRelease(POINT pt) const override;
    bool OnThumb(POINT pt) const override;
    int LineStep(int arrow) const override { return arrow == 1 ? SB_LINEUP : SB_LINEDOWN; }
    int PageStep(bool beforeThumb) const override { return beforeThumb ? SB_PAGEUP : SB_PAGEDOWN; }
    void FollowDraggedThumb() override;

private:
    bool withCorner_;
    fw::Bitmap up_, down_, thumb_, track_, corner_;
};
