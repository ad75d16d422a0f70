#include "KestVerticleScrollbar_ListView.h"

#include <commctrl.h>

#include "framework/gdi_objects.h"
#include "res/resource.h"

KestVerticleScrollbar_ListView::KestVerticleScrollbar_ListView(bool withCorner)
    : KestListScrollbar(SB_VERT),
      withCorner_(withCorner),
      up_(LoadScrollbarPiece(IDB_VSCROLL_UP)),
      down_(LoadScrollbarPiece(IDB_VSCROLL_DOWN)),
      thumb_(LoadScrollbarPiece(IDB_VSCROLL_THUMB)),
      track_(LoadScrollbarPiece(IDB_VSCROLL_TRACK)),
      corner_(withCorner ? LoadScrollbarPiece(IDB_SCROLL_CORNER) : nullptr) {}

void KestVerticleScrollbar_ListView::PaintPieces(HDC target, HDC pieces, int, int height, bool showThumb) {
    const int downArrowTop = height - FarArrowEnd();
    BlitScrollbarPiece(target, pieces, up_, 0, 0, kWidth, kArrowHeight);
    if (track_) {
        fw::SelectObjectGuard use(pieces, track_);
        ::StretchBlt(target, 0, kArrowHeight, kWidth, downArrowTop, pieces, 0, 0, kWidth, 1, SRCCOPY);
    }
    BlitScrollbarPiece(target, pieces, down_, 0, downArrowTop, kWidth, kArrowHeight);
    BlitScrollbarPiece(target, pieces, corner_, 1, height - kCornerSize, kCornerSize, kCornerSize);
    if (showThumb) BlitScrollbarPiece(target, pieces, thumb_, 0, thumbPos_, kWidth, kThumbLength);
}

// The arrows answer where they are painted: up at the top, down at the bottom or just
// above the corner.
int KestVerticleScrollbar_ListView::ArrowAtPress(POINT pt) const {
    const int downArrowTop = Length() - FarArrowEnd();
    if (PointWithin(pt, 0, 0, kWidth, kArrowHeight)) return 1;
    if (PointWithin(pt, 0, downArrowTop, kWidth, downArrowTop + kArrowHeight)) return 2;
    return 0;
}

int KestVerticleScrollbar_ListView::ArrowAtRelease(POINT pt) const {
    int arrow = ArrowAtPress(pt);
    return (arrow == 1 && firstArrow_) || (arrow == 2 && secondArrow_) ? arrow : 0;
}

bool KestVerticleScrollbar_ListView::OnThumb(POINT pt) const {
    return PointWithin(pt, 0, thumbPos_, kWidth, thumbPos_ + kThumbLength);
}

void KestVerticleScrollbar_ListView::FollowDraggedThumb() {
    // The drag maps the track exactly as UpdateThumb does, so that the list's repaint
    // during the drag leaves the thumb under the pointer.
    scale_ = static_cast<double>(Length() - ThumbTrackReserve()) / ScrollLimit();
    if (scale_ == 0.0) return;  // a bar no longer than its arrows maps nothing
    double target = (thumbPos_ - kThumbStart) / scale_;
    RECT row{};
    row.left = LVIR_BOUNDS;
    int rowHeight = ::SendMessageA(list_, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row))
                        ? row.bottom - row.top
                        : 0;
    ::SendMessageA(list_, LVM_SCROLL, 0, (static_cast<int>(target) - ScrollPos()) * rowHeight);
}
