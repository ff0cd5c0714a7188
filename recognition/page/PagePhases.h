#pragma once

// Cells read again at the phases beside their own. A browser places each glyph at a quarter
// pixel of its pen position; the grid knows that position to a small fraction of a pixel, and a
// cell whose position lies near the middle of two phases may have been drawn at the other one.
// Its image then matches the right glyph only there, and a look-alike (г for r) at its own.

#include "PageCells.h"
#include "PageGrid.h"

#include <vector>

// Matches once more every group of cells (PageCell::group) of a grid with several phases whose
// best glyph is not exact, against the glyphs of the phases on either side of its own; each
// glyph costs the least of its three costs, and the group is read again from those by the cell
// rule. Exact groups, blank cells and whole-pixel grids stay as they are. With other, a second
// ink of the same cells (as MatchCells takes it), each glyph costs the least against both.
void RereadAtNeighbourPhases(const InkBits& ink, const PageGlyphs& glyphs, std::vector<PageLine>& lines,
                             double coefficient, MatchPath path, const InkBits* other = nullptr);
