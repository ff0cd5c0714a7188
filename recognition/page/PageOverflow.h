#pragma once

// Ink that reaches over from the line above or below, or from the cell beside. A font whose
// accents or descenders are taller than the screen's line pitch draws them into the next row of
// cells (the breve of Й into the line above it), and a glyph wider than its cell into the cell
// beside (Ф at a browser's fractional pitch); the few pixels there are part of that glyph, not a
// mark of their own.

#include "PageCells.h"

#include <vector>

// A cell is taken for blank when it holds at most this many pixels of ink.
inline constexpr int kOverflowPixels = 3;
// ... all of them in this many rows along its top or bottom edge.
inline constexpr int kOverflowRows = 2;
// ... or, a third of its height at most, in its first or last column, or two where the cell is
// at least this wide.
inline constexpr int kOverflowWideCell = 7;

// Reads as blank every inked cell whose best glyph is not exact and whose ink is a few pixels
// along its top or bottom edge that go on into the row beyond the cell: the end of a glyph of
// the line above or below; and every inked cell but a line's first and last whose ink is a few
// pixels by its first or last column that go on into the column beyond: the edge of the glyph
// beside.
void ClearOverflow(const InkBits& ink, int cellWidth, int cellHeight, std::vector<PageLine>& lines);
