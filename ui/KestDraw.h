// The two drawing primitives every themed painter uses.
#pragma once

#include <windows.h>

#include "KestTheme.h"

// One GradientFill rectangle from (x, y) to (x + width + 1, y + height + 1).
void DrawGradientBox(HDC dc, int x, int y, int width, int height, ThemeColour16 colour1,
                     ThemeColour16 colour2, int direction);
// The same with the rectangle's corners as the two vertices.
void DrawGradientBox(HDC dc, const RECT& rect, ThemeColour16 colour1, ThemeColour16 colour2, int direction);
// A solid area from (x, y), width by height pixels (a call with width or height 1 is a line).
void FillSolidBox(HDC dc, int x, int y, int width, int height, COLORREF colour);
