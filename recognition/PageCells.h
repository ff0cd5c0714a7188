#pragma once

// The cells of a page as the grid search and the matching both read them: glyphs packed with
// the bits past their width cleared, cells captured from the ink mask by bit extraction, and
// both compared with the run-time chosen kernels.

#include "CGlyphMatrix.h"
#include "PageReader.h"

#include <cstdint>
#include <vector>

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

// The glyphs of one cell size packed for matching, the bits past the width cleared so that
// only the W x H pixels of a glyph count.
struct PageGlyphs {
    int width = 0;
    int height = 0;
    int bytesPerRow = 0;
    CGlyphMatrix matrix;  // packed with the bits past the width cleared

    int Rows() const { return matrix.Rows(); }
    std::size_t Stride() const { return matrix.Stride(); }
    std::uint8_t CodeOf(int row) const { return matrix.CodeOf(row); }

    // Packs the glyphs of the codes first..last whose width and height equal the cell's; a
    // cell of no pixels has none.
    void Build(const CCharImageFont& font, int cellWidth, int cellHeight);
};

// Copies the W x H cell whose top-left pixel is (left, top) out of the ink, in the glyph
// layout; pixels outside the picture are paper. Returns false when the cell holds no ink.
bool CaptureInkCell(const InkBits& ink, const PageGlyphs& glyphs, long long left, long long top,
                    std::uint8_t* out);

// The least and greatest of n > 0 costs; wide: with AVX2.
void CostRange(bool wide, const std::int32_t* costs, int n, std::int32_t& least, std::int32_t& most);

// Captures and matches cells against the packed glyphs: the costs of cell c are
// Costs(c)[0..Rows() - 1], in glyph order.
class CCellMatcher {
public:
    CCellMatcher(const InkBits& ink, const PageGlyphs& glyphs, MatchPath path)
        : m_Ink(ink), m_Glyphs(glyphs), m_Path(path), m_bWide(path == MatchPath::Avx2 || path == MatchPath::Avx512),
          m_Block(glyphs.Stride() * kBlockCells),
          m_Costs(static_cast<std::size_t>(glyphs.Rows()) * kBlockCells)
    {
    }

    // Matches up to kBlockCells cells of one row of the grid; inked[c] tells whether cell c
    // held ink.
    void Match(long long top, const long long* lefts, int count)
    {
        for (int c = 0; c < count; ++c)
            m_bInked[c] = CaptureInkCell(m_Ink, m_Glyphs, lefts[c], top, m_Block.data() + c * m_Glyphs.Stride());
        XorPopcountBlock(m_Path, m_Block.data(), count, m_Glyphs.matrix.Data(), m_Glyphs.Stride(),
                         static_cast<std::size_t>(m_Glyphs.Rows()), m_Costs.data());
    }

    const std::int32_t* Costs(int c) const { return m_Costs.data() + static_cast<std::size_t>(c) * m_Glyphs.Rows(); }
    bool Inked(int c) const { return m_bInked[c]; }

    // The least cost of each cell, summed over the cells at lefts. The sum stops growing once
    // it exceeds bound: cells are matched one, two, then four at a time and the rest left out.
    long long SumOfBest(long long top, const std::vector<long long>& lefts, long long bound = kNoBound)
    {
        long long sum = 0;
        std::size_t step = bound == kNoBound ? kBlockCells : 1;
        for (std::size_t first = 0; first < lefts.size() && sum <= bound;) {
            const int count = static_cast<int>(std::min(step, lefts.size() - first));
            Match(top, lefts.data() + first, count);
            for (int c = 0; c < count; ++c) {
                std::int32_t least = 0, most = 0;
                CostRange(m_bWide, Costs(c), m_Glyphs.Rows(), least, most);
                sum += least;
            }
            first += static_cast<std::size_t>(count);
            if (step < 4)
                step *= 2;
        }
        return sum;
    }

private:
    const InkBits& m_Ink;
    const PageGlyphs& m_Glyphs;
    MatchPath m_Path;
    bool m_bWide;  // AVX2 for the cost ranges
    CAlignedBytes m_Block;
    std::vector<std::int32_t> m_Costs;
    bool m_bInked[kBlockCells] = {};
};

}  // namespace pagecells
