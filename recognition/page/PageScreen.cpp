#include "PageScreen.h"

#include "PageCells.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <map>
#include <set>
#include <utility>
#include <vector>

using namespace pagecells;

namespace {

// The shape of the shared grid, from its lines.
struct GridShape {
    int W = 0;
    int H = 0;
    long long P = 0;  // pitch, in sub-pixels
    int phases = 1;
    long long originXSub = 0;
    int originY = 0;

    long long Top(long long row) const { return originY + row * H; }
    long long Position(long long column) const { return originXSub + column * P; }
    long long Left(long long column) const { return PlaceAt(Position(column), phases).pixel; }
};

// A line of cells whose ink spans no more rows than this is a rule across them (the edge of a
// window's padding against its title bar or a desktop) unless other rows hold it in.
constexpr int kRuleRows = 2;

// A cell is unsure when its best glyph differs in more than one pixel in this many (as IsUnsure).
constexpr long long kUnsureDenominator = 10;

// A blank cell may hold this many pixels of another colour: the edge of a glyph beside it that
// reaches over its border.
constexpr int kStrayPixels = 3;

// Whether the W x H rectangle at (left, top) lies inside the picture and is of one of the
// backgrounds but for a few stray pixels. inner (-1 left, +1 right, 0 neither) is the side
// that faces the screen: with it, pixels of the edge column on that side, and of the top and
// bottom rows, that go on into the cell beside are that cell's (the smoothed edge of its
// glyph, its background a row off the grid's) and do not count.
bool Uniform(const CRaster& picture, long long left, long long top, int width, int height,
             const std::set<std::uint32_t>& backgrounds, int inner = 0)
{
    if (left < 0 || top < 0 || left + width > picture.width() || top + height > picture.height())
        return false;
    const std::uint32_t colour = picture.Row(static_cast<int>(top + height / 2))[left + width / 2] & 0xFFFFFF;
    if (!backgrounds.empty() && backgrounds.count(colour) == 0)
        return false;
    const long long edge = inner < 0 ? left : inner > 0 ? left + width - 1 : -1;
    const long long beyond = edge + inner;
    int stray = 0;
    for (long long y = top; y < top + height; ++y) {
        const std::uint32_t* row = picture.Row(static_cast<int>(y));
        for (long long x = left; x < left + width; ++x) {
            if ((row[x] & 0xFFFFFF) == colour)
                continue;
            if (x == edge && beyond >= 0 && beyond < picture.width() && (row[beyond] & 0xFFFFFF) != colour)
                continue;
            if (inner != 0) {
                const long long across = y == top ? y - 1 : y == top + height - 1 ? y + 1 : -1;
                if (across >= 0 && across < picture.height() &&
                    (picture.Row(static_cast<int>(across))[x] & 0xFFFFFF) != colour)
                    continue;
            }
            if (++stray > kStrayPixels)
                return false;
        }
    }
    return true;
}

bool UniformRow(const CRaster& picture, const GridShape& shape, long long row, long long firstColumn, long long endColumn,
                const std::set<std::uint32_t>& backgrounds)
{
    for (long long c = firstColumn; c < endColumn; ++c)
        if (!Uniform(picture, shape.Left(c), shape.Top(row), shape.W, shape.H, backgrounds))
            return false;
    return true;
}

bool UniformColumn(const CRaster& picture, const GridShape& shape, long long column, long long firstRow, long long endRow,
                   const std::set<std::uint32_t>& backgrounds, int inner)
{
    for (long long r = firstRow; r < endRow; ++r)
        if (!Uniform(picture, shape.Left(column), shape.Top(r), shape.W, shape.H, backgrounds, inner))
            return false;
    return true;
}

// The ink of a cell that the search's mask holds: the rows and columns it spans.
struct CellInkBox {
    int left = 0, right = 0, top = 0, bottom = 0;  // one past the last; right == 0: no ink
    bool Empty() const { return right == 0; }
};

CellInkBox InkBoxOf(const InkBits& ink, long long left, long long top, int width, int height)
{
    CellInkBox box;
    box.left = width;
    box.top = height;
    for (int r = 0; r < height; ++r) {
        const long long y = top + r;
        if (y < 0 || y >= ink.height)
            continue;
        const std::uint64_t* row = ink.Row(static_cast<int>(y));
        for (int chunk = 0; chunk * 64 < width; ++chunk) {
            const int used = std::min(64, width - chunk * 64);
            std::uint64_t bits = InkWord(ink, row, left + chunk * 64);
            if (used < 64)
                bits &= ~std::uint64_t{0} << (64 - used);
            if (bits == 0)
                continue;
            box.left = std::min(box.left, chunk * 64 + std::countl_zero(bits));
            box.right = std::max(box.right, chunk * 64 + 64 - std::countr_zero(bits));
            box.top = std::min(box.top, r);
            box.bottom = std::max(box.bottom, r + 1);
        }
    }
    return box;
}

// Whether a cell's ink is only a thin line along its edge from top to bottom (the edge of the
// terminal's padding against a frame, a scroll bar or a desktop), which says nothing of where
// the screen's columns end.
bool EdgeRule(const CellInkBox& box, int width, int height)
{
    const int thin = std::max(2, width / 4);
    return !box.Empty() && box.right - box.left <= thin && (box.left == 0 || box.right == width) &&
           box.bottom - box.top >= height - 1;
}

// The most common colour of the W x H cell at (left, top), pixels outside the picture left out
// (the first seen among equals). A cell holds few colours: they are counted in a short list,
// counts, a run of one colour at a time.
std::uint32_t CellBackground(const CRaster& picture, long long left, long long top, int width, int height,
                             std::vector<std::pair<std::uint32_t, int>>& counts)
{
    counts.clear();
    const long long x0 = std::max<long long>(left, 0), x1 = std::min<long long>(left + width, picture.width());
    for (long long y = std::max<long long>(top, 0); y < std::min<long long>(top + height, picture.height()); ++y) {
        const std::uint32_t* row = picture.Row(static_cast<int>(y));
        for (long long x = x0; x < x1;) {
            const std::uint32_t colour = row[x] & 0xFFFFFF;
            long long end = x + 1;
            while (end < x1 && (row[end] & 0xFFFFFF) == colour)
                ++end;
            const auto found = std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == colour; });
            if (found == counts.end())
                counts.emplace_back(colour, static_cast<int>(end - x));
            else
                found->second += static_cast<int>(end - x);
            x = end;
        }
    }
    std::uint32_t best = 0xFFFFFF;
    int most = -1;
    for (const auto& [colour, count] : counts)
        if (count > most) {
            most = count;
            best = colour;
        }
    return best;
}

// A window's title bar, frame or scroll bar reaches this many cells into the grid at most.
constexpr long long kEdgeCells = 4;

// One pixel in this many of a band may differ from its colour (anti-aliased corners, a cursor).
constexpr long long kBandStrayDenominator = 32;

// Whether the pixels from (x0, y0) up to (x1, y1), one row or one column of them, are of one
// colour but for a few, and that colour is not the most common of the cells from (cx0, cy0) up
// to (cx1, cy1) that the band lies along the edge of: a region of the picture's edge that
// reaches into those cells, as a window's title bar above a terminal's padding or a scroll bar
// beside it does. A terminal fills each cell's background whole.
bool StraddlingBand(const CRaster& picture, long long x0, long long y0, long long x1, long long y1, long long cx0,
                    long long cy0, long long cx1, long long cy1)
{
    x0 = std::max<long long>(x0, 0), y0 = std::max<long long>(y0, 0);
    x1 = std::min<long long>(x1, picture.width()), y1 = std::min<long long>(y1, picture.height());
    if (x0 >= x1 || y0 >= y1)
        return false;
    std::map<std::uint32_t, long long> band;
    for (long long y = y0; y < y1; ++y)
        for (long long x = x0; x < x1; ++x)
            ++band[picture.Row(static_cast<int>(y))[x] & 0xFFFFFF];
    const auto most = std::max_element(band.begin(), band.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    const long long pixels = (x1 - x0) * (y1 - y0);
    if ((pixels - most->second) * kBandStrayDenominator > pixels)
        return false;
    std::map<std::uint32_t, long long> cells;
    for (long long y = std::max<long long>(cy0, 0); y < std::min<long long>(cy1, picture.height()); ++y)
        for (long long x = std::max<long long>(cx0, 0); x < std::min<long long>(cx1, picture.width()); ++x)
            ++cells[picture.Row(static_cast<int>(y))[x] & 0xFFFFFF];
    if (cells.empty())
        return false;
    return std::max_element(cells.begin(), cells.end(), [](const auto& a, const auto& b) { return a.second < b.second; })
               ->first != most->first;
}

bool ShapeOf(const PageGrid& grid, GridShape& shape)
{
    const auto line = std::find_if(grid.lines.begin(), grid.lines.end(), [](const LineGrid& l) { return !l.bOwn; });
    if (!grid.bShared || line == grid.lines.end() || line->cellWidth <= 0 || line->cellHeight <= 0)
        return false;
    shape.W = line->cellWidth;
    shape.H = line->cellHeight;
    shape.P = line->PitchSub();
    shape.phases = line->phases;
    shape.originXSub = grid.originXSub;
    shape.originY = grid.originY;
    return shape.P > 0;
}

}  // namespace

ScreenExtent FindScreen(const CRaster& picture, const InkBits& ink, const PageGrid& grid, const PageGlyphs& glyphs,
                        MatchPath path)
{
    ScreenExtent screen;
    GridShape shape;
    if (!ShapeOf(grid, shape))
        return screen;
    long long top = std::numeric_limits<long long>::max(), bottom = std::numeric_limits<long long>::min();
    long long left = top, right = bottom;
    // The rows and columns of the cells whose ink is more than a thin line along the cell's edge
    // (a line a pixel or two high across a row is the edge of the padding too).
    for (const LineGrid& line : grid.lines) {
        if (line.bOwn || line.cells <= 0)
            continue;
        const long long row = FloorDiv(line.top - shape.originY, shape.H);
        const long long first = FloorDiv(line.leftSub - shape.originXSub + shape.P / 2, shape.P);
        int inkTop = shape.H, inkBottom = 0;
        long long inkedLeft = std::numeric_limits<long long>::max(), inkedRight = std::numeric_limits<long long>::min();
        for (long long c = first; c < first + line.cells; ++c) {
            const CellInkBox box = InkBoxOf(ink, shape.Left(c), shape.Top(row), shape.W, shape.H);
            if (box.Empty() || EdgeRule(box, shape.W, shape.H))
                continue;
            inkedLeft = std::min(inkedLeft, c);
            inkedRight = std::max(inkedRight, c + 1);
            inkTop = std::min(inkTop, box.top);
            inkBottom = std::max(inkBottom, box.bottom);
        }
        if (inkedLeft > inkedRight || inkBottom - inkTop <= kRuleRows)
            continue;
        top = std::min(top, row);
        bottom = std::max(bottom, row + 1);
        left = std::min(left, inkedLeft);
        right = std::max(right, inkedRight);
    }
    if (top >= bottom || left >= right)
        return screen;
    // A region beside the screen that reaches into a row near the top or bottom (a band of
    // another colour along the row's inner edge, across the middle half of the columns) is a
    // window's title bar or frame caught on the grid: that row and those outside it are not the
    // screen's, and so for columns near either side (a frame, a scroll bar). Then a row at the
    // top or bottom most of whose inked cells read unsure against their own colours is a title.
    auto unsure = [&](long long row) {
        if (glyphs.Rows() == 0)
            return false;
        ScreenExtent one;
        one.bScreen = true;
        one.firstRow = row;
        one.rows = 1;
        one.firstColumn = left;
        one.columns = static_cast<int>(right - left);
        PageGrid rowGrid = ScreenGrid(grid, one);
        std::erase_if(rowGrid.lines, [](const LineGrid& l) { return l.bOwn; });
        if (rowGrid.lines.empty())
            return false;
        const InkBits rowInk = CellInk(picture, ink, rowGrid, MeasureColours(picture, rowGrid), {}, HalfWay::Paper);
        CCellMatcher matcher(rowInk, glyphs, path);
        // Only the inked cells are matched, until most of them are known sure or unsure.
        std::vector<CellPlace> places;
        for (long long c = left; c < right; ++c) {
            const CellPlace place = PlaceAt(shape.Position(c), shape.phases);
            if (!InkBoxOf(rowInk, place.pixel, shape.Top(row), shape.W, shape.H).Empty())
                places.push_back(place);
        }
        const int inked = static_cast<int>(places.size());
        int doubtful = 0, sure = 0;
        for (std::size_t first = 0; first < places.size() && 2 * doubtful <= inked && 2 * sure < inked;
             first += kBlockCells) {
            const int count = static_cast<int>(std::min<std::size_t>(kBlockCells, places.size() - first));
            matcher.Match(shape.Top(row), places.data() + first, count);
            for (int k = 0; k < count; ++k) {
                std::int32_t least = 0, most = 0;
                CostRange(matcher.Wide(), matcher.Costs(k), glyphs.Rows(), least, most);
                if (static_cast<long long>(least) * kUnsureDenominator > static_cast<long long>(shape.W) * shape.H)
                    ++doubtful;
                else
                    ++sure;
            }
        }
        return inked > 0 && 2 * doubtful > inked;
    };
    const long long x0 = shape.Left(left + (right - left) / 4), x1 = shape.Left(right - (right - left) / 4);
    const long long y0 = shape.Top(top + (bottom - top) / 4), y1 = shape.Top(bottom - (bottom - top) / 4);
    auto rowAbove = [&](long long row) {  // the region reaches down into the row
        return StraddlingBand(picture, x0, shape.Top(row + 1) - 1, x1, shape.Top(row + 1), x0, shape.Top(row), x1,
                              shape.Top(row + 1));
    };
    auto rowBelow = [&](long long row) {
        return StraddlingBand(picture, x0, shape.Top(row), x1, shape.Top(row) + 1, x0, shape.Top(row), x1, shape.Top(row + 1));
    };
    auto columnLeft = [&](long long column) {
        const long long x = shape.Left(column);
        return StraddlingBand(picture, x + shape.W - 1, y0, x + shape.W, y1, x, y0, x + shape.W, y1);
    };
    auto columnRight = [&](long long column) {
        const long long x = shape.Left(column);
        return StraddlingBand(picture, x, y0, x + 1, y1, x, y0, x + shape.W, y1);
    };
    const long long rowsFound = bottom - top, columnsFound = right - left;
    for (long long k = std::min<long long>(kEdgeCells, rowsFound / 4); k-- > 0;)
        if (rowAbove(top + k)) {
            top += k + 1;
            break;
        }
    for (long long k = std::min<long long>(kEdgeCells, rowsFound / 4); k-- > 0;)
        if (rowBelow(bottom - 1 - k)) {
            bottom -= k + 1;
            break;
        }
    for (long long k = std::min<long long>(kEdgeCells, columnsFound / 4); k-- > 0;)
        if (columnLeft(left + k)) {
            left += k + 1;
            break;
        }
    for (long long k = std::min<long long>(kEdgeCells, columnsFound / 4); k-- > 0;)
        if (columnRight(right - 1 - k)) {
            right -= k + 1;
            break;
        }
    while (bottom - top > 1 && unsure(top))
        ++top;
    while (bottom - top > 1 && unsure(bottom - 1))
        --bottom;
    // The cells' backgrounds. A column at either side none of whose cells has a background that a
    // cell of the middle half of the columns has in the same row lies beside the screen (a scroll
    // bar, a desktop), not in it; a full-screen program's margin of another colour shares its
    // colour with the middle in some row (a title or a bar across).
    const auto rows = static_cast<std::size_t>(bottom - top);
    const auto width = static_cast<std::size_t>(right - left);
    std::vector<std::uint32_t> cellBg(rows * width);
    std::vector<std::pair<std::uint32_t, int>> counts;
    for (std::size_t r = 0; r < rows; ++r)
        for (std::size_t k = 0; k < width; ++k)
            cellBg[r * width + k] = CellBackground(picture, shape.Left(left + static_cast<long long>(k)),
                                                   shape.Top(top + static_cast<long long>(r)), shape.W, shape.H, counts);
    std::vector<std::set<std::uint32_t>> middle(rows);
    for (std::size_t r = 0; r < rows; ++r)
        for (std::size_t k = width / 4; k < width - width / 4; ++k)
            middle[r].insert(cellBg[r * width + k]);
    auto beside = [&](std::size_t k) {
        std::size_t foreign = 0;
        for (std::size_t r = 0; r < rows; ++r)
            foreign += middle[r].count(cellBg[r * width + k]) == 0 ? 1 : 0;
        return foreign == rows;
    };
    std::size_t first = 0, last = width;
    while (first < last && beside(first))
        ++first;
    while (last > first && beside(last - 1))
        --last;
    right = left + static_cast<long long>(last);
    left += static_cast<long long>(first);
    std::set<std::uint32_t> backgrounds;
    for (std::size_t r = 0; r < rows; ++r)
        for (std::size_t k = first; k < last; ++k)
            backgrounds.insert(cellBg[r * width + k]);
    for (bool grew = true; grew;) {
        grew = false;
        while (UniformRow(picture, shape, top - 1, left, right, backgrounds))
            --top, grew = true;
        while (UniformRow(picture, shape, bottom, left, right, backgrounds))
            ++bottom, grew = true;
        while (UniformColumn(picture, shape, left - 1, top, bottom, backgrounds, 1))
            --left, grew = true;
        while (UniformColumn(picture, shape, right, top, bottom, backgrounds, -1))
            ++right, grew = true;
    }
    screen.bScreen = true;
    screen.firstRow = top;
    screen.firstColumn = left;
    screen.rows = static_cast<int>(bottom - top);
    screen.columns = static_cast<int>(right - left);
    return screen;
}

PageGrid ScreenGrid(const PageGrid& grid, const ScreenExtent& screen)
{
    GridShape shape;
    if (!screen.bScreen || !ShapeOf(grid, shape))
        return grid;
    PageGrid out = grid;
    out.lines.clear();
    const long long screenTop = shape.Top(screen.firstRow);
    const long long screenBottom = shape.Top(screen.EndRow());
    for (const LineGrid& line : grid.lines)
        if (line.bOwn && (line.top + line.cellHeight <= screenTop || line.top >= screenBottom))
            out.lines.push_back(line);
    for (int r = 0; r < screen.rows; ++r) {
        LineGrid line;
        line.top = static_cast<int>(shape.Top(screen.firstRow + r));
        line.cellWidth = shape.W;
        line.cellHeight = shape.H;
        line.pitchSub = shape.P;
        line.phases = shape.phases;
        line.leftSub = shape.Position(screen.firstColumn);
        line.left = static_cast<int>(shape.Left(screen.firstColumn));
        line.cells = screen.columns;
        line.row = static_cast<int>(screen.firstRow + r);
        out.lines.push_back(line);
    }
    std::stable_sort(out.lines.begin(), out.lines.end(), [](const LineGrid& a, const LineGrid& b) { return a.top < b.top; });
    return out;
}

namespace {

// A line of its own beside a screen is read with it only when most of its inked cells read
// surely: a window's title in another font is not.
constexpr int kOwnLineUnsureDenominator = 4;

struct Reading {
    int inked = 0;
    int unsure = 0;
};

Reading ReadingOf(const PageLine& line, int cellWidth, int cellHeight)
{
    Reading reading;
    for (const PageCell& cell : line.cells) {
        reading.inked += cell.bBlank ? 0 : 1;
        reading.unsure += IsUnsure(cell, cellWidth, cellHeight) ? 1 : 0;
    }
    return reading;
}

}  // namespace

void TrimScreen(ScreenExtent& screen, std::vector<PageLine>& lines, std::vector<std::vector<CellColours>>& colours,
                int cellWidth, int cellHeight)
{
    if (!screen.bScreen)
        return;
    auto erase = [&](std::size_t l) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(l));
        if (l < colours.size())
            colours.erase(colours.begin() + static_cast<std::ptrdiff_t>(l));
    };
    for (std::size_t l = lines.size(); l-- > 0;)
        if (lines[l].grid.bOwn) {
            const Reading reading = ReadingOf(lines[l], cellWidth, cellHeight);
            if (reading.unsure * kOwnLineUnsureDenominator > reading.inked)
                erase(l);
        }
    auto screenRows = [&](bool first) {
        std::vector<std::size_t> rows;
        for (std::size_t l = 0; l < lines.size(); ++l)
            if (!lines[l].grid.bOwn)
                rows.push_back(l);
        return rows.empty() ? lines.size() : first ? rows.front() : rows.back();
    };
    for (bool top : {true, false})
        while (screen.rows > 1) {
            const std::size_t l = screenRows(top);
            if (l >= lines.size())
                break;
            const Reading reading = ReadingOf(lines[l], cellWidth, cellHeight);
            if (reading.inked == 0 || 2 * reading.unsure <= reading.inked)
                break;
            erase(l);
            if (top)
                ++screen.firstRow;
            --screen.rows;
        }
    // On a grid of fractional pitch (a browser's: terminals draw whole-pixel cells) columns at the
    // screen's left that every row leaves blank on one background are the page's margin, not
    // columns of the screen. A cell that reads as a space is blank, though the edge of the glyph
    // beside it reaches in (a round letter's left bearing below zero).
    const auto screenLine = std::find_if(lines.begin(), lines.end(), [](const PageLine& line) { return !line.grid.bOwn; });
    const bool fractional = screenLine != lines.end() && screenLine->grid.PitchSub() % kSubpixels != 0;
    while (fractional && screen.columns > 1) {
        bool padding = false;
        std::uint32_t background = 0;
        for (std::size_t l = 0; l < lines.size(); ++l) {
            if (lines[l].grid.bOwn)
                continue;
            const bool blank = !lines[l].cells.empty() && lines[l].cells.front().code == U' ' && l < colours.size() &&
                               !colours[l].empty();
            const std::uint32_t bg = blank ? colours[l].front().bg : 0;
            if (!blank || (padding && bg != background)) {
                padding = false;
                break;
            }
            padding = true;
            background = bg;
        }
        if (!padding)
            break;
        for (std::size_t l = 0; l < lines.size(); ++l) {
            PageLine& line = lines[l];
            if (line.grid.bOwn)
                continue;
            line.cells.erase(line.cells.begin());
            colours[l].erase(colours[l].begin());
            line.grid.leftSub += line.grid.PitchSub();
            line.grid.left = static_cast<int>(line.grid.Place(0).pixel);
            --line.grid.cells;
            ++line.column;
        }
        ++screen.firstColumn;
        --screen.columns;
    }
}
