#include "KestHorizontalScrollbar_ListView.h"

#include <commctrl.h>

#include "framework/gdi_objects.h"
#include "res/resource.h"

namespace {

bool Within(POINT pt, int left, int top, int right, int bottom) {
    return pt.x >= left && pt.x < right && pt.y >= top && pt.y < bottom;
}

void Blit(HDC target, HDC pieces, HBITMAP piece, int x, int y, int w, int h) {
    if (!piece) return;
    fw::SelectObjectGuard use(pieces, piece);
    ::BitBlt(target, x, y, w, h, pieces, 0, 0, SRCCOPY);
}

}  // namespace

KestHorizontalScrollbar_ListView::KestHorizontalScrollbar_ListView()
    : KestListScrollbar(SB_HORZ),
      left_(LoadScrollbarPiece(IDB_HSCROLL_LEFT)),
      right_(LoadScrollbarPiece(IDB_HSCROLL_RIGHT)),
      thumb_(LoadScrollbarPiece(IDB_HSCROLL_THUMB)),
      track_(LoadScrollbarPiece(IDB_HSCROLL_TRACK)) {}

void KestHorizontalScrollbar_ListView::PaintPieces(HDC target, HDC pieces, int width, int, bool showThumb) {
    Blit(target, pieces, left_, 0, 0, kArrowWidth, kHeight);
    if (track_) {
        fw::SelectObjectGuard use(pieces, track_);
        ::StretchBlt(target, kArrowWidth, 0, width - kArrowWidth, kHeight, pieces, 0, 0, 1, kHeight, SRCCOPY);
    }
    Blit(target, pieces, right_, width - kArrowWidth, 0, kArrowWidth, kHeight);
    if (showThumb) Blit(target, pieces, thumb_, thumbPos_, 0, kThumbLength, kHeight);
}

int KestHorizontalScrollbar_ListView::ArrowAtPress(POINT pt) const {
    int width = Length();
    if (Within(pt, width - kArrowWidth, 0, width, kHitHeight)) return 1;
    if (Within(pt, 0, 0, kArrowWidth, kHitHeight)) return 2;
    return 0;
}

bool KestHorizontalScrollbar_ListView::OnThumb(POINT pt) const {
    return Within(pt, thumbPos_, 0, thumbPos_ + kThumbLength, kHitHeight);
}

void KestHorizontalScrollbar_ListView::FollowDraggedThumb() {
    scale_ = static_cast<double>(Length() - ThumbTrackReserve()) / ScrollLimit();
    if (scale_ == 0.0) return;  // a bar no longer than its arrows maps nothing
    double target = (thumbPos_ - kThumbStart) / scale_;
    ::SendMessageA(list_, LVM_SCROLL, static_cast<int>(target) - ScrollPos(), 0);
}
