#pragma once

// The third stage of the page reader: where the cells of every line lie.

#include "MatchKernels.h"
#include "PageInk.h"
#include "PageLines.h"

#include <vector>

struct PageGlyphs;

// Where the cells of one line lie: cell c is the W x H rectangle whose top-left pixel is
// (left + c x W, top). left and top may lie outside the picture (cells cut by its edge). Every
// front end takes a cell's place from here.
struct LineGrid {
    int top = 0;
    int left = 0;
    int cells = 0;
    int cellWidth = 0;   // W
    int cellHeight = 0;  // H
    long long cost = 0;  // total best cost of the cells the search compared when it chose the grid
    int row = 0;         // page row: the grid row on a shared grid, else the line's index
    bool bOwn = false;   // the line lies off the shared grid and has a grid of its own

    long long CellLeft(int c) const { return left + static_cast<long long>(c) * cellWidth; }
    PixelRect CellRect(int c) const { return {CellLeft(c), top, CellLeft(c) + cellWidth, top + static_cast<long long>(cellHeight)}; }
    long long Right() const { return CellLeft(cells); }
    PixelRect Rect() const { return {left, top, Right(), top + static_cast<long long>(cellHeight)}; }
    // The cell that holds column x, or -1.
    int CellAt(long long x) const;
};

// The page's cell grid: for every band, the grid whose cells cost least in total. Lines that
// share one grid phase (as a terminal's do) are read with that one phase: the rows of the
// shared grid that hold ink are the lines, whichever bands their ink came in.
struct PageGrid {
    int originX = 0;  // phase of the shared grid: cell columns start at originX + k x W
    int originY = 0;  // and cell rows at originY + k x H
    bool bShared = false;  // most lines lie on the shared grid; the others are marked bOwn
    long long sharedCost = -1;  // total cost of the sampled lines on the shared phase; -1: none
    std::vector<LineGrid> lines;  // top to bottom; a band inside another line's cells adds none
};

// Finds the grid of every band: the shared phase from a sample of lines, then each band placed
// on it or given a grid of its own.
PageGrid FindGrid(const InkBits& ink, const PageGlyphs& glyphs, const std::vector<TextBand>& bands,
                  MatchPath path = FastestMatchPath());
