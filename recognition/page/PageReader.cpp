#include "PageReader.h"

#include <chrono>
#include <new>

namespace {

double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The stages from the ink on, the mask already free of solid strips.
void ReadFromInk(PageReading& page, const InkBits& ink, const GlyphSet& glyphs, const PageOptions& options)
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

    const auto match = std::chrono::steady_clock::now();
    page.lines = MatchCells(ink, packed, grid, options.coefficient, options.path);
    page.scripts = ResolveScripts(page.lines);
    page.dMatchMilliseconds = MillisecondsSince(match);
    page.text = PageText(page.lines, grid.bShared);
}

void NoteInk(PageReading& page, const InkBits& ink)
{
    page.background = ink.background;
    page.contrast = ink.contrast;
    page.threshold = ink.threshold;
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

PageReading ReadPage(const CRaster& picture, const GlyphSet& glyphs, const PageOptions& options)
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
        InkBits ink = InkMask(picture, options.ink, options.path);
        page.strips = ClearSolidStrips(ink, glyphs.cellHeight);
        NoteInk(page, ink);
        page.dInkMilliseconds = MillisecondsSince(start);
        ReadFromInk(page, ink, glyphs, options);
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
            ReadFromInk(page, ink, glyphs, options);
        } else {
            InkBits cleared = ink;
            ClearStrips(cleared, page.strips);
            ReadFromInk(page, cleared, glyphs, options);
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
    page.text = PageText(page.lines, page.bSharedGrid);
}
