#include "PageCells.h"

#include <algorithm>
#include <cstring>
#include <optional>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PAGE_READER_X86 1
#else
#define PAGE_READER_X86 0
#endif

using namespace pagecells;

namespace {

// A cell is unsure when its best glyph differs in more than one pixel in this many: clean
// screens read at a few pixels a cell, a wrong font at a fifth of them and more.
constexpr long long kUnsureShareDenominator = 10;

}  // namespace

long long PageLine::Cost() const
{
    long long sum = 0;
    for (const PageCell& cell : cells)
        sum += cell.best;
    return sum;
}

bool IsUnsure(const PageCell& cell, int cellWidth, int cellHeight)
{
    if (cell.bBlank)
        return false;
    const long long pixels = static_cast<long long>(cellWidth) * cellHeight;
    return static_cast<long long>(cell.best) * kUnsureShareDenominator > pixels;
}

void PageGlyphs::Build(const GlyphSet& glyphSet)
{
    set = &glyphSet;
    width = std::max(glyphSet.cellWidth, 0);
    height = std::max(glyphSet.cellHeight, 0);
    bytesPerRow = glyphSet.BytesPerRow();
    phases = std::max(glyphSet.phases, 1);
    matrices.clear();
    matrices.resize(static_cast<std::size_t>(phases));
    for (int p = 0; p < phases; ++p)
        matrices[static_cast<std::size_t>(p)].Build(glyphSet, p);
    rank.resize(static_cast<std::size_t>(Rows()));
    for (int g = 0; g < Rows(); ++g)
        rank[static_cast<std::size_t>(g)] = static_cast<std::uint8_t>(ClassOfCode(CodeOf(g)));
}

bool CaptureInkCell(const InkBits& ink, const PageGlyphs& glyphs, long long left, long long top,
                    std::uint8_t* out)
{
    std::uint64_t any = 0;
    const int width = glyphs.width;
    const int bytesPerRow = glyphs.bytesPerRow;
    for (int r = 0; r < glyphs.height; ++r) {
        std::uint8_t* dst = out + static_cast<std::size_t>(r) * bytesPerRow;
        const long long y = top + r;
        if (y < 0 || y >= ink.height) {
            std::memset(dst, 0, static_cast<std::size_t>(bytesPerRow));
            continue;
        }
        const std::uint64_t* row = ink.words.data() + static_cast<std::size_t>(y) * ink.wordsPerRow;
        for (int chunk = 0; chunk * 64 < width; ++chunk) {
            std::uint64_t bits = InkWord(ink, row, left + chunk * 64);
            const int used = std::min(64, width - chunk * 64);
            if (used < 64)
                bits &= ~std::uint64_t{0} << (64 - used);
            any |= bits;
            const int bytes = std::min(8, bytesPerRow - chunk * 8);
            for (int b = 0; b < bytes; ++b)
                dst[chunk * 8 + b] = static_cast<std::uint8_t>(bits >> (56 - 8 * b));
        }
    }
    return any != 0;
}

#if PAGE_READER_X86

namespace {

// The least and greatest of n > 0 costs, eight at a time.
__attribute__((target("avx2")))
void CostRangeAvx2(const std::int32_t* costs, int n, std::int32_t& least, std::int32_t& most)
{
    int i = 0;
    least = costs[0];
    most = costs[0];
    if (n >= 8) {
        __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(costs));
        __m256i hi = lo;
        for (i = 8; i + 8 <= n; i += 8) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(costs + i));
            lo = _mm256_min_epi32(lo, v);
            hi = _mm256_max_epi32(hi, v);
        }
        alignas(32) std::int32_t los[8], his[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(los), lo);
        _mm256_store_si256(reinterpret_cast<__m256i*>(his), hi);
        for (int k = 0; k < 8; ++k) {
            least = std::min(least, los[k]);
            most = std::max(most, his[k]);
        }
    }
    for (; i < n; ++i) {
        least = std::min(least, costs[i]);
        most = std::max(most, costs[i]);
    }
}

}  // namespace

#endif  // PAGE_READER_X86

void CostRange([[maybe_unused]] bool wide, const std::int32_t* costs, int n, std::int32_t& least,
               std::int32_t& most)
{
#if PAGE_READER_X86
    if (wide)
        return CostRangeAvx2(costs, n, least, most);
#endif
    least = most = costs[0];
    for (int i = 1; i < n; ++i) {
        least = std::min(least, costs[i]);
        most = std::max(most, costs[i]);
    }
}

CCellMatcher::CCellMatcher(const InkBits& ink, const PageGlyphs& glyphs, MatchPath path)
    : m_Ink(ink), m_Glyphs(glyphs), m_Path(path), m_bWide(path == MatchPath::Avx2 || path == MatchPath::Avx512),
      m_Block(glyphs.Stride() * kBlockCells), m_Costs(static_cast<std::size_t>(glyphs.Rows()) * kBlockCells)
{
}

void CCellMatcher::Match(long long top, const CellPlace* places, int count)
{
    // Cells are captured into the block phase by phase, so that the cells of one phase lie side
    // by side and are matched in one call against that phase's glyphs.
    int slot = 0;
    for (int phase = 0; phase < m_Glyphs.phases && slot < count; ++phase) {
        const int first = slot;
        for (int c = 0; c < count; ++c) {
            if (places[c].phase != phase)
                continue;
            m_nSlot[c] = slot;
            m_bInked[c] = CaptureInkCell(m_Ink, m_Glyphs, places[c].pixel, top, m_Block.data() + slot * m_Glyphs.Stride());
            ++slot;
        }
        if (slot > first)
            XorPopcountBlock(m_Path, m_Block.data() + first * m_Glyphs.Stride(), slot - first,
                             m_Glyphs.Matrix(phase).Data(), m_Glyphs.Stride(), static_cast<std::size_t>(m_Glyphs.Rows()),
                             m_Costs.data() + static_cast<std::size_t>(first) * m_Glyphs.Rows());
    }
}

long long CCellMatcher::SumOfBest(long long top, const std::vector<CellPlace>& places, long long bound)
{
    long long sum = 0;
    std::size_t step = bound == kNoBound ? kBlockCells : 1;
    for (std::size_t first = 0; first < places.size() && sum <= bound;) {
        const int count = static_cast<int>(std::min(step, places.size() - first));
        Match(top, places.data() + first, count);
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

PageCell ReadCell(const PageGlyphs& glyphs, const std::int32_t* costs, double coefficient, std::vector<int>& scratch)
{
    PageCell cell;
    const int rows = glyphs.Rows();
    const CellDecision decision =
        DecideCell(CellRule::Page, costs, rows, glyphs.width * glyphs.height, glyphs.rank.data());
    cell.best = decision.best;
    cell.worst = decision.worst;
    if (!decision.Matched())
        return cell;
    cell.glyph = glyphs.Matrix(0).KeyOf(decision.bestGlyph);
    cell.code = glyphs.CodeOf(decision.bestGlyph);
    cell.face = glyphs.set->faces[static_cast<std::size_t>(cell.glyph)];
    // A blank glyph reads as a space, whatever its code: no control code reaches the text.
    if (ClassOfCode(cell.code) != CodeClass::Printable)
        cell.code = U' ';
    // The variants and the ties as the text can show them: a space (any blank glyph) once, at the
    // least of its costs, and no control code but the best glyph's own, which reads as a space.
    auto shown = [&](int g) -> std::optional<char32_t> {
        const char32_t code = glyphs.CodeOf(g);
        switch (ClassOfCode(code)) {
        case CodeClass::Printable:
            return code;
        case CodeClass::Space:
            return U' ';
        case CodeClass::Control:
            break;
        }
        return g == decision.bestGlyph ? std::optional<char32_t>(U' ') : std::nullopt;
    };
    CellVariants(decision, costs, rows, coefficient, scratch);
    for (int g : scratch) {
        const std::optional<char32_t> code = shown(g);
        if (!code)
            continue;
        const auto same = std::find_if(cell.variants.begin(), cell.variants.end(),
                                       [&](const PageVariant& v) { return v.code == *code; });
        if (same == cell.variants.end())
            cell.variants.push_back({*code, costs[g]});
        else
            same->cost = std::min(same->cost, costs[g]);
    }
    CellTies(decision, costs, rows, scratch);
    const char32_t bestCode = glyphs.CodeOf(decision.bestGlyph);
    for (int g : scratch)
        cell.bFaceTie = cell.bFaceTie || (glyphs.CodeOf(g) == bestCode &&
                                          glyphs.set->faces[static_cast<std::size_t>(glyphs.Matrix(0).KeyOf(g))] != cell.face);
    for (int g : scratch)
        if (const std::optional<char32_t> code = shown(g);
            code && std::find(cell.ties.begin(), cell.ties.end(), *code) == cell.ties.end())
            cell.ties.push_back(*code);
    return cell;
}

std::vector<PageLine> MatchCells(const InkBits& ink, const PageGlyphs& glyphs, const PageGrid& grid, double coefficient,
                                 MatchPath path, const InkBits* other)
{
    std::vector<PageLine> lines;
    const int rows = glyphs.Rows();
    if (rows == 0)
        return lines;
    CCellMatcher matcher(ink, glyphs, path);
    std::optional<CCellMatcher> otherMatcher;
    if (other != nullptr)
        otherMatcher.emplace(*other, glyphs, path);

    lines.reserve(grid.lines.size());
    std::vector<CellPlace> places(kBlockCells);
    std::vector<int> scratch;
    std::vector<std::int32_t> leastCosts(other != nullptr ? static_cast<std::size_t>(rows) : 0);
    CAlignedBytes otherCell(other != nullptr ? glyphs.Stride() : 0);
    std::vector<CellPlace> otherPlaces(kBlockCells);
    std::vector<int> otherSlot(kBlockCells, -1);  // per cell of the block: its place among otherPlaces, or -1
    for (const LineGrid& lineGrid : grid.lines) {
        PageLine line;
        line.grid = lineGrid;
        const long long pitch = lineGrid.Pitch64();
        line.column = static_cast<int>(FloorDiv(lineGrid.left64 - grid.originX64 + pitch / 2, pitch));
        line.cells.resize(static_cast<std::size_t>(std::max(lineGrid.cells, 0)));
        for (int first = 0; first < lineGrid.cells; first += kBlockCells) {
            const int count = std::min(kBlockCells, lineGrid.cells - first);
            for (int c = 0; c < count; ++c)
                places[static_cast<std::size_t>(c)] = lineGrid.Place(first + c);
            matcher.Match(lineGrid.top, places.data(), count);
            // The other ink is matched only where it differs.
            int differing = 0;
            if (otherMatcher) {
                for (int c = 0; c < count; ++c) {
                    std::fill(otherCell.data(), otherCell.data() + otherCell.size(), std::uint8_t{0});
                    CaptureInkCell(*other, glyphs, places[static_cast<std::size_t>(c)].pixel, lineGrid.top, otherCell.data());
                    otherSlot[static_cast<std::size_t>(c)] = -1;
                    if (std::memcmp(otherCell.data(), matcher.Captured(c), glyphs.Stride()) != 0) {
                        otherSlot[static_cast<std::size_t>(c)] = differing;
                        otherPlaces[static_cast<std::size_t>(differing++)] = places[static_cast<std::size_t>(c)];
                    }
                }
                if (differing > 0)
                    otherMatcher->Match(lineGrid.top, otherPlaces.data(), differing);
            }
            for (int c = 0; c < count; ++c) {
                PageCell& cell = line.cells[static_cast<std::size_t>(first + c)];
                const std::int32_t* costs = matcher.Costs(c);
                bool inked = matcher.Inked(c);
                if (otherMatcher && otherSlot[static_cast<std::size_t>(c)] >= 0) {
                    const int slot = otherSlot[static_cast<std::size_t>(c)];
                    const std::int32_t* otherCosts = otherMatcher->Costs(slot);
                    for (int g = 0; g < rows; ++g)
                        leastCosts[static_cast<std::size_t>(g)] = std::min(costs[g], otherCosts[g]);
                    costs = leastCosts.data();
                    inked = inked || otherMatcher->Inked(slot);
                }
                // A cell without ink reads as a space with cost 0, whatever the font's space.
                if (!inked) {
                    cell.bBlank = true;
                    cell.variants.push_back({U' ', 0});
                    continue;
                }
                cell = ReadCell(glyphs, costs, coefficient, scratch);
            }
        }
        lines.push_back(std::move(line));
    }
    return lines;
}
