#include "PageReader.h"

#include "CComplexRecognizer.h"
#include "PageCells.h"

#include <algorithm>
#include <chrono>
#include <new>

using namespace pagecells;

namespace {

double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

long long PageLine::Cost() const
{
    long long sum = 0;
    for (const PageCell& cell : cells)
        sum += cell.best;
    return sum;
}

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

std::vector<PageLine> MatchCells(const InkBits& ink, const CCharImageFont& font, const PageGrid& grid,
                                 double coefficient, MatchPath path)
{
    std::vector<PageLine> lines;
    PageGlyphs glyphs;
    glyphs.Build(font, font.CellWidth(), font.CellHeight());
    const int rows = glyphs.Rows();
    if (rows == 0)
        return lines;
    CCellMatcher matcher(ink, glyphs, path);
    const int W = glyphs.width;
    const bool wide = path == MatchPath::Avx2 || path == MatchPath::Avx512;

    lines.reserve(grid.lines.size());
    std::vector<long long> lefts(kBlockCells);
    for (const LineGrid& lineGrid : grid.lines) {
        PageLine line;
        line.top = lineGrid.top;
        line.left = lineGrid.left;
        line.row = lineGrid.row;
        line.column = static_cast<int>(FloorDiv(lineGrid.left - grid.originX + W / 2, W));
        line.cells.resize(static_cast<std::size_t>(std::max(lineGrid.cells, 0)));
        for (int first = 0; first < lineGrid.cells; first += kBlockCells) {
            const int count = std::min(kBlockCells, lineGrid.cells - first);
            for (int c = 0; c < count; ++c)
                lefts[c] = lineGrid.left + static_cast<long long>(first + c) * W;
            matcher.Match(lineGrid.top, lefts.data(), count);
            for (int c = 0; c < count; ++c) {
                PageCell& cell = line.cells[static_cast<std::size_t>(first + c)];
                // A cell without ink reads as a space with cost 0, whatever the font's space.
                if (!matcher.Inked(c)) {
                    cell.bBlank = true;
                    cell.variants.push_back({' ', 0});
                    continue;
                }
                // The Simple rule: the least cost, the lowest code among equals; the variants
                // within reach of it; an exact match (or nothing worse) keeps the best alone.
                const std::int32_t* costs = matcher.Costs(c);
                CostRange(wide, costs, rows, cell.best, cell.worst);
                cell.code = glyphs.CodeOf(static_cast<int>(std::find(costs, costs + rows, cell.best) - costs));
                if (cell.best != 0 && cell.worst != 0) {
                    const double reach = coefficient * static_cast<double>(cell.worst - cell.best);
                    for (int r = 0; r < rows; ++r)
                        if (static_cast<double>(costs[r] - cell.best) <= reach)
                            cell.variants.push_back({glyphs.CodeOf(r), costs[r]});
                } else {
                    cell.variants.push_back({cell.code, 0});
                }
            }
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string PageText(std::vector<PageLine>& lines, bool bSharedGrid)
{
    // The margin: the blank columns common to every line, left of the first character of
    // the line that starts furthest left.
    auto firstCharacter = [](const PageLine& line) {
        for (std::size_t i = 0; i < line.cells.size(); ++i)
            if (line.cells[i].code != ' ')
                return static_cast<long long>(i);
        return -1LL;
    };
    long long margin = 0;
    bool any = false;
    for (const PageLine& line : lines)
        if (const long long first = firstCharacter(line); first >= 0) {
            margin = any ? std::min(margin, line.column + first) : line.column + first;
            any = true;
        }

    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        PageLine& line = lines[i];
        line.column = static_cast<int>(line.column - margin);
        line.text.clear();
        if (line.column > 0)
            line.text.assign(static_cast<std::size_t>(line.column), ' ');
        for (std::size_t c = static_cast<std::size_t>(std::max(-line.column, 0)); c < line.cells.size(); ++c)
            line.text.push_back(static_cast<char>(line.cells[c].code));
        while (!line.text.empty() && line.text.back() == ' ')
            line.text.pop_back();
        if (i > 0) {
            // An empty grid row between two lines stays an empty line.
            const int gap = bSharedGrid ? line.row - lines[i - 1].row : 1;
            text.append(static_cast<std::size_t>(std::max(gap, 1)), '\n');
        }
        text += line.text;
    }
    return text;
}

PageReading ReadPage(const CRaster& picture, const CCharImageFont& font, const PageOptions& options, MatchPath path)
{
    const auto start = std::chrono::steady_clock::now();
    if (font.CellWidth() <= 0 || font.CellHeight() <= 0 || !font.HasGlyphs() || picture.empty()) {
        PageReading page;
        page.cellWidth = font.CellWidth();
        page.cellHeight = font.CellHeight();
        page.dMilliseconds = MillisecondsSince(start);
        return page;
    }
    const InkBits ink = InkMask(picture, options.ink);
    const double inkMilliseconds = MillisecondsSince(start);
    PageReading page = ReadPage(ink, font, options.coefficient, path);
    page.dInkMilliseconds = inkMilliseconds;
    page.dMilliseconds = MillisecondsSince(start);
    return page;
}

PageReading ReadPage(const InkBits& ink, const CCharImageFont& font, double coefficient, MatchPath path)
{
    const auto start = std::chrono::steady_clock::now();
    PageReading page;
    page.cellWidth = font.CellWidth();
    page.cellHeight = font.CellHeight();
    if (page.cellWidth <= 0 || page.cellHeight <= 0 || !font.HasGlyphs()) {
        page.dMilliseconds = MillisecondsSince(start);
        return page;
    }
    const PageGrid grid = FindGrid(ink, font, FindLines(ink, page.cellHeight), path);
    page.dSearchMilliseconds = MillisecondsSince(start);

    const auto match = std::chrono::steady_clock::now();
    page.lines = MatchCells(ink, font, grid, coefficient, path);
    page.dMatchMilliseconds = MillisecondsSince(match);

    page.bSharedGrid = grid.bShared;
    page.text = PageText(page.lines, grid.bShared);
    page.dMilliseconds = MillisecondsSince(start);
    return page;
}

void ReadPageWords(PageReading& page, const CDictionary& dictionary)
{
    const CComplexRecognizer recognizer;
    std::vector<CPrefixList> lists;
    for (PageLine& line : page.lines) {
        line.bComplex = false;
        line.bNoCut = false;
        if (line.cells.empty())
            continue;
        // The cells' variants (a blank cell's is a space of cost 0) and one blank cell after
        // them, so that the line's last word can end.
        std::vector<CCharVariants> variants(line.cells.size() + 1);
        for (std::size_t c = 0; c < line.cells.size(); ++c)
            for (const PageVariant& v : line.cells[c].variants)
                variants[c].Add(v.code, v.cost);
        variants.back().Add(' ', 0);
        ComplexResult result;
        try {
            result = recognizer.Recognize(static_cast<int>(variants.size()), variants, dictionary, lists,
                                          [](PrefixListsStatus) {});
        } catch (const std::bad_alloc&) {
            result.bCut = false;
        }
        if (!result.bCut || result.text.size() < line.cells.size()) {
            line.bNoCut = true;
            continue;
        }
        for (std::size_t c = 0; c < line.cells.size(); ++c)
            line.cells[c].code = static_cast<std::uint8_t>(result.text[c]);
        line.bComplex = true;
    }
    page.text = PageText(page.lines, page.bSharedGrid);
}
