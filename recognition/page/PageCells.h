#pragma once

// The fourth stage of the page reader: every cell of the grid compared with every glyph and
// read by the cell rule. The grid search compares cells the same way, so the glyphs, the
// capture of a cell from the ink and the matcher live here.

#include "CGlyphMatrix.h"
#include "CellRule.h"
#include "GlyphSet.h"
#include "PageGrid.h"
#include "PageInk.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// One variant of a cell: a glyph and its match cost.
struct PageVariant {
    char32_t code = U' ';
    int cost = 0;

    bool operator==(const PageVariant&) const = default;
};

// How a screen drew a cell: its colours and attributes.
struct CellStyle {
    std::uint32_t fg = 0x000000;  // 0xRRGGBB; a blank cell takes the foreground around it
    std::uint32_t bg = 0xFFFFFF;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool inverse = false;  // the screen's default colours the other way round

    bool operator==(const CellStyle&) const = default;
};

// One matched cell, read by the page's cell rule (CellRule::Page): the best glyph, the least
// and greatest comparable cost, the variants within the coefficient's reach and the codes tied
// with the best. A cell without ink reads as a space with cost 0.
struct PageCell {
    char32_t code = U' ';
    int glyph = -1;  // index of the best glyph in the glyph set; -1 for a blank cell
    GlyphFace face = GlyphFace::Regular;
    int best = 0;
    int worst = 0;
    bool bBlank = false;
    bool bFaceTie = false;  // the same code in another face costs exactly best too
    int group = -1;  // the page's group of cells of this very image (and phase); -1 for a blank cell
    std::vector<PageVariant> variants;
    std::vector<char32_t> ties;  // codes whose glyphs cost exactly best, in glyph order
    // Codes whose glyphs cost at most a few pixels more than best (the ties among them), cheapest
    // first, that the context may choose instead: a look-alike drawn a pixel apart (3 and З).
    std::vector<char32_t> alike;
    CellStyle style;
};

// A cell whose best glyph still differs from the picture in more than a tenth of its W x H
// pixels is an unsure reading; a blank cell never is.
bool IsUnsure(const PageCell& cell, int cellWidth, int cellHeight);

// One line of the page.
struct PageLine {
    LineGrid grid;   // where its cells lie
    int column = 0;  // page column of its first cell, after the blank columns common to all lines
    std::vector<PageCell> cells;
    std::string text;       // UTF-8, indentation kept, trailing blanks trimmed
    bool bComplex = false;  // a dictionary step chose its characters
    bool bNoCut = false;    // the dictionary step ran and found no cut: the Simple reading stays

    int Top() const { return grid.top; }
    int Left() const { return grid.left; }
    int Row() const { return grid.row; }
    PixelRect CellRect(int c) const { return grid.CellRect(c); }
    long long Cost() const;  // sum of its cells' best costs
};

namespace pagecells {

// Cells captured and matched together, as Simple recognition does.
inline constexpr int kBlockCells = 16;

// No bound on a sum of costs.
inline constexpr long long kNoBound = 0x7FFFFFFFFFFFFFFFLL;

inline long long FloorDiv(long long a, long long b)
{
    const long long q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

inline long long Mod(long long a, long long b)
{
    return a - FloorDiv(a, b) * b;
}

// 64 bits of a row of the ink from pixel x on, pixel x in bit 63; pixels outside the row are 0.
inline std::uint64_t InkWord(const InkBits& ink, const std::uint64_t* row, long long x)
{
    if (x >= ink.width || x <= -64)
        return 0;
    const long long index = x >> 6;  // rounds toward minus infinity, as C++20 defines it
    const int shift = static_cast<int>(x & 63);
    const std::uint64_t high = index >= 0 ? row[index] : 0;
    if (shift == 0)
        return high;
    const std::uint64_t low = index + 1 < ink.wordsPerRow ? row[index + 1] : 0;
    return (high << shift) | (low >> (64 - shift));
}

}  // namespace pagecells

// The order in which the page's cell rule breaks ties between identical glyphs, lower first: a
// printable character (a rare letter after the others, as the palochka after l), a space, a
// control code.
std::uint8_t RankOf(char32_t code);

// The glyphs of a glyph set packed for matching, one matrix a phase, with the order in which the
// cell rule breaks ties (RankOf).
struct PageGlyphs {
    const GlyphSet* set = nullptr;
    int width = 0;
    int height = 0;
    int bytesPerRow = 0;
    int phases = 1;
    std::vector<CGlyphMatrix> matrices;  // per phase, the glyphs in the set's order
    std::vector<std::uint8_t> rank;      // per glyph: RankOf its code

    int Rows() const { return matrices.empty() ? 0 : matrices.front().Rows(); }
    std::size_t Stride() const { return matrices.empty() ? 0 : matrices.front().Stride(); }
    const CGlyphMatrix& Matrix(int phase) const { return matrices[static_cast<std::size_t>(phase)]; }
    char32_t CodeOf(int row) const { return set->codes[static_cast<std::size_t>(row)]; }

    // Packs the glyphs of set, which must outlive this value; an empty set has none.
    void Build(const GlyphSet& glyphSet);
};

// Copies the W x H cell whose top-left pixel is (left, top) out of the ink, in the glyph
// layout; pixels outside the picture are paper. Returns false when the cell holds no ink.
bool CaptureInkCell(const InkBits& ink, const PageGlyphs& glyphs, long long left, long long top, std::uint8_t* out);

// The least and greatest of n > 0 costs; wide: with AVX2.
void CostRange(bool wide, const std::int32_t* costs, int n, std::int32_t& least, std::int32_t& most);

// Captures and matches cells against the packed glyphs: the costs of cell c are
// Costs(c)[0..Rows() - 1], in glyph order.
class CCellMatcher {
public:
    CCellMatcher(const InkBits& ink, const PageGlyphs& glyphs, MatchPath path);

    // Matches up to kBlockCells cells of one row of the grid, each at its pixel and against the
    // glyphs of its phase.
    void Match(long long top, const CellPlace* places, int count);

    const std::int32_t* Costs(int c) const {
        return m_Costs.data() + static_cast<std::size_t>(m_nSlot[c]) * m_Glyphs.Rows();
    }
    // Whether cell c of the last Match held ink.
    bool Inked(int c) const { return m_bInked[c]; }
    // Cell c of the last Match as captured, in the glyph layout, Stride() bytes.
    const std::uint8_t* Captured(int c) const {
        return m_Block.data() + static_cast<std::size_t>(m_nSlot[c]) * m_Glyphs.Stride();
    }
    bool Wide() const { return m_bWide; }

    // The least cost of each cell, summed over the cells at places. The sum stops growing once
    // it exceeds bound: cells are matched one, two, then four at a time and the rest left out.
    // A cell whose image (and phase) was matched before takes its least from then.
    long long SumOfBest(long long top, const std::vector<CellPlace>& places, long long bound = pagecells::kNoBound);

private:
    // The least costs of count cells, summed, each image matched once.
    long long SumOfLeast(long long top, const CellPlace* places, int count);

    const InkBits& m_Ink;
    const PageGlyphs& m_Glyphs;
    MatchPath m_Path;
    bool m_bWide;  // AVX2 for the cost ranges
    CAlignedBytes m_Block;
    std::vector<std::int32_t> m_Costs;
    CAlignedBytes m_Cell;                                  // a cell captured to be looked up
    std::unordered_map<std::string, std::int32_t> m_Least;  // phase and image -> least cost
    std::vector<std::string> m_Keys;                        // of the cells a block matches
    bool m_bInked[pagecells::kBlockCells] = {};
    int m_nSlot[pagecells::kBlockCells] = {};  // where cell c's costs lie in the block
};

// Reads one cell from its costs by the page's cell rule; coefficient is k of the variants.
PageCell ReadCell(const PageGlyphs& glyphs, const std::int32_t* costs, double coefficient, std::vector<int>& scratch);

// Matches every cell of every line of the grid against the glyphs, comparing exactly the W x H
// pixels of each. Cells cut by the picture's edge read their missing pixels as paper. Cells of one
// image at one phase are one group, matched once. With other, a second ink of the same cells
// (pixels that either may be), each glyph costs the less of its costs against the two.
std::vector<PageLine> MatchCells(const InkBits& ink, const PageGlyphs& glyphs, const PageGrid& grid, double coefficient,
                                 MatchPath path = FastestMatchPath(), const InkBits* other = nullptr);
