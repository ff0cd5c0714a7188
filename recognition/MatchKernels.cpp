#include "MatchKernels.h"

#include <algorithm>
#include <cstring>
#include <new>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define RECOGNIZE_X86 1
#else
#define RECOGNIZE_X86 0
#endif

namespace {

constexpr std::uint32_t kColourMask = 0xFFFFFF;

std::uint64_t LoadWord(const std::uint8_t* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// Counts bits without any special instruction, so that the portable path runs anywhere.
std::uint64_t CountBitsPortable(std::uint64_t x)
{
    x = x - ((x >> 1) & 0x5555555555555555ULL);
    x = (x & 0x3333333333333333ULL) + ((x >> 2) & 0x3333333333333333ULL);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return (x * 0x0101010101010101ULL) >> 56;
}

void XorPopcountPortable(const std::uint8_t* cell, const std::uint8_t* rows, std::size_t stride,
                         std::size_t count, std::int32_t* out)
{
    for (std::size_t g = 0; g < count; ++g) {
        const std::uint8_t* row = rows + g * stride;
        std::uint64_t sum = 0;
        for (std::size_t i = 0; i < stride; i += 8)
            sum += CountBitsPortable(LoadWord(cell + i) ^ LoadWord(row + i));
        out[g] = static_cast<std::int32_t>(sum);
    }
}

// One row of the cell, pixel by pixel, exactly as the picture is read one GetPixel at a time.
void CaptureRowScalar(const CRaster& picture, long long left, long long y, int bytesPerRow,
                      std::uint8_t* out)
{
    const bool rowInside = y >= 0 && y < picture.height();
    const std::uint32_t* pixels = rowInside ? picture.Row(static_cast<int>(y)) : nullptr;
    for (int b = 0; b < bytesPerRow; ++b) {
        unsigned byte = 0;
        for (int i = 0; i < 8; ++i) {
            const long long x = left + 8LL * b + i;
            const bool ink = rowInside && x >= 0 && x < picture.width() && IsBlackInk(pixels[x]);
            byte = (byte << 1) | (ink ? 1U : 0U);
        }
        out[b] = static_cast<std::uint8_t>(byte);
    }
}

// True when the whole sampled row [left, left + 8 x bytesPerRow) lies inside the picture.
bool RowInside(const CRaster& picture, long long left, long long y, int bytesPerRow)
{
    return y >= 0 && y < picture.height() && left >= 0 && left + 8LL * bytesPerRow <= picture.width();
}

// A run of cells side by side, width pixels apart, taken row by row so that each row of the
// picture is read once for all of them; cell c goes to out + c x stride.
struct CellRun {
    long long left;     // left edge of the first cell
    long long top;
    int pitch;          // pixels from one cell to the next
    int height;
    int bytesPerRow;
    int count;
    std::size_t stride;
};

void CapturePortable(const CRaster& picture, const CellRun& run, std::uint8_t* out)
{
    for (int r = 0; r < run.height; ++r)
        for (int c = 0; c < run.count; ++c)
            CaptureRowScalar(picture, run.left + static_cast<long long>(c) * run.pitch, run.top + r, run.bytesPerRow,
                             out + c * run.stride + static_cast<std::size_t>(r) * run.bytesPerRow);
}

#if RECOGNIZE_X86

__attribute__((target("popcnt")))
void XorPopcountScalar(const std::uint8_t* cell, const std::uint8_t* rows, std::size_t stride,
                       std::size_t count, std::int32_t* out)
{
    for (std::size_t g = 0; g < count; ++g) {
        const std::uint8_t* row = rows + g * stride;
        std::uint64_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;
        for (std::size_t i = 0; i < stride; i += 32) {
            s0 += static_cast<std::uint64_t>(__builtin_popcountll(LoadWord(cell + i) ^ LoadWord(row + i)));
            s1 += static_cast<std::uint64_t>(__builtin_popcountll(LoadWord(cell + i + 8) ^ LoadWord(row + i + 8)));
            s2 += static_cast<std::uint64_t>(__builtin_popcountll(LoadWord(cell + i + 16) ^ LoadWord(row + i + 16)));
            s3 += static_cast<std::uint64_t>(__builtin_popcountll(LoadWord(cell + i + 24) ^ LoadWord(row + i + 24)));
        }
        out[g] = static_cast<std::int32_t>(s0 + s1 + s2 + s3);
    }
}

// Bit count of 32 bytes into four 64-bit lanes: a 16-entry nibble table and a byte sum.
__attribute__((target("avx2")))
inline __m256i CountBitsAvx2(__m256i x)
{
    const __m256i table = _mm256_setr_epi8(0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4,
                                           0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4);
    const __m256i low = _mm256_set1_epi8(0x0F);
    const __m256i lo = _mm256_shuffle_epi8(table, _mm256_and_si256(x, low));
    const __m256i hi = _mm256_shuffle_epi8(table, _mm256_and_si256(_mm256_srli_epi16(x, 4), low));
    return _mm256_sad_epu8(_mm256_add_epi8(lo, hi), _mm256_setzero_si256());
}

__attribute__((target("avx2")))
inline std::int32_t SumLanesAvx2(__m256i v)
{
    const __m128i s = _mm_add_epi64(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    return static_cast<std::int32_t>(_mm_cvtsi128_si64(s) + _mm_extract_epi64(s, 1));
}

// Up to four cells against one glyph: each glyph block is loaded once for all the cells.
template <int NC>
__attribute__((target("avx2")))
void XorPopcountCellsAvx2(const std::uint8_t* cells, const std::uint8_t* rows, std::size_t stride,
                          std::size_t count, std::int32_t* out)
{
    for (std::size_t g = 0; g < count; ++g) {
        const std::uint8_t* row = rows + g * stride;
        __m256i sums[NC];
        for (int c = 0; c < NC; ++c)
            sums[c] = _mm256_setzero_si256();
        for (std::size_t i = 0; i < stride; i += 32) {
            const __m256i glyph = _mm256_load_si256(reinterpret_cast<const __m256i*>(row + i));
            for (int c = 0; c < NC; ++c) {
                const __m256i cell = _mm256_load_si256(reinterpret_cast<const __m256i*>(cells + c * stride + i));
                sums[c] = _mm256_add_epi64(sums[c], CountBitsAvx2(_mm256_xor_si256(cell, glyph)));
            }
        }
        for (int c = 0; c < NC; ++c)
            out[c * count + g] = SumLanesAvx2(sums[c]);
    }
}

__attribute__((target("avx2")))
void XorPopcountAvx2(const std::uint8_t* cells, int cellCount, const std::uint8_t* rows,
                     std::size_t stride, std::size_t count, std::int32_t* out)
{
    int c = 0;
    for (; c + 4 <= cellCount; c += 4)
        XorPopcountCellsAvx2<4>(cells + c * stride, rows, stride, count, out + c * count);
    for (; c < cellCount; ++c)
        XorPopcountCellsAvx2<1>(cells + c * stride, rows, stride, count, out + c * count);
}

#define RECOGNIZE_AVX512 "avx512f,avx512bw,avx512vpopcntdq"

// Sum of the eight 64-bit lanes (stored and added: GCC's reduce intrinsic warns).
__attribute__((target(RECOGNIZE_AVX512)))
inline std::int32_t SumLanes512(__m512i v)
{
    alignas(64) std::uint64_t lanes[8];
    _mm512_store_si512(lanes, v);
    std::uint64_t sum = 0;
    for (std::uint64_t lane : lanes)
        sum += lane;
    return static_cast<std::int32_t>(sum);
}

// Sums the 128-bit lanes of a and b pairwise: lanes (a0 + a1, a2 + a3, b0 + b1, b2 + b3).
__attribute__((target(RECOGNIZE_AVX512)))
inline __m512i FoldLanes512(__m512i a, __m512i b)
{
    return _mm512_add_epi64(_mm512_maskz_shuffle_i64x2(0xFF, a, b, _MM_SHUFFLE(2, 0, 2, 0)),
                            _mm512_maskz_shuffle_i64x2(0xFF, a, b, _MM_SHUFFLE(3, 1, 3, 1)));
}

// NC cells against NG glyphs: every glyph block is loaded once for all the cells, every
// cell block once for all the glyphs, and NC x NG sums run side by side.
template <int NC, int NG>
__attribute__((target(RECOGNIZE_AVX512)))
inline void XorPopcountTileAvx512(const std::uint8_t* cells, const std::uint8_t* rows, std::size_t stride,
                                  std::size_t count, std::int32_t* out)
{
    __m512i sums[NC][NG];
    for (int c = 0; c < NC; ++c)
        for (int g = 0; g < NG; ++g)
            sums[c][g] = _mm512_setzero_si512();
    for (std::size_t i = 0; i < stride; i += 64) {
        __m512i glyph[NG];
        for (int g = 0; g < NG; ++g)
            glyph[g] = _mm512_load_si512(rows + g * stride + i);
        for (int c = 0; c < NC; ++c) {
            const __m512i cell = _mm512_load_si512(cells + c * stride + i);
            for (int g = 0; g < NG; ++g)
                sums[c][g] = _mm512_add_epi64(sums[c][g], _mm512_popcnt_epi64(_mm512_xor_si512(cell, glyph[g])));
        }
    }
    if constexpr (NC == 4 && NG == 2) {
        // The eight sums at once: pairs of vectors are folded into one lane by lane, until one
        // vector holds the eight totals in the order of sums[c][g].
        __m512i pairs[4];
        for (int i = 0; i < 4; ++i) {
            const __m512i a = sums[i][0];
            const __m512i b = sums[i][1];
            pairs[i] = _mm512_add_epi64(_mm512_maskz_unpacklo_epi64(0xFF, a, b), _mm512_maskz_unpackhi_epi64(0xFF, a, b));
        }
        const __m512i totals = FoldLanes512(FoldLanes512(pairs[0], pairs[1]), FoldLanes512(pairs[2], pairs[3]));
        alignas(32) std::int32_t lanes[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), _mm512_maskz_cvtepi64_epi32(0xFF, totals));
        for (int c = 0; c < 4; ++c) {
            out[c * count] = lanes[2 * c];
            out[c * count + 1] = lanes[2 * c + 1];
        }
    } else {
        for (int c = 0; c < NC; ++c)
            for (int g = 0; g < NG; ++g)
                out[c * count + g] = SumLanes512(sums[c][g]);
    }
}

template <int NC>
__attribute__((target(RECOGNIZE_AVX512)))
void XorPopcountCellsAvx512(const std::uint8_t* cells, const std::uint8_t* rows, std::size_t stride,
                            std::size_t count, std::int32_t* out)
{
    std::size_t g = 0;
    for (; g + 2 <= count; g += 2)
        XorPopcountTileAvx512<NC, 2>(cells, rows + g * stride, stride, count, out + g);
    if (g < count)
        XorPopcountTileAvx512<NC, 1>(cells, rows + g * stride, stride, count, out + g);
}

__attribute__((target(RECOGNIZE_AVX512)))
void XorPopcountAvx512(const std::uint8_t* cells, int cellCount, const std::uint8_t* rows,
                       std::size_t stride, std::size_t count, std::int32_t* out)
{
    int c = 0;
    for (; c + 4 <= cellCount; c += 4)
        XorPopcountCellsAvx512<4>(cells + c * stride, rows, stride, count, out + c * count);
    for (; c < cellCount; ++c)
        XorPopcountCellsAvx512<1>(cells + c * stride, rows, stride, count, out + c * count);
}

// Eight pixels to one byte: the pixels are reversed so that the first lands in bit 7.
__attribute__((target("avx2")))
void CaptureAvx2(const CRaster& picture, const CellRun& run, std::uint8_t* out)
{
    const __m256i reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
    const __m256i colour = _mm256_set1_epi32(static_cast<int>(kColourMask));
    const __m256i zero = _mm256_setzero_si256();
    for (int r = 0; r < run.height; ++r) {
        const long long y = run.top + r;
        for (int c = 0; c < run.count; ++c) {
            const long long left = run.left + static_cast<long long>(c) * run.pitch;
            std::uint8_t* dst = out + c * run.stride + static_cast<std::size_t>(r) * run.bytesPerRow;
            if (!RowInside(picture, left, y, run.bytesPerRow)) {
                CaptureRowScalar(picture, left, y, run.bytesPerRow, dst);
                continue;
            }
            const std::uint32_t* src = picture.Row(static_cast<int>(y)) + left;
            for (int b = 0; b < run.bytesPerRow; ++b) {
                __m256i px = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + 8 * b));
                px = _mm256_permutevar8x32_epi32(_mm256_and_si256(px, colour), reverse);
                const int ink = _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(px, zero)));
                dst[b] = static_cast<std::uint8_t>(ink);
            }
        }
    }
}

// Sixteen pixels to two bytes, with a masked load for a last group of eight.
__attribute__((target(RECOGNIZE_AVX512)))
void CaptureAvx512(const CRaster& picture, const CellRun& run, std::uint8_t* out)
{
    const __m512i reverse = _mm512_set_epi32(8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7);
    const __m512i colour = _mm512_set1_epi32(static_cast<int>(kColourMask));
    for (int r = 0; r < run.height; ++r) {
        const long long y = run.top + r;
        for (int c = 0; c < run.count; ++c) {
            const long long left = run.left + static_cast<long long>(c) * run.pitch;
            std::uint8_t* dst = out + c * run.stride + static_cast<std::size_t>(r) * run.bytesPerRow;
            if (!RowInside(picture, left, y, run.bytesPerRow)) {
                CaptureRowScalar(picture, left, y, run.bytesPerRow, dst);
                continue;
            }
            const std::uint32_t* src = picture.Row(static_cast<int>(y)) + left;
            int b = 0;
            for (; b + 2 <= run.bytesPerRow; b += 2) {
                const __m512i px = _mm512_maskz_permutexvar_epi32(0xFFFF, reverse, _mm512_loadu_si512(src + 8 * b));
                const __mmask16 ink = _mm512_testn_epi32_mask(px, colour);
                std::memcpy(dst + b, &ink, 2);
            }
            if (b < run.bytesPerRow) {
                const __m512i px = _mm512_maskz_permutexvar_epi32(0xFFFF, reverse, _mm512_maskz_loadu_epi32(0x00FF, src + 8 * b));
                dst[b] = static_cast<std::uint8_t>(_mm512_testn_epi32_mask(px, colour) & 0xFF);
            }
        }
    }
}

#endif  // RECOGNIZE_X86

}  // namespace

void CAlignedBytes::Free::operator()(std::uint8_t* p) const
{
    ::operator delete[](p, std::align_val_t{kPackedBlock});
}

void CAlignedBytes::Resize(std::size_t size)
{
    m_pData.reset();
    m_nSize = 0;
    if (size == 0)
        return;
    m_pData.reset(static_cast<std::uint8_t*>(::operator new[](size, std::align_val_t{kPackedBlock})));
    std::memset(m_pData.get(), 0, size);
    m_nSize = size;
}

std::string_view MatchPathName(MatchPath path)
{
    switch (path) {
    case MatchPath::Portable: return "portable";
    case MatchPath::ScalarPopcount: return "scalar-popcnt";
    case MatchPath::Avx2: return "avx2";
    case MatchPath::Avx512: return "avx512-vpopcntdq";
    }
    return "unknown";
}

bool MatchPathSupported(MatchPath path)
{
#if RECOGNIZE_X86
    __builtin_cpu_init();
    switch (path) {
    case MatchPath::Portable: return true;
    case MatchPath::ScalarPopcount: return __builtin_cpu_supports("popcnt");
    case MatchPath::Avx2: return __builtin_cpu_supports("avx2");
    case MatchPath::Avx512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512vpopcntdq");
    }
    return false;
#else
    return path == MatchPath::Portable;
#endif
}

std::vector<MatchPath> SupportedMatchPaths()
{
    std::vector<MatchPath> paths;
    for (MatchPath path : {MatchPath::Portable, MatchPath::ScalarPopcount, MatchPath::Avx2, MatchPath::Avx512})
        if (MatchPathSupported(path))
            paths.push_back(path);
    return paths;
}

MatchPath FastestMatchPath()
{
    static const MatchPath fastest = SupportedMatchPaths().back();
    return fastest;
}

void XorPopcountBlock(MatchPath path, const std::uint8_t* cells, int cellCount, const std::uint8_t* rows,
                      std::size_t stride, std::size_t count, std::int32_t* out)
{
    if (stride == 0) {
        std::fill(out, out + static_cast<std::size_t>(std::max(cellCount, 0)) * count, 0);
        return;
    }
    switch (path) {
#if RECOGNIZE_X86
    case MatchPath::Avx512: XorPopcountAvx512(cells, cellCount, rows, stride, count, out); return;
    case MatchPath::Avx2: XorPopcountAvx2(cells, cellCount, rows, stride, count, out); return;
    case MatchPath::ScalarPopcount:
        for (int c = 0; c < cellCount; ++c)
            XorPopcountScalar(cells + c * stride, rows, stride, count, out + c * count);
        return;
#endif
    default:
        for (int c = 0; c < cellCount; ++c)
            XorPopcountPortable(cells + c * stride, rows, stride, count, out + c * count);
        return;
    }
}

void XorPopcountRows(MatchPath path, const std::uint8_t* cell, const std::uint8_t* rows,
                     std::size_t stride, std::size_t count, std::int32_t* out)
{
    XorPopcountBlock(path, cell, 1, rows, stride, count, out);
}

void CaptureCellRun(MatchPath path, const CRaster& picture, long long left, long long top, int width,
                    int height, int count, std::uint8_t* out, std::size_t stride)
{
    const int bytesPerRow = width > 0 ? (width + 7) / 8 : 0;
    const std::size_t used = height > 0 ? static_cast<std::size_t>(bytesPerRow) * static_cast<std::size_t>(height) : 0;
    if (used > 0 && count > 0) {
        const CellRun run{left, top, width, height, bytesPerRow, count, stride};
        switch (path) {
#if RECOGNIZE_X86
        case MatchPath::Avx512: CaptureAvx512(picture, run, out); break;
        case MatchPath::Avx2: CaptureAvx2(picture, run, out); break;
#endif
        default: CapturePortable(picture, run, out); break;
        }
    }
    if (stride > used)
        for (int c = 0; c < count; ++c)
            std::memset(out + c * stride + used, 0, stride - used);
}

void CaptureCellBits(MatchPath path, const CRaster& picture, long long left, long long top,
                     int width, int height, std::uint8_t* out, std::size_t stride)
{
    CaptureCellRun(path, picture, left, top, width, height, 1, out, stride);
}
