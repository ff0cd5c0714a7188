#include "PageReader.h"

#include <chrono>
#include <new>

namespace {

double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The stages from the ink on, the mask already free of solid strips. With the picture (and the
// Auto rule) every cell is read against its own colours and styled, and a shared grid is read as
// a screen.
void ReadFromInk(PageReading& page, const InkBits& ink, const GlyphSet& glyphs, const PageOptions& options,
                 const CRaster* picture)
{
    const auto start = std::chrono::steady_clock::now();
    PageGlyphs packed;
    packed.Build(glyphs);
    page.bands = FindLines(ink, page.cellHeight);
    const PageGrid grid = FindGrid(ink, packed, page.bands, options.path, options.pitchSub);
    page.pitchSub = grid.pitchSub;
    page.originX = grid.originX;
    page.originY = grid.originY;
    page.sharedCost = grid.sharedCost;
    page.bSharedGrid = grid.bShared;
    page.dSearchMilliseconds = MillisecondsSince(start);

    if (picture == nullptr || options.ink != InkRule::Auto) {
        const auto match = std::chrono::steady_clock::now();
        page.lines = MatchCells(ink, packed, grid, options.coefficient, options.path);
        RereadAtNeighbourPhases(ink, packed, page.lines, options.coefficient, options.path);
        ClearOverflow(ink, packed.width, packed.height, page.lines);
        page.scripts = ResolveScripts(page.lines);
        page.dMatchMilliseconds = MillisecondsSince(match);
        page.text = PageText(page.lines, grid.bShared);
        return;
    }

    auto style = std::chrono::steady_clock::now();
    if (options.layout == PageLayout::Screen)
        page.screen = FindScreen(*picture, ink, grid, packed, options.path);
    const PageGrid cells = page.screen.bScreen ? ScreenGrid(grid, page.screen) : grid;
    std::vector<std::vector<CellColours>> colours = MeasureColours(*picture, cells);
    InkBits cellInk = CellInk(*picture, ink, cells, colours, page.strips, HalfWay::Paper);
    const InkBits halfWayInk = CellInk(*picture, ink, cells, colours, page.strips, HalfWay::Ink);
    page.dStyleMilliseconds = MillisecondsSince(style);

    const auto match = std::chrono::steady_clock::now();
    page.lines = MatchCells(cellInk, packed, cells, options.coefficient, options.path, &halfWayInk);
    RereadAtNeighbourPhases(cellInk, packed, page.lines, options.coefficient, options.path, &halfWayInk);
    RereadCells(*picture, cellInk, page.lines, colours, packed, options.coefficient, options.path);
    ClearOverflow(cellInk, packed.width, packed.height, page.lines);
    page.dMatchMilliseconds = MillisecondsSince(match);

    style = std::chrono::steady_clock::now();
    TrimScreen(page.screen, page.lines, colours, glyphs.cellWidth, glyphs.cellHeight);
    page.colours = FindDefaultColours(page.lines, colours);
    ReadAttributes(page.lines, colours, cellInk, packed, options.coefficient, page.colours);
    // After the attributes: a cell read again without its underline keeps its word's script.
    page.scripts = ResolveScripts(page.lines);
    page.bStyled = true;
    page.dStyleMilliseconds += MillisecondsSince(style);
    page.text = PageText(page.lines, grid.bShared, page.screen);
}

void NoteInk(PageReading& page, const InkBits& ink)
{
    page.background = ink.background;
    page.contrast = ink.contrast;
    page.threshold = ink.threshold;
    page.bLocalInk = ink.bLocal;
}

PageReading OutOfMemory(const GlyphSet& glyphs)
{
    PageReading page;
    page.cellWidth = glyphs.cellWidth;
    page.cellHeight = glyphs.cellHeight;
    page.bOutOfMemory = true;
    return page;
}

}  // namespace

int PageReading::CellCount() const
{
    int count = 0;
    for (const PageLine& line : lines)
        count += static_cast<int>(line.cells.size());
    return count;
}

std::vector<int> PageReading::NoCutLines() const
{
    std::vector<int> indexes;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].bNoCut)
            indexes.push_back(static_cast<int>(i));
    return indexes;
}

double PageReading::InkedCostShare() const
{
    long long cost = 0;
    long long inked = 0;
    for (const PageLine& line : lines)
        for (const PageCell& cell : line.cells)
            if (!cell.bBlank) {
                cost += cell.best;
                ++inked;
            }
    const long long pixels = static_cast<long long>(cellWidth) * cellHeight;
    return inked > 0 && pixels > 0 ? static_cast<double>(cost) / static_cast<double>(inked * pixels) : 1.0;
}

int PageReading::UnsureCells() const
{
    int count = 0;
    for (const PageLine& line : lines)
        for (const PageCell& cell : line.cells)
            count += IsUnsure(cell, cellWidth, cellHeight) ? 1 : 0;
    return count;
}

PageReading ReadPage(const CRaster& picture, const GlyphSet& glyphs, const PageOptions& options)
{
    return ReadPage(picture, nullptr, glyphs, options);
}

PageReading ReadPage(const CRaster& picture, const InkBits* autoInk, const GlyphSet& glyphs, const PageOptions& options)
{
    const auto start = std::chrono::steady_clock::now();
    PageReading page;
    page.cellWidth = glyphs.cellWidth;
    page.cellHeight = glyphs.cellHeight;
    if (glyphs.Empty() || picture.empty()) {
        page.dMilliseconds = MillisecondsSince(start);
        return page;
    }
    try {
        InkBits ink = options.ink != InkRule::Auto ? InkMask(picture, options.ink, options.path)
                      : autoInk ? ScreenInkMask(picture, *autoInk, glyphs.cellWidth, glyphs.cellHeight)
                                : ScreenInkMask(picture, glyphs.cellWidth, glyphs.cellHeight, options.path);
        page.strips = ClearSolidStrips(ink, glyphs.cellHeight);
        NoteInk(page, ink);
        page.dInkMilliseconds = MillisecondsSince(start);
        ReadFromInk(page, ink, glyphs, options, &picture);
    } catch (const std::bad_alloc&) {
        page = OutOfMemory(glyphs);
    }
    page.dMilliseconds = MillisecondsSince(start);
    return page;
}

PageReading ReadPage(const InkBits& ink, const GlyphSet& glyphs, const PageOptions& options)
{
    const auto start = std::chrono::steady_clock::now();
    PageReading page;
    page.cellWidth = glyphs.cellWidth;
    page.cellHeight = glyphs.cellHeight;
    if (glyphs.Empty()) {
        page.dMilliseconds = MillisecondsSince(start);
        return page;
    }
    try {
        NoteInk(page, ink);
        page.strips = FindSolidStrips(ink, glyphs.cellHeight);
        if (page.strips.empty()) {
            ReadFromInk(page, ink, glyphs, options, nullptr);
        } else {
            InkBits cleared = ink;
            ClearStrips(cleared, page.strips);
            ReadFromInk(page, cleared, glyphs, options, nullptr);
        }
    } catch (const std::bad_alloc&) {
        page = OutOfMemory(glyphs);
    }
    page.dMilliseconds = MillisecondsSince(start);
    return page;
}

void ReadPageWords(PageReading& page, const CDictionary& dictionary, PageWordsStep step, const OpenWordsOptions& open)
{
    try {
        std::vector<PageLine> lines = page.lines;
        ReadLineWords(lines, dictionary, step, open);
        page.lines = std::move(lines);
    } catch (const std::bad_alloc&) {
        page.bOutOfMemory = true;
        return;
    }
    page.text = PageText(page.lines, page.bSharedGrid, page.screen);
}
