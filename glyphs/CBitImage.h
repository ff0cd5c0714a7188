#pragma once

#include "ByteStream.h"

#include <cstdint>
#include <vector>

// A monochrome image: width x height pixels in rows of (width + 7) / 8 bytes from the top.
// Which bit order and polarity the bits use is up to whoever fills it.
class CBitImage {
public:
    // Resizes to height x width; negative sizes fail and change nothing. Returns true when
    // bits were allocated, false when height x bytes per row is 0.
    bool SetSize(int height, int width);
    // Reads the block form (int32 width, int32 height, the bits) into the image. A negative
    // size, or bits shorter than announced, fail without allocating more than the reader
    // holds; a width or height past the end raises end-of-file.
    bool ReadBlock(CByteReader& reader);
    void WriteBlock(CByteWriter& writer) const;

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    int BytesPerRow() const { return m_nBytesPerRow; }
    std::uint8_t* Bits() { return m_Bits.data(); }
    const std::uint8_t* Bits() const { return m_Bits.data(); }
    bool HasBits() const { return !m_Bits.empty(); }

    int m_nBytesPerRow = 0;            // (width + 7) / 8
    std::vector<std::uint8_t> m_Bits;  // height x bytes per row, empty when that is 0
    int m_nHeight = 0;
    int m_nWidth = 0;
};
