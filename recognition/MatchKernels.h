#pragma once

#include "CRaster.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// The instruction sets that cell matching can run on, from the plainest to the fastest. One
// binary carries all of them; FastestMatchPath picks the best one the CPU offers.
enum class MatchPath {
    Portable,        // plain C++, 64-bit words, bit tricks for the count
    ScalarPopcount,  // 64-bit words and the POPCNT instruction
    Avx2,            // 256-bit XOR, nibble-table count
    Avx512,          // 512-bit XOR and VPOPCNTQ (AVX-512F, BW and VPOPCNTDQ)
};

std::string_view MatchPathName(MatchPath path);
bool MatchPathSupported(MatchPath path);
// Every path this CPU can run, plainest first.
std::vector<MatchPath> SupportedMatchPaths();
MatchPath FastestMatchPath();

// Packed cells and glyphs are rows of whole 64-byte blocks; the bytes past the image are 0.
inline constexpr std::size_t kPackedBlock = 64;
constexpr std::size_t PackedStride(std::size_t bytes) { return (bytes + kPackedBlock - 1) / kPackedBlock * kPackedBlock; }

// A zero-filled byte buffer aligned to 64 bytes.
class CAlignedBytes {
public:
    CAlignedBytes() = default;
    explicit CAlignedBytes(std::size_t size) { Resize(size); }
    // Makes size zero bytes; the old content is dropped.
    void Resize(std::size_t size);
    std::uint8_t* data() { return m_pData.get(); }
    const std::uint8_t* data() const { return m_pData.get(); }
    std::size_t size() const { return m_nSize; }

private:
    struct Free {
        void operator()(std::uint8_t* p) const;
    };
    std::unique_ptr<std::uint8_t, Free> m_pData;
    std::size_t m_nSize = 0;
};

// out[g] = number of 1 bits in (cell XOR rows + g x stride) over stride bytes, for g < count.
// stride is a multiple of kPackedBlock (0 gives zeros); cell and rows are aligned to it.
void XorPopcountRows(MatchPath path, const std::uint8_t* cell, const std::uint8_t* rows,
                     std::size_t stride, std::size_t count, std::int32_t* out);

// The same for cellCount cells stored stride bytes apart: out[c x count + g] for cell c.
// Matching several cells at once reads each glyph once for all of them.
void XorPopcountBlock(MatchPath path, const std::uint8_t* cells, int cellCount, const std::uint8_t* rows,
                      std::size_t stride, std::size_t count, std::int32_t* out);

// Samples the width x height cell whose top-left pixel is (left, top) into out, in the layout
// of a glyph: (width + 7) / 8 bytes per row, most significant bit leftmost, 1 = exactly black.
// Each row takes 8 pixels per byte, so the last byte also takes the pixels just right of the
// cell; pixels outside the picture are background. Writes stride bytes: the rows, then zeros.
void CaptureCellBits(MatchPath path, const CRaster& picture, long long left, long long top,
                     int width, int height, std::uint8_t* out, std::size_t stride);
// The same for count cells side by side from left, cell c into out + c x stride. The picture
// is read row by row across all of them.
void CaptureCellRun(MatchPath path, const CRaster& picture, long long left, long long top, int width,
                    int height, int count, std::uint8_t* out, std::size_t stride);
