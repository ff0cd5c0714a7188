#include "PageCells.h"

#include "PageScripts.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <unordered_map>

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

// A glyph costing at most one pixel in this many of the cell's (and kAlikeMinPixels) more than
// the best is alike: a twin of another script drawn a pixel apart, which context may prefer.
constexpr int kAlikeShare = 64;
constexpr int kAlikeMinPixels = 2;

}  // namespace

long long PageLine::Cost() const
{
    long long sum = 0;
    for (const PageCell& cell : cells)
        sum += cell.best;
    return sum;
}

std::uint8_t RankOf(char32_t code)
{
    switch (ClassOfCode(code)) {
    case CodeClass::Printable:
        return ScriptOf(code) != Script::None && !CommonLetter(code) ? 1 : 0;
    case CodeClass::Space:
        return 2;
    case CodeClass::Control:
        break;
    }
    return 3;
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
        rank[static_cast<std::size_t>(g)] = RankOf(CodeOf(g));
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
        sum += SumOfLeast(top, places.data() + first, count);
        first += static_cast<std::size_t>(count);
        if (step < 4)
            step *= 2;
    }
    return sum;
}

long long CCellMatcher::SumOfLeast(long long top, const CellPlace* places, int count)
{
    // Lines of text repeat their glyphs: a cell's least cost is kept by its phase and image, and
    // only the images not seen before are matched. The table is emptied when it grows large.
    constexpr std::size_t kMaxKept = 1 << 14;
    const std::size_t bytes = static_cast<std::size_t>(m_Glyphs.bytesPerRow) * static_cast<std::size_t>(m_Glyphs.height);
    if (m_Cell.size() < m_Glyphs.Stride())
        m_Cell.Resize(m_Glyphs.Stride());
    if (m_Least.size() > kMaxKept)
        m_Least.clear();
    long long sum = 0;
    CellPlace unknown[kBlockCells];
    int unknowns = 0;
    m_Keys.resize(static_cast<std::size_t>(kBlockCells));
    for (int c = 0; c < count; ++c) {
        CaptureInkCell(m_Ink, m_Glyphs, places[c].pixel, top, m_Cell.data());
        std::string& key = m_Keys[static_cast<std::size_t>(unknowns)];
        key.assign(1, static_cast<char>(places[c].phase));
        key.append(reinterpret_cast<const char*>(m_Cell.data()), bytes);
        if (const auto found = m_Least.find(key); found != m_Least.end()) {
            sum += found->second;
            continue;
        }
        unknown[unknowns++] = places[c];
    }
    if (unknowns == 0)
        return sum;
    Match(top, unknown, unknowns);
    for (int c = 0; c < unknowns; ++c) {
        std::int32_t least = 0, most = 0;
        CostRange(m_bWide, Costs(c), m_Glyphs.Rows(), least, most);
        sum += least;
        m_Least.emplace(m_Keys[static_cast<std::size_t>(c)], least);
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
    // Alike: within a pixel in 64 of the cell's (two at least) of the best, cheapest first.
    const int slack = std::max(kAlikeMinPixels, glyphs.width * glyphs.height / kAlikeShare);
    scratch.clear();
    for (int g = 0; g < rows; ++g)
        if (costs[g] - decision.best <= slack)
            scratch.push_back(g);
    std::stable_sort(scratch.begin(), scratch.end(), [&](int a, int b) { return costs[a] < costs[b]; });
    for (int g : scratch)
        if (const std::optional<char32_t> code = shown(g);
            code && std::find(cell.alike.begin(), cell.alike.end(), *code) == cell.alike.end())
            cell.alike.push_back(*code);
    // A sign outside ASCII drawn within a pixel or two of an ASCII sign (the low quote ‚ and the
    // comma) reads as the ASCII one: screens show those far more often. Letters are left to the
    // script of their words; box drawing and block elements stay, as the frames and meters of
    // terminal programs draw them by the screenful (─ beside -).
    const bool boxOrBlock = cell.code >= 0x2500 && cell.code <= 0x259F;
    if (cell.code > 0x7E && !boxOrBlock && ScriptOf(cell.code) == Script::None &&
        ClassOfCode(cell.code) == CodeClass::Printable)
        for (char32_t code : cell.alike)
            if (code >= 0x21 && code <= 0x7E && ScriptOf(code) == Script::None) {
                cell.code = code;
                break;
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
    const std::size_t stride = glyphs.Stride();
    const std::size_t bytes = static_cast<std::size_t>(glyphs.bytesPerRow) * static_cast<std::size_t>(glyphs.height);
    constexpr std::size_t kSame = std::numeric_limits<std::size_t>::max();

    // A screen draws a glyph the same way at the same phase: the cells are captured, identical
    // images (and phases) make one group, and each group is matched once. With a second ink the
    // image is both captures, and the second is matched only where it differs.
    struct Group {
        int phase;
        std::size_t bits;       // offset of its image in images
        std::size_t otherBits;  // offset of its second image, or kSame
    };
    std::vector<Group> groups;
    std::string images;  // the groups' images, stride bytes each
    std::unordered_map<std::string, int> known;
    std::string key(1 + bytes * (other != nullptr ? 2 : 1), '\0');
    CAlignedBytes cell(stride);
    CAlignedBytes otherCell(other != nullptr ? stride : 0);
    lines.reserve(grid.lines.size());
    for (const LineGrid& lineGrid : grid.lines) {
        PageLine line;
        line.grid = lineGrid;
        const long long pitch = lineGrid.PitchSub();
        line.column = static_cast<int>(FloorDiv(lineGrid.leftSub - grid.originXSub + pitch / 2, pitch));
        line.cells.resize(static_cast<std::size_t>(std::max(lineGrid.cells, 0)));
        for (int c = 0; c < lineGrid.cells; ++c) {
            PageCell& out = line.cells[static_cast<std::size_t>(c)];
            const CellPlace place = lineGrid.Place(c);
            bool inked = CaptureInkCell(ink, glyphs, place.pixel, lineGrid.top, cell.data());
            bool differs = false;
            if (other != nullptr) {
                inked = CaptureInkCell(*other, glyphs, place.pixel, lineGrid.top, otherCell.data()) || inked;
                differs = std::memcmp(cell.data(), otherCell.data(), bytes) != 0;
            }
            // A cell without ink reads as a space with cost 0, whatever the font's space.
            if (!inked) {
                out.bBlank = true;
                out.variants.push_back({U' ', 0});
                continue;
            }
            key[0] = static_cast<char>(place.phase);
            std::memcpy(key.data() + 1, cell.data(), bytes);
            if (other != nullptr)
                std::memcpy(key.data() + 1 + bytes, otherCell.data(), bytes);
            const auto [found, added] = known.emplace(key, static_cast<int>(groups.size()));
            if (added) {
                groups.push_back({place.phase, images.size(), kSame});
                images.append(reinterpret_cast<const char*>(cell.data()), stride);
                if (differs) {
                    groups.back().otherBits = images.size();
                    images.append(reinterpret_cast<const char*>(otherCell.data()), stride);
                }
            }
            out.group = found->second;
        }
        lines.push_back(std::move(line));
    }

    // The groups matched a block at a time, each block of one phase; each glyph costs the less of
    // its costs against a group's two images.
    std::vector<PageCell> readings(groups.size());
    std::vector<int> order(groups.size());
    for (std::size_t g = 0; g < groups.size(); ++g)
        order[g] = static_cast<int>(g);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return groups[static_cast<std::size_t>(a)].phase < groups[static_cast<std::size_t>(b)].phase; });
    CAlignedBytes block(stride * kBlockCells);
    std::vector<std::int32_t> costs(static_cast<std::size_t>(rows) * kBlockCells);
    std::vector<std::int32_t> otherCosts(other != nullptr ? static_cast<std::size_t>(rows) * kBlockCells : 0);
    std::vector<std::size_t> differing;  // places in the block of the groups whose second image differs
    std::vector<int> scratch;
    for (std::size_t first = 0; first < order.size();) {
        const int phase = groups[static_cast<std::size_t>(order[first])].phase;
        std::size_t count = 0;
        while (first + count < order.size() && count < static_cast<std::size_t>(kBlockCells) &&
               groups[static_cast<std::size_t>(order[first + count])].phase == phase) {
            std::memcpy(block.data() + count * stride, images.data() + groups[static_cast<std::size_t>(order[first + count])].bits, stride);
            ++count;
        }
        XorPopcountBlock(path, block.data(), static_cast<int>(count), glyphs.Matrix(phase).Data(), stride,
                         static_cast<std::size_t>(rows), costs.data());
        differing.clear();
        for (std::size_t k = 0; k < count; ++k)
            if (const Group& group = groups[static_cast<std::size_t>(order[first + k])]; group.otherBits != kSame) {
                std::memcpy(block.data() + differing.size() * stride, images.data() + group.otherBits, stride);
                differing.push_back(k);
            }
        if (!differing.empty()) {
            XorPopcountBlock(path, block.data(), static_cast<int>(differing.size()), glyphs.Matrix(phase).Data(), stride,
                             static_cast<std::size_t>(rows), otherCosts.data());
            for (std::size_t d = 0; d < differing.size(); ++d) {
                std::int32_t* least = costs.data() + differing[d] * static_cast<std::size_t>(rows);
                const std::int32_t* second = otherCosts.data() + d * static_cast<std::size_t>(rows);
                for (int g = 0; g < rows; ++g)
                    least[g] = std::min(least[g], second[g]);
            }
        }
        for (std::size_t k = 0; k < count; ++k)
            readings[static_cast<std::size_t>(order[first + k])] =
                ReadCell(glyphs, costs.data() + k * static_cast<std::size_t>(rows), coefficient, scratch);
        first += count;
    }
    for (PageLine& line : lines)
        for (PageCell& out : line.cells)
            if (!out.bBlank) {
                const int group = out.group;
                out = readings[static_cast<std::size_t>(group)];
                out.group = group;
            }
    return lines;
}
