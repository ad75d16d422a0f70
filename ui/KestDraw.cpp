#include "KestDraw.h"

#include "framework/gdi_objects.h"

namespace {

void GradientBetween(HDC dc, int x1, int y1, int x2, int y2, ThemeColour16 c1, ThemeColour16 c2, int direction) {
    TRIVERTEX vertices[2] = {
        {x1, y1, c1.red, c1.green, c1.blue, 0},
        {x2, y2, c2.red, c2.green, c2.blue, 0},
    };
    GRADIENT_RECT rect = {0, 1};
    ::GradientFill(dc, vertices, 2, &rect, 1,
                   direction == kGradientHorizontal ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
}

}  // namespace

void DrawGradientBox(HDC dc, int x, int y, int width, int height, ThemeColour16 colour1,
                     ThemeColour16 colour2, int direction) {
    GradientBetween(dc, x, y, x + width + 1, y + height + 1, colour1, colour2, direction);
}

void DrawGradientBox(HDC dc, const RECT& rect, ThemeColour16 colour1, ThemeColour16 colour2, int direction) {
    GradientBetween(dc, rect.left, rect.top, rect.right, rect.bottom, colour1, colour2, direction);
}

void FillSolidBox(HDC dc, int x, int y, int width, int height, COLORREF colour) {
    fw::Pen pen(::CreatePen(PS_NULL, 1, 0));
    fw::Brush brush(::CreateSolidBrush(colour));
    fw::SelectObjectGuard usePen(dc, pen);
    fw::SelectObjectGuard useBrush(dc, brush);
    // With no pen, Rectangle leaves out its right and bottom edge.
    ::Rectangle(dc, x, y, x + width + 1, y + height + 1);
}
