#include "PageColours.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <set>

namespace {

constexpr std::uint32_t kColourMask = 0xFFFFFF;

// Colours a cell tells apart: its background, its ink and the blends of its edges. Colours past
// these are rare blends and are left out of the counts.
constexpr int kCellColours = 32;

// The ink of a glyph that reaches over its cell's border lies in this share (1 / n) of the next
// cell's columns, at least one.
constexpr int kOverhangColumnsDenominator = 8;

// So few pixels of ink at a border, where the glyph beside meets them, are that glyph's edge
// whatever their colour: no glyph of its own is that small and at the border.
constexpr int kOverhangPixels = 2;

// A cell of two colours whose second covers at least this share (in tenths) of it is a half
// block or alike, whose background the cells beside decide.
constexpr int kEvenShareTenths = 4;

// A cell whose foreground covers at least this share (1 / n) of it is read both ways round too.
constexpr int kSwapShareDenominator = 4;

// A foreground within this share (1 / n) of the way to a farther one is that one, not reached.
constexpr int kNearDenominator = 8;

// A pixel is a blend of a background and a foreground when it lies within this many levels of
// the blend at its distance.
constexpr int kBlendTolerance = 3;

struct ColourCount {
    std::uint32_t colour = 0;
    int count = 0;
};

// The counted colours of a cell, most common first once Sorted.
struct CellCounts {
    std::array<ColourCount, kCellColours> colours{};
    int used = 0;

    void Add(std::uint32_t colour, int n)
    {
        for (int i = 0; i < used; ++i)
            if (colours[static_cast<std::size_t>(i)].colour == colour) {
                colours[static_cast<std::size_t>(i)].count += n;
                return;
            }
        if (used < kCellColours)
            colours[static_cast<std::size_t>(used++)] = {colour, n};
    }
};

CellCounts CountCell(const CRaster& picture, long long left, long long top, int width, int height)
{
    CellCounts counts;
    const long long x0 = std::max<long long>(left, 0);
    const long long x1 = std::min<long long>(left + width, picture.width());
    const long long y0 = std::max<long long>(top, 0);
    const long long y1 = std::min<long long>(top + height, picture.height());
    for (long long y = y0; y < y1; ++y) {
        const std::uint32_t* row = picture.Row(static_cast<int>(y));
        for (long long x = x0; x < x1;) {
            const std::uint32_t colour = row[x] & kColourMask;
            long long end = x + 1;
            while (end < x1 && (row[end] & kColourMask) == colour)
                ++end;
            counts.Add(colour, static_cast<int>(end - x));
            x = end;
        }
    }
    return counts;
}

// The foreground of counted colours over background bg (see MeasureCell).
void ChooseForeground(const CellCounts& counts, CellColours& cell)
{
    cell.fg = cell.bg;
    cell.fgPixels = 0;
    int farthest = 0;
    for (int i = 0; i < counts.used; ++i) {
        const ColourCount& c = counts.colours[static_cast<std::size_t>(i)];
        const int distance = ColourDistance(c.colour, cell.bg);
        if (distance > farthest || (distance == farthest && distance > 0 && c.count > cell.fgPixels)) {
            farthest = distance;
            cell.fg = c.colour;
            cell.fgPixels = c.count;
        }
    }
    cell.bUniform = farthest == 0;
}

int Channel(std::uint32_t colour, int shift)
{
    return static_cast<int>((colour >> shift) & 0xFF);
}

// Whether colour is a blend of bg and fg: on the line between them, within the tolerance.
bool IsBlend(std::uint32_t colour, std::uint32_t bg, std::uint32_t fg)
{
    const int span = ColourDistance(fg, bg);
    if (span == 0)
        return false;
    const int along = ColourDistance(colour, bg);
    if (along > span + kBlendTolerance)
        return false;
    for (int shift = 0; shift < 24; shift += 8) {
        const int b = Channel(bg, shift);
        const int expected = b + (Channel(fg, shift) - b) * along / span;
        if (std::abs(Channel(colour, shift) - expected) > kBlendTolerance)
            return false;
    }
    return true;
}

CellColours FromCounts(const CellCounts& counts, std::uint32_t bg)
{
    CellColours cell;
    cell.bg = bg;
    ChooseForeground(counts, cell);
    return cell;
}

// The most common colour of counts (the first among equals), and the second.
void TwoMostCommon(const CellCounts& counts, int& first, int& second)
{
    first = second = -1;
    for (int i = 0; i < counts.used; ++i) {
        const int n = counts.colours[static_cast<std::size_t>(i)].count;
        if (first < 0 || n > counts.colours[static_cast<std::size_t>(first)].count) {
            second = first;
            first = i;
        } else if (second < 0 || n > counts.colours[static_cast<std::size_t>(second)].count) {
            second = i;
        }
    }
}

// Whether the ink of cell c of line lies wholly in its columns at the border on side (-1 left,
// 1 right), meets ink of the cell beside (near) at that border on a row, and is either a few
// pixels or fainter than half near's contrast: the edge of near's glyph, not a glyph of its own.
bool IsOverhang(const CRaster& picture, const LineGrid& line, int c, const CellColours& cell, int side,
                const CellColours& near)
{
    const int cellContrast = ColourDistance(cell.fg, cell.bg);
    const int nearContrast = ColourDistance(near.fg, near.bg);
    if (cell.bUniform || near.bUniform || near.bg != cell.bg)
        return false;
    const int W = line.cellWidth;
    const int edge = std::max(1, W / kOverhangColumnsDenominator);
    const long long left = line.CellLeft(c);
    const long long nearEdge = side < 0 ? left - 1 : line.CellLeft(c + 1);
    bool meets = false;
    int inked = 0;
    for (int r = 0; r < line.cellHeight; ++r) {
        const long long y = line.top + r;
        if (y < 0 || y >= picture.height())
            continue;
        const std::uint32_t* row = picture.Row(static_cast<int>(y));
        bool inkedRow = false;
        for (int x = 0; x < W; ++x) {
            const long long px = left + x;
            if (px < 0 || px >= picture.width() ||
                !IsCellInk(ColourDistance(row[px] & kColourMask, cell.bg), cellContrast, HalfWay::Ink))
                continue;
            if (side < 0 ? x >= edge : x < W - edge)
                return false;
            inkedRow = true;
            ++inked;
        }
        if (inkedRow && nearEdge >= 0 && nearEdge < picture.width() &&
            IsCellInk(ColourDistance(row[nearEdge] & kColourMask, near.bg), nearContrast, HalfWay::Ink))
            meets = true;
    }
    return meets && (inked <= kOverhangPixels || 2 * cellContrast < nearContrast);
}

}  // namespace

std::uint32_t ShownForeground(const CellColours& cell)
{
    if (cell.bSecond && kNearDenominator * ColourDistance(cell.fg, cell.secondFg) <= ColourDistance(cell.secondFg, cell.bg))
        return cell.secondFg;
    return cell.fg;
}

CellColours MeasureCell(const CRaster& picture, long long left, long long top, int width, int height)
{
    const CellCounts counts = CountCell(picture, left, top, width, height);
    int first = 0, second = 0;
    TwoMostCommon(counts, first, second);
    return FromCounts(counts, first >= 0 ? counts.colours[static_cast<std::size_t>(first)].colour : 0xFFFFFF);
}

std::vector<std::vector<CellColours>> MeasureColours(const CRaster& picture, const PageGrid& grid)
{
    std::vector<std::vector<CellColours>> colours;
    colours.reserve(grid.lines.size());
    std::vector<CellCounts> counts;
    for (const LineGrid& line : grid.lines) {
        const int n = std::max(line.cells, 0);
        counts.assign(static_cast<std::size_t>(n), CellCounts{});
        std::vector<CellColours> cells(static_cast<std::size_t>(n));
        std::vector<std::uint8_t> even(static_cast<std::size_t>(n), 0);
        std::vector<std::uint32_t> other(static_cast<std::size_t>(n), 0);
        for (int c = 0; c < n; ++c) {
            CellCounts& k = counts[static_cast<std::size_t>(c)];
            k = CountCell(picture, line.CellLeft(c), line.top, line.cellWidth, line.cellHeight);
            int first = 0, second = 0;
            TwoMostCommon(k, first, second);
            if (first < 0)
                continue;
            cells[static_cast<std::size_t>(c)] = FromCounts(k, k.colours[static_cast<std::size_t>(first)].colour);
            if (second >= 0 && 10 * k.colours[static_cast<std::size_t>(second)].count >=
                                   kEvenShareTenths * line.cellWidth * line.cellHeight) {
                even[static_cast<std::size_t>(c)] = 1;
                other[static_cast<std::size_t>(c)] = k.colours[static_cast<std::size_t>(second)].colour;
            }
        }
        // A cell of two even colours takes as background the one a neighbour of uneven colours
        // has as its background, when only the second is.
        for (int c = 0; c < n; ++c) {
            if (!even[static_cast<std::size_t>(c)])
                continue;
            auto neighbourBg = [&](std::uint32_t colour) {
                for (int d : {-1, 1}) {
                    const int m = c + d;
                    if (m >= 0 && m < n && !even[static_cast<std::size_t>(m)] && cells[static_cast<std::size_t>(m)].bg == colour)
                        return true;
                }
                return false;
            };
            const std::uint32_t second = other[static_cast<std::size_t>(c)];
            if (neighbourBg(second) && !neighbourBg(cells[static_cast<std::size_t>(c)].bg))
                cells[static_cast<std::size_t>(c)] = FromCounts(counts[static_cast<std::size_t>(c)], second);
        }
        // A cell whose ink is too thin to reach its colour takes the foreground of the nearest
        // cell with the same background whose colour its farthest pixel is a blend of.
        for (int c = 0; c < n; ++c) {
            CellColours& cell = cells[static_cast<std::size_t>(c)];
            if (cell.bUniform || cell.fgPixels >= kSolidInkPixels)
                continue;
            const std::uint32_t farthest = cell.fg;
            for (int d = 1; d < n; ++d) {
                bool found = false;
                for (int m : {c - d, c + d}) {
                    if (m < 0 || m >= n)
                        continue;
                    const CellColours& near = cells[static_cast<std::size_t>(m)];
                    if (near.bUniform || near.fgPixels < kSolidInkPixels || near.bg != cell.bg ||
                        !IsBlend(farthest, cell.bg, near.fg))
                        continue;
                    cell.fg = near.fg;
                    found = true;
                    break;
                }
                if (found || (c - d < 0 && c + d >= n))
                    break;
            }
        }
        // A glyph's edge reaching over into a cell beside it: faint ink at the border, against
        // the glyph's own there.
        for (int c = 0; c < n; ++c)
            for (int side : {-1, 1})
                if (const int m = c + side; m >= 0 && m < n &&
                                            IsOverhang(picture, line, c, cells[static_cast<std::size_t>(c)], side,
                                                       cells[static_cast<std::size_t>(m)])) {
                    CellColours& cell = cells[static_cast<std::size_t>(c)];
                    cell.fg = cell.bg;
                    cell.fgPixels = 0;
                    cell.bUniform = true;
                }
        colours.push_back(std::move(cells));
    }
    // Second foregrounds: per background, the foregrounds of the cells; a cell whose foreground
    // is a blend towards farther ones takes the farthest.
    std::map<std::uint32_t, std::set<std::uint32_t>> used;
    for (const auto& line : colours)
        for (const CellColours& cell : line)
            if (!cell.bUniform)
                used[cell.bg].insert(cell.fg);
    std::map<std::uint32_t, std::vector<std::pair<int, std::uint32_t>>> farthestFirst;  // per bg: (distance, fg)
    for (const auto& [bg, fgs] : used) {
        auto& list = farthestFirst[bg];
        for (const std::uint32_t fg : fgs)
            list.emplace_back(ColourDistance(fg, bg), fg);
        std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    }
    for (auto& line : colours)
        for (CellColours& cell : line) {
            if (cell.bUniform)
                continue;
            const int own = ColourDistance(cell.fg, cell.bg);
            for (const auto& [distance, fg] : farthestFirst[cell.bg]) {
                if (distance <= own)
                    break;
                if (IsBlend(cell.fg, cell.bg, fg)) {
                    cell.secondFg = fg;
                    cell.bSecond = true;
                    break;
                }
            }
        }
    return colours;
}

void RereadCells(const CRaster& picture, InkBits& cellInk, std::vector<PageLine>& lines,
                 std::vector<std::vector<CellColours>>& colours, const PageGlyphs& glyphs, double coefficient,
                 MatchPath path)
{
    if (glyphs.Rows() == 0)
        return;
    CAlignedBytes captured(glyphs.Stride());
    CAlignedBytes kept(glyphs.Stride());
    std::vector<std::int32_t> costs(static_cast<std::size_t>(glyphs.Rows()));
    std::vector<int> scratch;
    const int W = glyphs.width;
    const int H = glyphs.height;
    // Captures the cell's ink against bg and fg (half way taken as ink unless told); false when it
    // has none.
    auto capture = [&](const PageLine& line, const CellPlace& place, std::uint32_t bg, std::uint32_t fg,
                       HalfWay halfWay = HalfWay::Ink) {
        const int contrast = ColourDistance(fg, bg);
        std::fill(captured.data(), captured.data() + captured.size(), std::uint8_t{0});
        bool inked = false;
        for (int r = 0; r < H; ++r) {
            const long long y = line.Top() + r;
            if (y < 0 || y >= picture.height())
                continue;
            const std::uint32_t* row = picture.Row(static_cast<int>(y));
            for (int x = 0; x < W; ++x) {
                const long long px = place.pixel + x;
                if (px < 0 || px >= picture.width() || !IsCellInk(ColourDistance(row[px] & kColourMask, bg), contrast, halfWay))
                    continue;
                captured.data()[static_cast<std::size_t>(r) * glyphs.bytesPerRow + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
                inked = true;
            }
        }
        return inked;
    };
    auto read = [&](const CellPlace& place, bool inked) {
        PageCell cell;
        if (inked) {
            XorPopcountRows(path, captured.data(), glyphs.Matrix(place.phase).Data(), glyphs.Stride(),
                            static_cast<std::size_t>(glyphs.Rows()), costs.data());
            cell = ReadCell(glyphs, costs.data(), coefficient, scratch);
        } else {
            cell.bBlank = true;
            cell.variants.push_back({U' ', 0});
        }
        return cell;
    };
    for (std::size_t l = 0; l < lines.size() && l < colours.size(); ++l) {
        PageLine& line = lines[l];
        const std::size_t n = std::min(line.cells.size(), colours[l].size());
        // Whether a cell beside c has bg as its background.
        auto besideOn = [&](std::size_t c, std::uint32_t bg) {
            return (c > 0 && colours[l][c - 1].bg == bg) || (c + 1 < n && colours[l][c + 1].bg == bg);
        };
        for (std::size_t c = 0; c < n; ++c) {
            CellColours& cell = colours[l][c];
            PageCell& first = line.cells[c];
            if (first.bBlank)
                continue;
            const CellPlace place = line.grid.Place(static_cast<int>(c));
            const bool bold = first.face == GlyphFace::Bold || first.face == GlyphFace::BoldItalic;
            bool changed = false;
            // The farther foreground: an exact reading cannot be bettered, but a bold one may be
            // the blends of a thinner stem taken as ink.
            if (cell.bSecond && (first.best > 0 || bold)) {
                // Half way matched both ways, as the first reading was.
                bool inked = capture(line, place, cell.bg, cell.secondFg, HalfWay::Paper);
                PageCell second = read(place, inked);
                std::copy(captured.data(), captured.data() + captured.size(), kept.data());
                const bool paperInked = inked;
                const bool halfWayInked = capture(line, place, cell.bg, cell.secondFg);
                if (PageCell halfWay = read(place, halfWayInked); halfWay.best < second.best) {
                    second = std::move(halfWay);
                    inked = halfWayInked;
                } else {
                    std::copy(kept.data(), kept.data() + kept.size(), captured.data());
                    inked = paperInked;
                }
                const bool thinner = bold && second.face != GlyphFace::Bold && second.face != GlyphFace::BoldItalic;
                const bool wins = second.best < first.best || (second.best == first.best && thinner);
                if (wins && (inked || cell.fgPixels < kSolidInkPixels || IsUnsure(first, W, H))) {
                    second.style = first.style;
                    first = std::move(second);
                    cell.fg = cell.secondFg;
                    std::copy(captured.data(), captured.data() + captured.size(), kept.data());
                    changed = true;
                }
            }
            // The colours the other way round, where the foreground covers a large part of the cell
            // or is the background of a cell beside while the background is not (a block element,
            // a cursor on a character): the reading that costs less, or among equals the one whose
            // background a cell beside has.
            const bool strayBackground = !besideOn(c, cell.bg) && besideOn(c, cell.fg);
            if ((cell.fgPixels * kSwapShareDenominator >= W * H || strayBackground) && cell.fg != cell.bg) {
                const bool inked = capture(line, place, cell.fg, cell.bg);
                PageCell swapped = read(place, inked);
                const bool wins = swapped.best < first.best ||
                                  (swapped.best == first.best && besideOn(c, cell.fg) && !besideOn(c, cell.bg));
                if (wins) {
                    swapped.style = first.style;
                    first = std::move(swapped);
                    std::swap(cell.bg, cell.fg);
                    cell.bSecond = false;
                    std::copy(captured.data(), captured.data() + captured.size(), kept.data());
                    changed = true;
                }
            }
            if (!changed)
                continue;
            // The cell's ink follows the reading.
            for (int r = 0; r < H; ++r) {
                const long long y = line.Top() + r;
                if (y < 0 || y >= cellInk.height)
                    continue;
                std::uint64_t* bits = cellInk.Row(static_cast<int>(y));
                for (int x = 0; x < W; ++x) {
                    const long long px = place.pixel + x;
                    if (px < 0 || px >= cellInk.width)
                        continue;
                    const std::uint64_t bit = std::uint64_t{1} << (63 - px % 64);
                    if ((kept.data()[static_cast<std::size_t>(r) * glyphs.bytesPerRow + x / 8] >> (7 - x % 8)) & 1U)
                        bits[px / 64] |= bit;
                    else
                        bits[px / 64] &= ~bit;
                }
            }
        }
    }
    cellInk.CountRows();
}

InkBits CellInk(const CRaster& picture, const InkBits& searchInk, const PageGrid& grid,
                const std::vector<std::vector<CellColours>>& colours, const std::vector<SolidStrip>& strips,
                HalfWay halfWay)
{
    InkBits ink = searchInk;
    for (std::size_t l = 0; l < grid.lines.size() && l < colours.size(); ++l) {
        const LineGrid& line = grid.lines[l];
        for (int c = 0; c < line.cells && static_cast<std::size_t>(c) < colours[l].size(); ++c) {
            const CellColours& cell = colours[l][static_cast<std::size_t>(c)];
            const int contrast = cell.Contrast();
            // Where the two rules agree the search's bits are the cell's.
            if (!searchInk.bLocal && cell.bg == searchInk.background && contrast / 2 == searchInk.threshold &&
                (halfWay == HalfWay::Paper || contrast % 2 == 1))
                continue;
            const long long left = line.CellLeft(c);
            const long long x0 = std::max<long long>(left, 0);
            const long long x1 = std::min<long long>(left + line.cellWidth, picture.width());
            const long long y0 = std::max<long long>(line.top, 0);
            const long long y1 = std::min<long long>(static_cast<long long>(line.top) + line.cellHeight, picture.height());
            for (long long y = y0; y < y1; ++y) {
                const std::uint32_t* row = picture.Row(static_cast<int>(y));
                std::uint64_t* bits = ink.Row(static_cast<int>(y));
                for (long long x = x0; x < x1; ++x) {
                    const std::uint64_t bit = std::uint64_t{1} << (63 - x % 64);
                    if (!cell.bUniform && IsCellInk(ColourDistance(row[x] & kColourMask, cell.bg), contrast, halfWay))
                        bits[x / 64] |= bit;
                    else
                        bits[x / 64] &= ~bit;
                }
            }
        }
    }
    ClearStrips(ink, strips);
    ink.CountRows();
    return ink;
}
