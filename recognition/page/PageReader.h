#pragma once

// The page reader: text in a known glyph set, anywhere in a picture, in any number of lines.
// It reads like its pipeline, each stage a plain value in and a plain value out:
//
//   picture -> ink mask (PageInk: InkMask or ScreenInkMask, ClearSolidStrips)
//           -> text lines (PageLines: FindLines) -> cell grid (PageGrid: FindGrid)
//           [-> the screen (PageScreen: FindScreen, ScreenGrid)]
//           -> cell colours and the ink of each cell (PageColours: MeasureColours, CellInk)
//           -> cells matched (PageCells: MatchCells) -> styles (PageAttributes: ReadAttributes)
//           -> page text (PageText) [-> dictionary words (PageWords)]
//
// The search (lines, grid) is kept apart from the matching so that each can be measured alone,
// and every stage's result stays in the reading, so that a front end can show what each decided.

#include "CDictionary.h"
#include "CRaster.h"
#include "GlyphSet.h"
#include "MatchKernels.h"
#include "PageAttributes.h"
#include "PageCells.h"
#include "PageColours.h"
#include "PageGrid.h"
#include "PageInk.h"
#include "PageLines.h"
#include "PageOverflow.h"
#include "PagePhases.h"
#include "PageScreen.h"
#include "PageScripts.h"
#include "PageText.h"
#include "PageWords.h"

#include <string>
#include <vector>

// How the page's text is laid out.
enum class PageLayout {
    Lines,   // the lines of text found; the blank columns common to every line are dropped
    Screen,  // a terminal's screen (on a shared grid): every row and column of it, blank ones too
             // (see FindScreen), each row a line across every column; other pages as Lines
};

struct PageOptions {
    double coefficient = 0.2;  // k of the cell rule; values outside 0..1 are taken as given
    // Auto: the screen's ink (ScreenInkMask), then every cell against its own colours, a shared
    // grid read as a screen and every cell's style; Black: the plain rule, no colours.
    InkRule ink = InkRule::Auto;
    MatchPath path = FastestMatchPath();  // the instruction set of every stage
    long long pitchSub = 0;  // the column pitch in sub-pixels (kSubpixels a pixel); 0: the glyph set's cell width
    PageLayout layout = PageLayout::Lines;
};

// What the reader found: lines top to bottom, the page text, what each stage decided and the
// time each took.
struct PageReading {
    std::vector<PageLine> lines;
    std::string text;  // UTF-8; lines joined by '\n'; empty grid rows between lines kept as empty lines
    bool bSharedGrid = false;  // the lines' rows are rows of one grid (PageGrid::bShared)
    int cellWidth = 0;
    int cellHeight = 0;
    bool bOutOfMemory = false;  // memory ran out: the reading is empty

    // What the stages decided, for reports and the debug pictures.
    std::uint32_t background = 0xFFFFFF;  // the paper colour of the ink stage
    int contrast = 0;
    int threshold = 0;
    std::vector<SolidStrip> strips;
    std::vector<TextBand> bands;
    int originX = 0;  // the shared grid's phase
    int originY = 0;
    long long pitchSub = 0;  // the column pitch the grid was searched with, in sub-pixels
    long long sharedCost = -1;
    bool bLocalInk = false;  // the search's ink took every pixel against the background around it
    ScreenExtent screen;     // the screen of a shared grid; its rows are the lines that lie on it
    bool bStyled = false;    // every cell has its style (colours, attributes)
    DefaultColours colours;  // the screen's default colours, when styled
    ScriptReport scripts;    // how look-alike letters across scripts were read

    double dInkMilliseconds = 0;
    double dSearchMilliseconds = 0;  // FindLines and FindGrid
    double dMatchMilliseconds = 0;   // MatchCells
    double dStyleMilliseconds = 0;   // the screen, the cells' colours and ink, and their styles
    double dMilliseconds = 0;        // the whole reading

    bool Empty() const { return lines.empty(); }
    int CellCount() const;
    std::vector<int> NoCutLines() const;  // indexes of lines the dictionary step left alone
    // The mean best cost of the cells that hold ink, as a share of a cell's pixels; 1 for a
    // reading without such cells. A page read with its own font stays near 0.
    double InkedCostShare() const;
    // The cells read unsure (IsUnsure).
    int UnsureCells() const;
};

// The whole pipeline. An empty glyph set (no glyphs, a 0 cell) reads no line. Memory running
// out gives an empty reading marked bOutOfMemory; nothing throws.
PageReading ReadPage(const CRaster& picture, const GlyphSet& glyphs, const PageOptions& options = {});
// The same where the picture's global ink, InkMask(picture, InkRule::Auto), is at hand (or null):
// the Auto rule takes its paper and bits rather than making them again.
PageReading ReadPage(const CRaster& picture, const InkBits* autoInk, const GlyphSet& glyphs, const PageOptions& options);
// The pipeline from the ink mask on, for callers that read one picture with many glyph sets; the
// solid strips are left out of a copy of the mask, which stays as it was.
PageReading ReadPage(const InkBits& ink, const GlyphSet& glyphs, const PageOptions& options = {});

// A dictionary step on each line's cells (see ReadLineWords); the page text is joined again.
// Memory running out leaves the lines as they were and marks the reading bOutOfMemory.
void ReadPageWords(PageReading& page, const CDictionary& dictionary, PageWordsStep step = PageWordsStep::ListOnly,
                   const OpenWordsOptions& open = {});
