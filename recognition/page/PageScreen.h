#pragma once

// The stage between the grid and the cells on a page whose lines share one grid, as a
// terminal's do: the screen, the rows and columns of whole cells that the terminal drew. Every
// row of it is a line and every line spans all its columns, so blank rows, bars and the blank
// cells at the ends of lines are cells too, each with its colours.

#include "CRaster.h"
#include "PageGrid.h"

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

// The screen over the lines of the shared grid: the rows and columns their cells span, widened
// row by row and column by column as long as every cell added lies wholly inside the picture
// and is of one colour but for a few stray pixels (the blank rows and columns of the terminal,
// up to its padding or a window's frame). No screen when the grid is not shared or has no line
// on it.
ScreenExtent FindScreen(const CRaster& picture, const PageGrid& grid);

// The grid of a screen: a line for every row, across every column, in place of the lines of the
// shared grid, and the lines of their own that lie wholly above or below it, top to bottom.
PageGrid ScreenGrid(const PageGrid& grid, const ScreenExtent& screen);
