#pragma once

// The stage after the grid: every cell's own two colours, background and foreground, measured
// from its pixels, and the ink of every cell taken against them, so that reverse video, bars,
// selections and cursor blocks read as the characters under them.

#include "CRaster.h"
#include "PageCells.h"
#include "PageGrid.h"
#include "PageInk.h"

#include <cstdint>
#include <vector>

// The colours of one cell.
struct CellColours {
    std::uint32_t bg = 0xFFFFFF;  // 0xRRGGBB: the cell's most common colour
    std::uint32_t fg = 0x000000;  // its ink's colour; bg when the cell is of one colour
    int fgPixels = 0;             // pixels of exactly fg: few when the ink is too thin to reach it
    bool bUniform = true;         // every pixel of the cell is bg, but for a glyph's edge from beside
    // A farther foreground that fg may be a blend towards: the farthest in that direction of the
    // cells on the same background. A glyph too thin to cover a pixel wholly never shows its
    // colour; RereadCells tries it.
    std::uint32_t secondFg = 0;
    bool bSecond = false;

    int Contrast() const { return ColourDistance(fg, bg); }

};

// The colours of the W x H cell whose top-left pixel is (left, top); pixels outside the picture
// are left out. bg is the most common colour (the first seen among equals); fg the colour
// farthest from it (the more common among equals): the ink's own colour where the ink covers a
// pixel wholly, a blend towards it where it never does.
CellColours MeasureCell(const CRaster& picture, long long left, long long top, int width, int height);

// The colours of every cell of every line of the grid, line by line, cell by cell. Three fixes
// use the cells beside: a cell of two colours in equal shares (a half block) takes as
// background the colour that a neighbour has as its background; a cell whose ink is too thin to
// show its colour (fewer than kSolidInkPixels pixels of it) takes the foreground of the nearest
// cell of the line with the same background whose colour its pixels are blends of; a cell whose
// only ink lies at its border with the cell beside, where that cell's ink meets it, and is a few
// pixels or faint (under half the contrast of that cell), holds the edge of that cell's glyph
// and is blank.
std::vector<std::vector<CellColours>> MeasureColours(const CRaster& picture, const PageGrid& grid);

// What a pixel exactly half way from a cell's background to its foreground is. It cannot be
// told: blend weights just under and just over a half composite to the same level where the
// contrast is even, and a glyph set's ink is a weight of a half or more. The reader matches a
// cell both ways.
enum class HalfWay {
    Paper,  // ink lies past half way, as InkMask's Auto rule has it
    Ink,
};

// Whether a pixel at distance from a cell's background is ink, its foreground at contrast.
inline bool IsCellInk(int distance, int contrast, HalfWay halfWay)
{
    return contrast > 0 && (halfWay == HalfWay::Ink ? 2 * distance >= contrast : 2 * distance > contrast);
}

// The foreground a cell is shown in: its second where its own lies within an eighth of the way
// from that one to the background (a glyph whose ink nearly reached its colour), else its own.
std::uint32_t ShownForeground(const CellColours& cell);

// Pixels of exactly the foreground that show the ink reached its colour.
inline constexpr int kSolidInkPixels = 2;

// Reads again every inked cell of lines against other colours, and keeps the reading that costs
// less, its colours and its ink (in cellInk); the ink is taken with half way as ink.
// - Against its second foreground, where the cell does not read exactly or reads in a bold face:
//   among equal costs the first reading stays, unless it is bold and the second is not (the
//   blends at a stem's edges taken as ink make a glyph look bold). A second reading of no ink
//   wins only over a first one that is unsure or whose ink never reached its colour twice: a
//   faint glyph of its own colour stays, the edge of a glyph beside goes.
// - With background and foreground the other way round, where the foreground covers a quarter of
//   the cell or more, or is the background of a cell beside while the background is not (a
//   block element, a cursor on a character): among equal costs the way whose background a cell
//   beside has.
void RereadCells(const CRaster& picture, InkBits& cellInk, std::vector<PageLine>& lines,
                 std::vector<std::vector<CellColours>>& colours, const PageGlyphs& glyphs, double coefficient,
                 MatchPath path = FastestMatchPath());

// The ink of the grid's cells, each against its own colours (IsCellInk). Outside the cells, and
// in the rows of solid strips, the search's ink stays as it was; a cell whose colours give the
// search's own rule (the paper and its threshold, on a picture of one background) keeps the
// search's bits, which are the same.
InkBits CellInk(const CRaster& picture, const InkBits& searchInk, const PageGrid& grid,
                const std::vector<std::vector<CellColours>>& colours, const std::vector<SolidStrip>& strips,
                HalfWay halfWay);
