#pragma once

// The stage after the cells are matched: how the screen drew each cell. Its colours come from
// the colour stage; bold and italic from the face its glyph was found in (a cell that reads the
// same in two faces takes the face of the cells beside it in the same colours); underline and
// strike-through from the lines drawn across the whole cell, which are matched as attributes,
// not as parts of a glyph; reverse video from the screen's default colours.

#include "PageCells.h"
#include "PageColours.h"

#include <cstdint>
#include <vector>

// The screen's default colours: the most common background of its cells, and the most common
// foreground of its inked cells on that background.
struct DefaultColours {
    std::uint32_t fg = 0x000000;
    std::uint32_t bg = 0xFFFFFF;
};
DefaultColours FindDefaultColours(const std::vector<PageLine>& lines, const std::vector<std::vector<CellColours>>& colours);

// The rows of a cell that its ink crosses from edge to edge: a line drawn across it. Bit r of
// the result is row r (rows past 63 are not told).
std::uint64_t FullRows(const std::uint8_t* cell, int width, int height, int bytesPerRow);

// The costs of every glyph (in the glyphs' order, at phase) against a cell captured in the glyph
// layout, counting only the rows not in maskedRows (bit r: row r).
void MaskedCosts(const PageGlyphs& glyphs, int phase, const std::uint8_t* cell, std::uint64_t maskedRows,
                 std::int32_t* costs);

// Sets the style of every cell of lines (colours[l][c] the colours of cell c of line l): see
// the stage's rules above. A cell crossed by lines from edge to edge is matched again without
// those rows; when that costs at least half a cell's width less, the lines are an underline (at
// or below the baseline) or a strike-through (above it) and the cell reads as matched without
// them. A cell that reads as a glyph only through those rows, beside a cell underlined in the
// same rows, is an underlined space. ink is the cell ink the lines were matched on.
void ReadAttributes(std::vector<PageLine>& lines, const std::vector<std::vector<CellColours>>& colours,
                    const InkBits& ink, const PageGlyphs& glyphs, double coefficient, const DefaultColours& defaults);
