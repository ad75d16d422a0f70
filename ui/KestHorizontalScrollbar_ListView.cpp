#include "KestHorizontalScrollbar_ListView.h"

#include <commctrl.h>

#include "framework/gdi_objects.h"
#include "res/resource.h"

KestHorizontalScrollbar_ListView::KestHorizontalScrollbar_ListView()
    : KestListScrollbar(SB_HORZ),
      left_(LoadScrollbarPiece(IDB_HSCROLL_LEFT)),
      right_(LoadScrollbarPiece(IDB_HSCROLL_RIGHT)),
      thumb_(LoadScrollbarPiece(IDB_HSCROLL_THUMB)),
      track_(LoadScrollbarPiece(IDB_HSCROLL_TRACK)) {}

void KestHorizontalScrollbar_ListView::PaintPieces(HDC target, HDC pieces, int width, int, bool showThumb) {
    BlitScrollbarPiece(target, pieces, left_, 0, 0, kArrowWidth, kHeight);
    if (track_) {
        fw::SelectObjectGuard use(pieces, track_);
        ::StretchBlt(target, kArrowWidth, 0, width - kArrowWidth, kHeight, pieces, 0, 0, 1, kHeight, SRCCOPY);
    }
    BlitScrollbarPiece(target, pieces, right_, width - kArrowWidth, 0, kArrowWidth, kHeight);
    if (showThumb) BlitScrollbarPiece(target, pieces, thumb_, thumbPos_, 0, kThumbLength, kHeight);
}

int KestHorizontalScrollbar_ListView::ArrowAtPress(POINT pt) const {
    int width = Length();
    if (PointWithin(pt, width - kArrowWidth, 0, width, kHitHeight)) return 1;
    if (PointWithin(pt, 0, 0, kArrowWidth, kHitHeight)) return 2;
    return 0;
}

bool KestHorizontalScrollbar_ListView::OnThumb(POINT pt) const {
    return PointWithin(pt, thumbPos_, 0, thumbPos_ + kThumbLength, kHitHeight);
}

void KestHorizontalScrollbar_ListView::FollowDraggedThumb() {
    scale_ = static_cast<double>(Length() - ThumbTrackReserve()) / ScrollLimit();
    if (scale_ == 0.0) return;  // a bar no longer than its arrows maps nothing
    double target = (thumbPos_ - kThumbStart) / scale_;
    ::SendMessageA(list_, LVM_SCROLL, static_cast<int>(target) - ScrollPos(), 0);
}
