#include "PageAttributes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <map>

namespace {

// A line across a cell is an attribute when matching the cell without its rows saves at least
// this share of a cell's width: an underlined letter differs from its glyph by most of a row.
constexpr int kAttributeGainDenominator = 2;

// Colours within this many levels of each other are the same colour to the reverse-video rule:
// a screen's colours are exact, rounding in a converted picture is not.
constexpr int kSameColour = 8;

bool SameColour(std::uint32_t a, std::uint32_t b)
{
    return ColourDistance(a, b) <= kSameColour;
}

// Box drawing and block elements are drawn across whole cells: a line through one is its own.
bool DrawnAcross(char32_t code)
{
    return code >= 0x2500 && code <= 0x259F;
}

bool IsBold(GlyphFace face)
{
    return face == GlyphFace::Bold || face == GlyphFace::BoldItalic;
}

bool IsItalic(GlyphFace face)
{
    return face == GlyphFace::Italic || face == GlyphFace::BoldItalic;
}

// Whether a captured cell holds ink outside the rows of mask.
bool InkOutside(const std::uint8_t* cell, int height, int bytesPerRow, std::uint64_t mask)
{
    for (int r = 0; r < height; ++r) {
        if (r < 64 && ((mask >> r) & 1U))
            continue;
        for (int b = 0; b < bytesPerRow; ++b)
            if (cell[r * bytesPerRow + b] != 0)
                return true;
    }
    return false;
}

// The cell read again as matched without the rows of mask, its style kept.
PageCell ReadWithout(const PageGlyphs& glyphs, const std::uint8_t* captured, int phase, std::uint64_t mask,
                     double coefficient, std::vector<std::int32_t>& costs, std::vector<int>& scratch)
{
    costs.resize(static_cast<std::size_t>(glyphs.Rows()));
    MaskedCosts(glyphs, phase, captured, mask, costs.data());
    return ReadCell(glyphs, costs.data(), coefficient, scratch);
}

// Marks the style of a cell crossed by the lines of rows (bit r: row r): an underline at or below
// the row above the baseline, a strike-through above it.
void MarkLines(CellStyle& style, std::uint64_t rows, int baseline)
{
    for (int r = 0; r < 64; ++r)
        if ((rows >> r) & 1U) {
            if (r >= baseline - 1)
                style.underline = true;
            else
                style.strike = true;
        }
}

}  // namespace

DefaultColours FindDefaultColours(const std::vector<PageLine>& lines, const std::vector<std::vector<CellColours>>& colours)
{
    DefaultColours defaults;
    std::map<std::uint32_t, long long> backgrounds;
    for (const auto& line : colours)
        for (const CellColours& cell : line)
            ++backgrounds[cell.bg];
    if (backgrounds.empty())
        return defaults;
    defaults.bg = std::max_element(backgrounds.begin(), backgrounds.end(),
                                   [](const auto& a, const auto& b) { return a.second < b.second; })
                      ->first;
    std::map<std::uint32_t, long long> foregrounds;
    for (std::size_t l = 0; l < colours.size() && l < lines.size(); ++l)
        for (std::size_t c = 0; c < colours[l].size() && c < lines[l].cells.size(); ++c)
            if (!colours[l][c].bUniform && colours[l][c].bg == defaults.bg && !lines[l].cells[c].bBlank)
                ++foregrounds[ShownForeground(colours[l][c])];
    defaults.fg = foregrounds.empty() ? (ColourDistance(defaults.bg, 0) > 127 ? 0x000000 : 0xFFFFFF)
                                      : std::max_element(foregrounds.begin(), foregrounds.end(), [](const auto& a, const auto& b) {
                                            return a.second < b.second;
                                        })->first;
    return defaults;
}

std::uint64_t FullRows(const std::uint8_t* cell, int width, int height, int bytesPerRow)
{
    std::uint64_t rows = 0;
    for (int r = 0; r < height && r < 64; ++r) {
        const std::uint8_t* row = cell + static_cast<std::size_t>(r) * bytesPerRow;
        bool full = width > 0;
        for (int x = 0; x < width && full; ++x)
            full = ((row[x / 8] >> (7 - x % 8)) & 1U) != 0;
        if (full)
            rows |= std::uint64_t{1} << r;
    }
    return rows;
}

void MaskedCosts(const PageGlyphs& glyphs, int phase, const std::uint8_t* cell, std::uint64_t maskedRows,
                 std::int32_t* costs)
{
    static constexpr auto kBits = [] {
        std::array<std::uint8_t, 256> bits{};
        for (int i = 0; i < 256; ++i)
            bits[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(std::popcount(static_cast<unsigned>(i)));
        return bits;
    }();
    const CGlyphMatrix& matrix = glyphs.Matrix(phase);
    const int bytesPerRow = glyphs.bytesPerRow;
    // The bytes that count: every byte of the rows left in.
    std::vector<std::size_t> kept;
    for (int r = 0; r < glyphs.height; ++r)
        if (r >= 64 || ((maskedRows >> r) & 1U) == 0)
            for (int b = 0; b < bytesPerRow; ++b)
                kept.push_back(static_cast<std::size_t>(r) * bytesPerRow + b);
    for (int g = 0; g < glyphs.Rows(); ++g) {
        const std::uint8_t* glyph = matrix.Row(g);
        int cost = 0;
        for (const std::size_t at : kept)
            cost += kBits[static_cast<std::uint8_t>(cell[at] ^ glyph[at])];
        costs[g] = cost;
    }
}

void ReadAttributes(std::vector<PageLine>& lines, const std::vector<std::vector<CellColours>>& colours,
                    const InkBits& ink, const PageGlyphs& glyphs, double coefficient, const DefaultColours& defaults)
{
    if (glyphs.Rows() == 0)
        return;
    const int W = glyphs.width;
    const int H = glyphs.height;
    const int baseline = glyphs.set != nullptr ? glyphs.set->baseline : H;
    CAlignedBytes captured(glyphs.Stride());
    std::vector<std::int32_t> costs;
    std::vector<int> scratch;
    for (std::size_t l = 0; l < lines.size() && l < colours.size(); ++l) {
        PageLine& line = lines[l];
        const int n = static_cast<int>(std::min(line.cells.size(), colours[l].size()));
        std::vector<std::uint64_t> crossed(static_cast<std::size_t>(n), 0);  // rows of an attribute's lines
        std::vector<std::uint64_t> pending(static_cast<std::size_t>(n), 0);  // rows of a possible underlined space
        for (int c = 0; c < n; ++c) {
            PageCell& cell = line.cells[static_cast<std::size_t>(c)];
            const CellColours& measured = colours[l][static_cast<std::size_t>(c)];
            cell.style = CellStyle{};
            cell.style.bg = measured.bg;
            cell.style.fg = ShownForeground(measured);
            // Lines across an exact reading, or across a cell that reads as box drawing, are the
            // glyph's own; a reading that costs less than the gain asked cannot gain it.
            if (cell.bBlank || cell.best == 0 || DrawnAcross(cell.code) || kAttributeGainDenominator * cell.best < W)
                continue;
            const CellPlace place = line.grid.Place(c);
            std::fill(captured.data(), captured.data() + captured.size(), std::uint8_t{0});
            CaptureInkCell(ink, glyphs, place.pixel, line.Top(), captured.data());
            const std::uint64_t full = FullRows(captured.data(), W, H, glyphs.bytesPerRow);
            if (full == 0)
                continue;
            PageCell without = ReadWithout(glyphs, captured.data(), place.phase, full, coefficient, costs, scratch);
            if (!InkOutside(captured.data(), H, glyphs.bytesPerRow, full)) {
                if (without.code == U' ' && cell.best > 0)
                    pending[static_cast<std::size_t>(c)] = full;
                continue;
            }
            if (DrawnAcross(without.code) || kAttributeGainDenominator * (cell.best - without.best) < W)
                continue;
            without.style = cell.style;
            cell = std::move(without);
            crossed[static_cast<std::size_t>(c)] = full;
            MarkLines(cell.style, full, baseline);
        }
        // Underlined spaces: a cell of nothing but the lines of its underlined neighbour.
        for (bool changed = true; changed;) {
            changed = false;
            for (int c = 0; c < n; ++c) {
                const std::uint64_t rows = pending[static_cast<std::size_t>(c)];
                if (rows == 0)
                    continue;
                const bool beside = (c > 0 && crossed[static_cast<std::size_t>(c - 1)] == rows) ||
                                    (c + 1 < n && crossed[static_cast<std::size_t>(c + 1)] == rows);
                if (!beside)
                    continue;
                PageCell& cell = line.cells[static_cast<std::size_t>(c)];
                const CellStyle style = cell.style;
                cell = PageCell{};
                cell.style = style;
                cell.variants.push_back({U' ', 0});
                MarkLines(cell.style, rows, baseline);
                crossed[static_cast<std::size_t>(c)] = rows;
                pending[static_cast<std::size_t>(c)] = 0;
                changed = true;
            }
        }
        // Faces: a cell that reads alike in two faces takes the face of the nearest cell beside
        // it, in the same colours without a break, that does not.
        auto sameRun = [&](const PageCell& a, const PageCell& b) {
            return a.style.bg == b.style.bg && (a.bBlank || b.bBlank || a.style.fg == b.style.fg);
        };
        for (int c = 0; c < n; ++c) {
            PageCell& cell = line.cells[static_cast<std::size_t>(c)];
            if (cell.glyph < 0)
                continue;
            GlyphFace face = cell.face;
            if (cell.bFaceTie) {
                int nearest = -1;
                for (int step : {-1, 1}) {
                    for (int m = c + step; m >= 0 && m < n && sameRun(line.cells[static_cast<std::size_t>(m)], cell); m += step) {
                        const PageCell& near = line.cells[static_cast<std::size_t>(m)];
                        if (near.glyph < 0 || near.bFaceTie)
                            continue;
                        if (nearest < 0 || std::abs(m - c) < std::abs(nearest - c))
                            nearest = m;
                        break;
                    }
                }
                if (nearest >= 0)
                    face = line.cells[static_cast<std::size_t>(nearest)].face;
            }
            cell.style.bold = IsBold(face);
            cell.style.italic = IsItalic(face);
        }
        // A blank cell takes the foreground of the nearest inked cell on the same background, or
        // the default one.
        auto inkedOn = [&](int m, std::uint32_t bg) {
            return m >= 0 && m < n && !colours[l][static_cast<std::size_t>(m)].bUniform &&
                   colours[l][static_cast<std::size_t>(m)].bg == bg;
        };
        for (int c = 0; c < n; ++c) {
            PageCell& cell = line.cells[static_cast<std::size_t>(c)];
            if (!colours[l][static_cast<std::size_t>(c)].bUniform)
                continue;
            cell.style.fg = defaults.fg;
            for (int d = 1; d < n; ++d) {
                const int m = inkedOn(c - d, cell.style.bg) ? c - d : inkedOn(c + d, cell.style.bg) ? c + d : -1;
                if (m >= 0) {
                    cell.style.fg = ShownForeground(colours[l][static_cast<std::size_t>(m)]);
                    break;
                }
            }
        }
        // Reverse video: the default foreground as the background, and the default background
        // (or nothing) as the ink.
        for (int c = 0; c < n; ++c) {
            CellStyle& style = line.cells[static_cast<std::size_t>(c)].style;
            style.inverse = !SameColour(defaults.fg, defaults.bg) && SameColour(style.bg, defaults.fg) &&
                            !SameColour(style.bg, defaults.bg) &&
                            (colours[l][static_cast<std::size_t>(c)].bUniform || SameColour(style.fg, defaults.bg));
        }
    }
}
