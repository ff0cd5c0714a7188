#pragma once

// The third stage of the page reader: where the cells of every line lie.

#include "MatchKernels.h"
#include "PageInk.h"
#include "PageLines.h"

#include <vector>

struct PageGlyphs;

// Positions along a line are in sub-pixels, 65536ths of a pixel (FreeType's 16.16), so that a
// browser's fractional pitch adds up exactly over hundreds of cells.
inline constexpr long long kSubpixels = 65536;

// Where a position on a line lands for a reader whose glyphs have phases images a pixel: the
// position (in sub-pixels) rounded to the nearest phase, as a whole pixel and the phase within it.
struct CellPlace {
    long long pixel = 0;
    int phase = 0;
};
inline CellPlace PlaceAt(long long x, int phases)
{
    const auto floorDiv = [](long long a, long long b) { return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0); };
    const long long step = kSubpixels / phases;  // phases divides 64
    const long long units = floorDiv(x + step / 2, step);
    const long long pixel = floorDiv(units, phases);
    return {pixel, static_cast<int>(units - pixel * phases)};
}

// Where the cells of one line lie. Cell c starts at x = leftSub + c x pitchSub (sub-pixels), which
// lands on a whole pixel and a phase (PlaceAt); its W x H rectangle starts there, on row top. A
// whole-pixel grid (a pitch of W pixels, one phase) puts cell c at left + c x W. Edges may lie
// outside the picture (cells cut by its edge). Every front end takes a cell's place from here.
struct LineGrid {
    int top = 0;
    int left = 0;        // the first cell's pixel
    int cells = 0;
    int cellWidth = 0;   // W
    int cellHeight = 0;  // H
    long long leftSub = 0;   // the first cell's position; left x kSubpixels on a whole-pixel grid
    long long pitchSub = 0;  // the column pitch; 0: W pixels
    int phases = 1;        // glyph images a pixel, 1..64, dividing 64
    long long cost = 0;  // total best cost of the cells the search compared when it chose the grid
    int row = 0;         // page row: the grid row on a shared grid, else the line's index
    bool bOwn = false;   // the line lies off the shared grid and has a grid of its own

    long long PitchSub() const { return pitchSub > 0 ? pitchSub : cellWidth * kSubpixels; }
    bool WholePixels() const { return PitchSub() % kSubpixels == 0 && leftSub % kSubpixels == 0; }
    CellPlace Place(int c) const { return PlaceAt(leftSub + static_cast<long long>(c) * PitchSub(), phases); }
    long long CellLeft(int c) const { return Place(c).pixel; }
    int CellPhase(int c) const { return Place(c).phase; }
    PixelRect CellRect(int c) const { return {CellLeft(c), top, CellLeft(c) + cellWidth, top + static_cast<long long>(cellHeight)}; }
    long long Right() const { return cells > 0 ? CellLeft(cells - 1) + cellWidth : left; }
    PixelRect Rect() const { return {left, top, Right(), top + static_cast<long long>(cellHeight)}; }
    // The cell whose column span (one pitch from its position) holds column x, or -1.
    int CellAt(long long x) const;
};

// Makes a whole-pixel line grid of cells W x H from (left, top).
LineGrid WholePixelLine(int left, int top, int cells, int cellWidth, int cellHeight);

// The page's cell grid: for every band, the grid whose cells cost least in total. Lines that
// share one grid phase (as a terminal's do) are read with that one phase: the rows of the
// shared grid that hold ink are the lines, whichever bands their ink came in.
struct PageGrid {
    int originX = 0;  // phase of the shared grid: cell columns start at originX + k x W (pixels)
    long long originXSub = 0;  // the same in sub-pixels, modulo the pitch
    int originY = 0;  // and cell rows at originY + k x H
    long long pitchSub = 0;  // the column pitch every line was searched with
    bool bShared = false;  // most lines lie on the shared grid; the others are marked bOwn
    long long sharedCost = -1;  // total cost of the sampled lines on the shared phase; -1: none
    std::vector<LineGrid> lines;  // top to bottom; a band inside another line's cells adds none
};

// Finds the grid of every band: the shared phase from a sample of lines, then each band placed
// on it or given a grid of its own.
// pitchSub is the column pitch in sub-pixels (0: the glyphs' cell width); the glyph set's phases
// are the positions a pixel that cells may start at.
PageGrid FindGrid(const InkBits& ink, const PageGlyphs& glyphs, const std::vector<TextBand>& bands,
                  MatchPath path = FastestMatchPath(), long long pitchSub = 0);
