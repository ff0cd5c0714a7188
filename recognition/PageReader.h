#pragma once

#include "CCharImageFont.h"
#include "CDictionary.h"
#include "CRaster.h"
#include "MatchKernels.h"

#include <cstdint>
#include <string>
#include <vector>

// The page reader: text in a known glyph font, anywhere in a picture, in any number of lines.
// It reads like its pipeline, each step a plain value in and a plain value out:
//
//   picture -> ink mask (InkMask) -> text lines (FindLines) -> cell grid (FindGrid)
//           -> cells matched (MatchCells) -> page (ReadPage)
//
// The search (lines, grid) is kept apart from the matching so that each can be measured alone.

// Which pixels of a picture are ink.
enum class InkRule {
    Auto,   // far from the background colour (see InkMask); the default for pages
    Black,  // exactly black, as cell capture reads a drawn picture
};

// One bit per pixel, rows from the top, 64-bit words, bit 63 of a word the leftmost of its 64
// pixels, 1 = ink. Bits past the width of a row are 0.
struct InkBits {
    int width = 0;
    int height = 0;
    int wordsPerRow = 0;  // (width + 63) / 64
    std::vector<std::uint64_t> words;
    std::uint32_t background = 0xFFFFFF;  // the colour taken as paper, 0xRRGGBB
    int threshold = 0;                    // Auto: a pixel is ink when its distance exceeds this

    bool Ink(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height &&
               ((words[static_cast<std::size_t>(y) * wordsPerRow + x / 64] >> (63 - x % 64)) & 1U) != 0;
    }
};

// The ink of a picture. Auto: the background is the picture's most common colour; the
// contrast is the largest distance of any pixel from it, a distance being the largest of the
// three channel differences; a pixel is ink when its distance exceeds half the contrast. A
// picture of one colour has no ink. Black: only exactly black pixels are ink. path chooses the
// instruction set the pixels are read with; every path gives the same bits.
InkBits InkMask(const CRaster& picture, InkRule rule, MatchPath path = FastestMatchPath());

// A band of pixel rows that holds one line of text: rows top..bottom - 1 hold ink, and the
// columns left..right - 1 hold all of it.
struct TextBand {
    int top = 0;
    int bottom = 0;
    int left = 0;
    int right = 0;
};

// The rows of the page that hold ink, cut into bands of at most one cell height each,
// top to bottom.
std::vector<TextBand> FindLines(const InkBits& ink, int cellHeight);

// Where the cells of one line lie: cell c is the W x H rectangle whose top-left pixel is
// (left + c x W, top). left and top may lie outside the picture (cells cut by its edge).
struct LineGrid {
    int top = 0;
    int left = 0;
    int cells = 0;
    long long cost = 0;  // total best cost of the cells the search compared when it chose the grid
    int row = 0;         // page row: the grid row on a shared grid, else the line's index
    bool bOwn = false;   // the line lies off the shared grid and has a grid of its own
};

// The page's cell grid: for every band, the grid whose cells cost least in total. Lines that
// share one grid phase (as a terminal's do) are read with that one phase: the rows of the
// shared grid that hold ink are the lines, whichever bands their ink came in.
struct PageGrid {
    int originX = 0;  // phase of the shared grid: cell columns start at originX + k x W
    int originY = 0;  // and cell rows at originY + k x H
    bool bShared = false;  // most lines lie on the shared grid; the others are marked bOwn
    std::vector<LineGrid> lines;  // top to bottom; a band inside another line's cells adds none
};

PageGrid FindGrid(const InkBits& ink, const CCharImageFont& font, const std::vector<TextBand>& bands,
                  MatchPath path = FastestMatchPath());

// One variant of a cell: a glyph code and its match cost.
struct PageVariant {
    std::uint8_t code = 0;
    int cost = 0;

    bool operator==(const PageVariant&) const = default;
};

// One matched cell, chosen by the Simple rule: the best glyph (lowest code among equals),
// the least and greatest comparable cost, and the variants within the coefficient's reach.
// A blank cell reads as a space with cost 0.
struct PageCell {
    std::uint8_t code = ' ';
    int best = 0;
    int worst = 0;
    bool bBlank = false;
    std::vector<PageVariant> variants;
};

// One line of the page.
struct PageLine {
    int top = 0;     // pixel row of its cells' top
    int left = 0;    // pixel column of its first cell
    int column = 0;  // page column of its first cell, after the blank columns common to all lines
    int row = 0;     // page row (grid row on a shared grid; else the line's index)
    std::vector<PageCell> cells;
    std::string text;  // 8-bit codes, indentation kept, trailing blanks trimmed
    bool bComplex = false;  // the dictionary step chose its characters
    bool bNoCut = false;    // the dictionary step ran and found no cut: the Simple reading stays

    long long Cost() const;  // sum of its cells' best costs
};

// Matches every cell of every line of the grid against the glyphs of the font's cell size,
// comparing exactly the W x H pixels of each (the bits past the width never count, on either
// side). Cells cut by the picture's edge read their missing pixels as paper.
std::vector<PageLine> MatchCells(const InkBits& ink, const CCharImageFont& font, const PageGrid& grid,
                                 double coefficient, MatchPath path = FastestMatchPath());

struct PageOptions {
    double coefficient = 0.2;  // k of the Simple rule; values outside 0..1 are taken as given
    InkRule ink = InkRule::Auto;
};

// What the reader found: lines top to bottom, the page text and the time each stage took.
struct PageReading {
    std::vector<PageLine> lines;
    std::string text;  // lines joined by '\n'; empty grid rows between lines kept as empty lines
    bool bSharedGrid = false;  // the lines' rows are rows of one grid (PageGrid::bShared)
    int cellWidth = 0;
    int cellHeight = 0;
    double dInkMilliseconds = 0;
    double dSearchMilliseconds = 0;  // FindLines and FindGrid
    double dMatchMilliseconds = 0;   // MatchCells
    double dMilliseconds = 0;        // the whole reading

    bool Empty() const { return lines.empty(); }
    int CellCount() const;
    std::vector<int> NoCutLines() const;  // indexes of lines the dictionary step left alone
};

// Joins the lines into the page text: lines are joined by line breaks, indentation is kept
// (cells are columns of the page's grid), blank columns common to every line are dropped, an
// empty grid row between two text lines is kept as an empty line, trailing blanks are trimmed
// and a blank cell reads as a space. Sets every line's column and text.
std::string PageText(std::vector<PageLine>& lines, bool bSharedGrid);

// The whole pipeline. A font without glyphs of its cell size, or a 0 cell, reads no line.
PageReading ReadPage(const CRaster& picture, const CCharImageFont& font, const PageOptions& options,
                     MatchPath path = FastestMatchPath());
// The pipeline from the ink mask on, for callers that read one picture with many fonts.
PageReading ReadPage(const InkBits& ink, const CCharImageFont& font, double coefficient,
                     MatchPath path = FastestMatchPath());

// The dictionary step of Complex recognition on each line's cells, a blank cell standing for a
// space and one blank cell added after the line so that its last word can end. A line with no
// cut keeps its Simple reading and is marked bNoCut. The page text is joined again.
void ReadPageWords(PageReading& page, const CDictionary& dictionary);
