#pragma once

// The stage between the grid and the cells on a page whose lines share one grid, as a
// terminal's do: the screen, the rows and columns of whole cells that the terminal drew. Every
// row of it is a line and every line spans all its columns, so blank rows, bars and the blank
// cells at the ends of lines are cells too, each with its colours.

#include "CRaster.h"
#include "PageCells.h"
#include "PageColours.h"
#include "PageGrid.h"
#include "PageInk.h"

// The screen's rows and columns, counted on the shared grid from its phase: row r starts at
// originY + r x H, column c at originXSub + c x pitch.
struct ScreenExtent {
    bool bScreen = false;  // the page has a shared grid and the screen covers its lines
    long long firstRow = 0;
    long long firstColumn = 0;
    int rows = 0;
    int columns = 0;

    long long EndRow() const { return firstRow + rows; }
    long long EndColumn() const { return firstColumn + columns; }
};

// The screen over the lines of the shared grid: the rows and columns of their cells whose ink
// (in the search's mask) is more than a thin line along the cell's edge, and of no line whose
// ink is only a rule a pixel or two high (the edges of the terminal's padding), but for rows at
// the top and bottom most of whose inked cells read unsure against their own colours (a window's
// title bar) and for the columns at either side none of whose cells has a background that a
// cell of the middle half of the columns has in the same row (a scroll bar or a desktop beside
// the grid); widened row by
// row and column by column as long as every cell added lies wholly inside the picture and is of
// one colour but for a few stray pixels, a colour that a cell of those rows and columns has as
// its background (the blank rows and columns of the terminal, up to its padding, a window's
// frame, a scroll bar or a desktop of another colour). No screen when the grid is not shared or
// has no line on it.
ScreenExtent FindScreen(const CRaster& picture, const InkBits& ink, const PageGrid& grid, const PageGlyphs& glyphs,
                        MatchPath path = FastestMatchPath());

// The grid of a screen: a line for every row, across every column, in place of the lines of the
// shared grid, and the lines of their own that lie wholly above or below it, top to bottom.
PageGrid ScreenGrid(const PageGrid& grid, const ScreenExtent& screen);

// Leaves out what a screen's grid caught beside the screen, lines and their colours (one
// vector of cells a line) alike: the rows at its top and bottom most of whose inked cells read
// unsure (a window's title bar), and the lines of their own beside it of which more than a
// quarter of the inked cells do (a title in another font).
void TrimScreen(ScreenExtent& screen, std::vector<PageLine>& lines, std::vector<std::vector<CellColours>>& colours,
                int cellWidth, int cellHeight);
