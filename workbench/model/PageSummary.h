#pragma once

#include "CRect.h"
#include "PageReader.h"
#include "RecognitionTrace.h"

#include <string>
#include <vector>

// What the front ends make of a page reading: where its cells lie in the picture and in the
// page text, which readings are unsure, and what the status bar says about it.

// One cell of a page: its line and its place in that line.
struct PageCellRef {
    int line = -1;
    int cell = -1;

    bool Valid() const { return line >= 0 && cell >= 0; }
    bool operator==(const PageCellRef&) const = default;
};

// The picture rectangle of a cell, W x H pixels; empty for a cell the page lacks.
CRect PageCellRect(const PageReading& page, PageCellRef ref);
// The picture rectangle of a whole line.
CRect PageLineRect(const PageReading& page, int line);
// The cell that holds a picture pixel, or an invalid reference.
PageCellRef PageCellAt(const PageReading& page, int x, int y);

// A cell whose best match still differs from the picture in more than a tenth of its
// W x H pixels is an unsure reading; a blank cell never is.
bool IsUnsureCell(const PageCell& cell, int cellWidth, int cellHeight);
int UnsureCellCount(const PageReading& page);

// A reading that the font does not fit: no line found, or most of the cells that hold ink
// unsure. Its text is garbage and is not offered as the page's text.
bool IsPoorReading(const PageReading& page);

// Whether the font a page was read with is the page's: the reading is not poor and its cells
// that hold ink differ from their glyphs in at most a pixel in a hundred, as a screen read with
// its own font does. A font of cells larger than the screen's may read few cells unsure and still
// not be its font.
bool FontFitsPage(const PageReading& page);
// The mean best cost of a reading's cells that hold ink, as a share of a cell's pixels; 1 for a
// reading without such cells.
double InkedCostShare(const PageReading& page);

// The status-bar line after a reading: lines, cells, unsure cells and the time; for a poor
// reading, that its text is not shown and what Read Page reads; when no line was found, that
// none was and the font's cell size, which the text must have.
std::string PageSummary(const PageReading& page);
// What the page text pane shows in place of a poor reading's text: what went wrong, what Read
// Page reads, and what to do.
std::string PoorReadingAdvice(const PageReading& page);

// Where the lines stand in the page text: for every line of the page, the index of its line
// in the text (the text keeps empty rows between lines).
std::vector<int> PageTextRows(const PageReading& page);
// The text line and column that show a cell, or (-1, -1).
struct PageTextPlace {
    int row = -1;
    int column = -1;
};
PageTextPlace PageTextPlaceOf(const PageReading& page, const std::vector<int>& rows, PageCellRef ref);
// The cell shown at a text line and column, or an invalid reference.
PageCellRef PageCellAtText(const PageReading& page, const std::vector<int>& rows, int row, int column);

// The cells of one line as the trace of a Simple recognition, for the Variants pane; an
// empty trace for a line the page lacks.
RecognitionTrace PageLineTrace(const PageReading& page, int line);

// The status-bar note after "&Load Bitmap..." when the picture exceeds what the document
// shows (the picture rectangle shown), else an empty text.
std::string LoadedPictureNote(int pictureWidth, int pictureHeight, const CRect& shown);
