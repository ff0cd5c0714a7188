#include "PageSummary.h"

#include "CodePage1251.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace {

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return lines;
        start = end + 1;
    }
}

// True when a text line shows a line's text, with or without its indentation before it.
bool ShowsLine(std::string_view textLine, std::string_view lineText) {
    if (!textLine.ends_with(lineText))
        return false;
    const std::string_view indent = textLine.substr(0, textLine.size() - lineText.size());
    return indent.find_first_not_of(' ') == std::string_view::npos;
}

}  // namespace

CRect PageCellRect(const PageReading& page, PageCellRef ref) {
    if (ref.line < 0 || ref.line >= static_cast<int>(page.lines.size()))
        return {};
    const PageLine& line = page.lines[static_cast<std::size_t>(ref.line)];
    if (ref.cell < 0 || ref.cell >= static_cast<int>(line.cells.size()))
        return {};
    const PixelRect r = line.CellRect(ref.cell);
    return {static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right), static_cast<int>(r.bottom)};
}

CRect PageLineRect(const PageReading& page, int line) {
    if (line < 0 || line >= static_cast<int>(page.lines.size()))
        return {};
    const PixelRect r = page.lines[static_cast<std::size_t>(line)].grid.Rect();
    return {static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right), static_cast<int>(r.bottom)};
}

PageCellRef PageCellAt(const PageReading& page, int x, int y) {
    if (page.cellWidth <= 0 || page.cellHeight <= 0)
        return {};
    for (int i = 0; i < static_cast<int>(page.lines.size()); ++i) {
        const LineGrid& grid = page.lines[static_cast<std::size_t>(i)].grid;
        if (!grid.Rect().Contains(x, y))
            continue;
        if (const int cell = grid.CellAt(x); cell >= 0)
            return {i, cell};
    }
    return {};
}

bool IsUnsureCell(const PageCell& cell, int cellWidth, int cellHeight) {
    return IsUnsure(cell, cellWidth, cellHeight);
}

int UnsureCellCount(const PageReading& page) {
    return page.UnsureCells();
}

namespace {

// A page read with its own font costs at most a pixel in this many a cell that holds ink.
constexpr double kFittingShare = 100;

}  // namespace

bool IsPoorReading(const PageReading& page) {
    if (page.Empty())
        return true;
    int inked = 0;
    for (const PageLine& line : page.lines)
        for (const PageCell& cell : line.cells)
            inked += cell.bBlank ? 0 : 1;
    return UnsureCellCount(page) * 2 > inked;
}

bool FontFitsPage(const PageReading& page) {
    return !IsPoorReading(page) && page.InkedCostShare() * kFittingShare <= 1.0;
}

namespace {

constexpr const char* kWhatPageReads =
    "Read Page reads text in a font that is installed, monospaced or proportional (menus, web pages, "
    "documents); handwriting and fonts that are not installed are not read.";

}  // namespace

std::string PageSummary(const PageReading& page) {
    char text[480];
    if (page.Empty()) {
        std::snprintf(text, sizeof text,
                      "Read Page: no line of text found. The text must be drawn in the font's cells of "
                      "%d x %d pixels; load the font it was drawn with.",
                      page.cellWidth, page.cellHeight);
        return text;
    }
    const int lines = static_cast<int>(page.lines.size());
    const int cells = page.CellCount();
    if (IsPoorReading(page)) {
        std::snprintf(text, sizeof text,
                      "Read Page: %d of %d cells unsure, so the text is not shown: the document's font does not fit "
                      "this picture. %s",
                      UnsureCellCount(page), cells, kWhatPageReads);
        return text;
    }
    std::snprintf(text, sizeof text, "Read Page: %d line%s, %d cell%s, %d unsure, %.1f ms", lines, lines == 1 ? "" : "s",
                  cells, cells == 1 ? "" : "s", UnsureCellCount(page), page.dMilliseconds);
    return text;
}

std::string PoorReadingAdvice(const PageReading& page) {
    char first[320];
    if (page.Empty())
        std::snprintf(first, sizeof first, "No line of text was found in the font's cells of %d x %d pixels.",
                      page.cellWidth, page.cellHeight);
    else
        std::snprintf(first, sizeof first, "The reading is poor: %d of %d cells are unsure, so its text is not shown.",
                      UnsureCellCount(page), page.CellCount());
    return std::string(first) + "\n\n" + kWhatPageReads +
           "\n\nThe document's font does not fit this picture: load a font made for it with \"Load Font...\" "
           "(Glyphmill's \"Fit to Picture\" makes one), then read the page again.";
}

std::vector<int> PageTextRows(const PageReading& page) {
    const std::vector<std::string_view> textLines = SplitLines(page.text);
    const int count = static_cast<int>(textLines.size());
    std::vector<int> rows;
    int next = 0;
    for (const PageLine& line : page.lines) {
        // Lines stand in the text in their order; a line not found takes the next text line.
        int row = next;
        while (row < count && !ShowsLine(textLines[static_cast<std::size_t>(row)], line.text))
            ++row;
        if (row >= count)
            row = std::min(next, count - 1);
        rows.push_back(row);
        next = row + 1;
    }
    return rows;
}

PageTextPlace PageTextPlaceOf(const PageReading& page, const std::vector<int>& rows, PageCellRef ref) {
    if (!ref.Valid() || ref.line >= static_cast<int>(page.lines.size()) || ref.line >= static_cast<int>(rows.size()))
        return {};
    const PageLine& line = page.lines[static_cast<std::size_t>(ref.line)];
    if (ref.cell >= static_cast<int>(line.cells.size()))
        return {};
    return {rows[static_cast<std::size_t>(ref.line)], line.column + ref.cell};
}

PageCellRef PageCellAtText(const PageReading& page, const std::vector<int>& rows, int row, int column) {
    for (int i = 0; i < static_cast<int>(rows.size()) && i < static_cast<int>(page.lines.size()); ++i) {
        if (rows[static_cast<std::size_t>(i)] != row)
            continue;
        const PageLine& line = page.lines[static_cast<std::size_t>(i)];
        const int cell = column - line.column;
        if (cell >= 0 && cell < static_cast<int>(line.cells.size()))
            return {i, cell};
    }
    return {};
}

RecognitionTrace PageLineTrace(const PageReading& page, int line) {
    RecognitionTrace trace;
    if (line < 0 || line >= static_cast<int>(page.lines.size()))
        return trace;
    trace.kind = RecognitionTrace::Kind::Page;
    trace.nPageLine = line;
    trace.nPageLines = static_cast<int>(page.lines.size());
    // The pane draws the document's 8-bit glyphs: a code the code page lacks shows as '?'.
    auto code = [](char32_t c) { return static_cast<int>(UnicodeToCp1251(c).value_or('?')); };
    for (const PageCell& cell : page.lines[static_cast<std::size_t>(line)].cells) {
        TracePosition position;
        for (const PageVariant& variant : cell.variants)
            position.variants.push_back({code(variant.code), variant.cost});
        position.best = cell.best;
        position.worst = cell.worst;
        position.simple = code(cell.code);
        position.final = code(cell.code);
        trace.positions.push_back(std::move(position));
    }
    return trace;
}

std::string LoadedPictureNote(int pictureWidth, int pictureHeight, const CRect& shown) {
    const int width = std::min(pictureWidth, shown.Width());
    const int height = std::min(pictureHeight, shown.Height());
    if (width >= pictureWidth && height >= pictureHeight)
        return {};
    char text[320];
    std::snprintf(text, sizeof text,
                  "The document shows %d x %d of the picture's %d x %d pixels, one row of cells; "
                  "\"Read Page\" reads the whole picture.",
                  std::max(width, 0), std::max(height, 0), pictureWidth, pictureHeight);
    return text;
}
