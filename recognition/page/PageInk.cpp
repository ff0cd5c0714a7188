#include "PageInk.h"

#include <algorithm>
#include <array>
#include <bit>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PAGE_READER_X86 1
#else
#define PAGE_READER_X86 0
#endif

namespace {

constexpr std::uint32_t kColourMask = 0xFFFFFF;

// Counts of colours in a small open-addressing table that grows as colours arrive, up to
// kMaxColours colours; past that (a photograph, noise) it gives up and says so, and the caller
// counts coarser, so that memory stays bounded whatever the picture.
class CColourCounter {
public:
    CColourCounter() : m_Keys(1024, kEmpty), m_Counts(1024, 0) {}

    // Adds count pixels of colour; false once the table holds too many colours to go on.
    bool Add(std::uint32_t colour, long long count)
    {
        const std::size_t mask = m_Keys.size() - 1;
        std::size_t i = Hash(colour) & mask;
        while (m_Keys[i] != kEmpty && m_Keys[i] != colour)
            i = (i + 1) & mask;
        m_Counts[i] += count;
        if (m_Keys[i] == kEmpty) {
            m_Keys[i] = colour;
            if (++m_nUsed * 2 > m_Keys.size()) {
                if (m_nUsed >= kMaxColours)
                    return false;
                Grow();
            }
        }
        return true;
    }

    // The most common colour; among equals the lowest.
    std::uint32_t MostCommon() const
    {
        std::uint32_t best = CRaster::kWhite;
        long long bestCount = -1;
        for (std::size_t i = 0; i < m_Keys.size(); ++i)
            if (m_Keys[i] != kEmpty && (m_Counts[i] > bestCount || (m_Counts[i] == bestCount && m_Keys[i] < best))) {
                best = m_Keys[i];
                bestCount = m_Counts[i];
            }
        return best;
    }

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;  // never a colour: colours have 24 bits
    static constexpr std::size_t kMaxColours = std::size_t{1} << 16;  // 1.5 MiB of table at most

    static std::size_t Hash(std::uint32_t colour) { return (colour * 0x9E3779B1U) >> 8; }

    void Grow()
    {
        std::vector<std::uint32_t> keys(m_Keys.size() * 2, kEmpty);
        std::vector<long long> counts(keys.size(), 0);
        const std::size_t mask = keys.size() - 1;
        for (std::size_t j = 0; j < m_Keys.size(); ++j) {
            if (m_Keys[j] == kEmpty)
                continue;
            std::size_t i = Hash(m_Keys[j]) & mask;
            while (keys[i] != kEmpty)
                i = (i + 1) & mask;
            keys[i] = m_Keys[j];
            counts[i] = m_Counts[j];
        }
        m_Keys.swap(keys);
        m_Counts.swap(counts);
    }

    std::vector<std::uint32_t> m_Keys;
    std::vector<long long> m_Counts;
    std::size_t m_nUsed = 0;
};

// A colour's box of the coarse count: 5 bits a channel.
constexpr std::uint32_t CoarseBox(std::uint32_t colour)
{
    return ((colour >> 9) & 0x7C00) | ((colour >> 6) & 0x03E0) | ((colour >> 3) & 0x001F);
}

// The end of the run of colour that starts at x: the first pixel after it that differs.
int RunEnd(const std::uint32_t* row, int x, int width, std::uint32_t colour)
{
    while (x < width && (row[x] & kColourMask) == colour)
        ++x;
    return x;
}

// The largest channel distance of a row's pixels from colour.
int RowContrast(const std::uint32_t* row, int width, std::uint32_t colour)
{
    int contrast = 0;
    for (int x = 0; x < width; ++x)
        contrast = std::max(contrast, ColourDistance(row[x] & kColourMask, colour));
    return contrast;
}

// Sets the bit of every pixel of a row whose distance from colour exceeds threshold (near:
// does not exceed it), pixel x in bit 63 - x % 64 of out[x / 64]; the other bits stay.
void RowInk(const std::uint32_t* row, int from, int width, std::uint32_t colour, int threshold, bool near,
            std::uint64_t* out)
{
    for (int x = from; x < width; ++x)
        if ((ColourDistance(row[x] & kColourMask, colour) > threshold) != near)
            out[x / 64] |= std::uint64_t{1} << (63 - x % 64);
}

#if PAGE_READER_X86

// The bits of a byte in reverse order.
constexpr std::array<std::uint8_t, 256> kReversed = [] {
    std::array<std::uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i)
        for (int b = 0; b < 8; ++b)
            if (i & (1 << b))
                table[static_cast<std::size_t>(i)] |= static_cast<std::uint8_t>(0x80 >> b);
    return table;
}();

// Channel distances of eight pixels from colour, byte by byte, the fourth byte 0.
__attribute__((target("avx2")))
inline __m256i Distances(const std::uint32_t* pixels, __m256i colour)
{
    const __m256i px = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels)),
                                        _mm256_set1_epi32(static_cast<int>(kColourMask)));
    return _mm256_or_si256(_mm256_subs_epu8(px, colour), _mm256_subs_epu8(colour, px));
}

__attribute__((target("avx2")))
int RunEndAvx2(const std::uint32_t* row, int x, int width, std::uint32_t colour)
{
    const __m256i c = _mm256_set1_epi32(static_cast<int>(colour));
    const __m256i mask = _mm256_set1_epi32(static_cast<int>(kColourMask));
    for (; x + 8 <= width; x += 8) {
        const __m256i px = _mm256_and_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + x)), mask);
        const unsigned same = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(px, c))));
        if (same != 0xFF)
            return x + std::countr_one(same);
    }
    return RunEnd(row, x, width, colour);
}

__attribute__((target("avx2")))
int RowContrastAvx2(const std::uint32_t* row, int width, std::uint32_t colour)
{
    const __m256i c = _mm256_set1_epi32(static_cast<int>(colour));
    __m256i most = _mm256_setzero_si256();
    int x = 0;
    for (; x + 8 <= width; x += 8)
        most = _mm256_max_epu8(most, Distances(row + x, c));
    alignas(32) std::uint8_t bytes[32];
    _mm256_store_si256(reinterpret_cast<__m256i*>(bytes), most);
    int contrast = RowContrast(row + x, width - x, colour);
    for (std::uint8_t b : bytes)
        contrast = std::max<int>(contrast, b);
    return contrast;
}

__attribute__((target("avx2")))
void RowInkAvx2(const std::uint32_t* row, int width, std::uint32_t colour, int threshold, bool near,
                std::uint64_t* out)
{
    const __m256i c = _mm256_set1_epi32(static_cast<int>(colour));
    const __m256i limit = _mm256_set1_epi8(static_cast<char>(threshold));
    const __m256i zero = _mm256_setzero_si256();
    const unsigned flip = near ? 0U : 0xFFU;
    int x = 0;
    for (; x + 64 <= width; x += 64) {
        std::uint64_t word = 0;
        for (int k = 0; k < 8; ++k) {
            // A pixel is near when no channel distance passes the threshold.
            const __m256i over = _mm256_subs_epu8(Distances(row + x + 8 * k, c), limit);
            const __m256i nearLanes = _mm256_cmpeq_epi32(over, zero);
            const unsigned nearBits = static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(nearLanes)));
            word |= static_cast<std::uint64_t>(kReversed[(nearBits ^ flip) & 0xFF]) << (56 - 8 * k);
        }
        out[x / 64] = word;
    }
    RowInk(row, x, width, colour, threshold, near, out);
}

#endif  // PAGE_READER_X86

// The row operations of the ink mask for one instruction set.
struct InkRows {
    bool bWide = false;  // AVX2

    int RunEndOf(const std::uint32_t* row, int x, int width, std::uint32_t colour) const
    {
#if PAGE_READER_X86
        if (bWide)
            return RunEndAvx2(row, x, width, colour);
#endif
        return RunEnd(row, x, width, colour);
    }
    int ContrastOf(const std::uint32_t* row, int width, std::uint32_t colour) const
    {
#if PAGE_READER_X86
        if (bWide)
            return RowContrastAvx2(row, width, colour);
#endif
        return RowContrast(row, width, colour);
    }
    void Ink(const std::uint32_t* row, int width, std::uint32_t colour, int threshold, bool near,
             std::uint64_t* out) const
    {
#if PAGE_READER_X86
        if (bWide)
            return RowInkAvx2(row, width, colour, threshold, near, out);
#endif
        RowInk(row, 0, width, colour, threshold, near, out);
    }
};

// The most common colour of a picture, counted run by run: a screenshot is mostly long runs
// of one colour, so the table sees few additions. Among equal counts the lowest colour. A
// picture of too many colours is counted in two passes instead: the most common box of 32 x 32
// x 32 levels, then the most common colour inside it.
std::uint32_t MostCommonColour(const CRaster& picture, const InkRows& rows)
{
    auto countRuns = [&](auto&& add) {
        for (int y = 0; y < picture.height(); ++y) {
            const std::uint32_t* row = picture.Row(y);
            for (int x = 0; x < picture.width();) {
                const std::uint32_t colour = row[x] & kColourMask;
                const int end = rows.RunEndOf(row, x + 1, picture.width(), colour);
                if (!add(colour, end - x))
                    return false;
                x = end;
            }
        }
        return true;
    };
    {
        CColourCounter counter;
        if (countRuns([&](std::uint32_t colour, int n) { return counter.Add(colour, n); }))
            return counter.MostCommon();
    }
    std::vector<long long> boxes(std::size_t{1} << 15, 0);
    countRuns([&](std::uint32_t colour, int n) {
        boxes[CoarseBox(colour)] += n;
        return true;
    });
    const auto box = static_cast<std::uint32_t>(std::max_element(boxes.begin(), boxes.end()) - boxes.begin());
    CColourCounter inBox;  // at most 8 x 8 x 8 colours
    countRuns([&](std::uint32_t colour, int n) {
        if (CoarseBox(colour) == box)
            inBox.Add(colour, n);
        return true;
    });
    return inBox.MostCommon();
}

}  // namespace

std::uint32_t MostCommonColour(const CRaster& picture, MatchPath path)
{
    InkRows rows;
    rows.bWide = path == MatchPath::Avx2 || path == MatchPath::Avx512;
    return picture.empty() ? CRaster::kWhite : MostCommonColour(picture, rows);
}

InkBits InkMask(const CRaster& picture, InkRule rule, MatchPath path)
{
    InkBits ink;
    if (picture.empty())
        return ink;
    // The mask comes first: it is the one allocation that grows with the picture.
    ink.width = picture.width();
    ink.height = picture.height();
    ink.wordsPerRow = (ink.width + 63) / 64;
    ink.words.assign(static_cast<std::size_t>(ink.wordsPerRow) * ink.height, 0);
    InkRows rows;
    rows.bWide = path == MatchPath::Avx2 || path == MatchPath::Avx512;
    auto row = [&](int y) { return ink.words.data() + static_cast<std::size_t>(y) * ink.wordsPerRow; };

    if (rule == InkRule::Black) {
        // Exactly black: no channel differs from black at all (IsBlackInk).
        ink.background = CRaster::kWhite;
        for (int y = 0; y < ink.height; ++y)
            rows.Ink(picture.Row(y), ink.width, CRaster::kBlack, 0, true, row(y));
        ink.CountRows();
        return ink;
    }

    // The ink rule: the background is the picture's most common colour, the contrast the
    // largest channel distance of any pixel from it, and a pixel is ink when its distance
    // exceeds half the contrast. A distance is a whole number, so exceeding contrast / 2 is
    // exceeding its integer part; a picture of one colour has no ink.
    ink.background = MostCommonColour(picture, rows);
    int contrast = 0;
    for (int y = 0; y < ink.height && contrast < 255; ++y)
        contrast = std::max(contrast, rows.ContrastOf(picture.Row(y), ink.width, ink.background));
    ink.contrast = contrast;
    ink.threshold = contrast / 2;
    if (contrast != 0)
        for (int y = 0; y < ink.height; ++y)
            rows.Ink(picture.Row(y), ink.width, ink.background, ink.threshold, false, row(y));
    ink.CountRows();
    return ink;
}

void InkBits::CountRows()
{
    rowInk.assign(static_cast<std::size_t>(std::max(height, 0)), 0);
    for (int y = 0; y < height; ++y) {
        const std::uint64_t* row = Row(y);
        int count = 0;
        for (int w = 0; w < wordsPerRow; ++w)
            count += std::popcount(row[w]);
        rowInk[static_cast<std::size_t>(y)] = count;
    }
}

namespace {

// A row is solid when it is inked from its first inked pixel to its last but for a tenth.
constexpr int kSolidRowFillTenths = 9;

// Whether row y is inked solidly over more pixels than a cell is high.
bool SolidRow(const InkBits& ink, int y, int cellHeight)
{
    const std::uint64_t* row = ink.Row(y);
    int first = 0;
    while (first < ink.wordsPerRow && row[first] == 0)
        ++first;
    if (first >= ink.wordsPerRow)
        return false;
    int last = ink.wordsPerRow - 1;
    while (last > first && row[last] == 0)
        --last;
    const long long left = 64LL * first + std::countl_zero(row[first]);
    const long long right = 64LL * last + 63 - std::countr_zero(row[last]);
    const long long span = right - left + 1;
    return span > cellHeight && 10LL * ink.rowInk[static_cast<std::size_t>(y)] >= kSolidRowFillTenths * span;
}

}  // namespace

std::vector<SolidStrip> FindSolidStrips(const InkBits& ink, int cellHeight)
{
    std::vector<SolidStrip> strips;
    if (cellHeight <= 0 || static_cast<int>(ink.rowInk.size()) != ink.height)
        return strips;
    for (int y = 0; y < ink.height;) {
        if (ink.rowInk[static_cast<std::size_t>(y)] == 0 || !SolidRow(ink, y, cellHeight)) {
            ++y;
            continue;
        }
        int end = y + 1;
        while (end < ink.height && ink.rowInk[static_cast<std::size_t>(end)] != 0 && SolidRow(ink, end, cellHeight))
            ++end;
        if (2 * (end - y) >= cellHeight)
            strips.push_back({y, end});
        y = end;
    }
    return strips;
}

void ClearStrips(InkBits& ink, const std::vector<SolidStrip>& strips)
{
    for (const SolidStrip& strip : strips)
        for (int r = std::max(strip.top, 0); r < std::min(strip.bottom, ink.height); ++r) {
            std::fill(ink.Row(r), ink.Row(r) + ink.wordsPerRow, 0);
            if (static_cast<std::size_t>(r) < ink.rowInk.size())
                ink.rowInk[static_cast<std::size_t>(r)] = 0;
        }
}

std::vector<SolidStrip> ClearSolidStrips(InkBits& ink, int cellHeight)
{
    std::vector<SolidStrip> strips = FindSolidStrips(ink, cellHeight);
    ClearStrips(ink, strips);
    return strips;
}
