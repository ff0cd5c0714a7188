#include "PageCells.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PAGE_READER_X86 1
#else
#define PAGE_READER_X86 0
#endif

namespace pagecells {

void PageGlyphs::Build(const CCharImageFont& font, int cellWidth, int cellHeight)
{
    width = std::max(cellWidth, 0);
    height = std::max(cellHeight, 0);
    bytesPerRow = (width + 7) / 8;
    // Glyph sizes are never negative, so a cell of no pixels matches no glyph.
    const bool empty = width == 0 || height == 0;
    matrix.Build(font, empty ? -1 : width, empty ? -1 : height, true);
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

}  // namespace pagecells
