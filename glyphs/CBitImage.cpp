#include "CBitImage.h"

#include <cstddef>
#include <new>
#include <stdexcept>

bool CBitImage::SetSize(int height, int width)
{
    if (height < 0 || width < 0)
        return false;
    m_Bits.clear();
    m_Bits.shrink_to_fit();
    m_nBytesPerRow = static_cast<int>((std::int64_t{width} + 7) / 8);
    m_nHeight = height;
    m_nWidth = width;
    const std::size_t n = static_cast<std::size_t>(m_nBytesPerRow) * static_cast<std::size_t>(height);
    if (n == 0)
        return false;
    try {
        m_Bits.resize(n);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

bool CBitImage::ReadBlock(CByteReader& reader)
{
    std::int32_t width = 0;
    std::int32_t height = 0;
    if (!reader.ReadI32(width) || !reader.ReadI32(height))
        return false;
    m_Bits.clear();
    m_Bits.shrink_to_fit();
    // A negative size is outside the format: the image is left empty.
    if (width < 0 || height < 0) {
        m_nBytesPerRow = m_nHeight = m_nWidth = 0;
        return false;
    }
    m_nWidth = width;
    m_nHeight = height;
    m_nBytesPerRow = static_cast<int>((std::int64_t{width} + 7) / 8);
    const std::uint64_t n = static_cast<std::uint64_t>(m_nBytesPerRow) * static_cast<std::uint64_t>(height);
    if (n == 0)
        return true;
    // Bits shorter than announced: the image keeps its size and has no bits.
    if (n > reader.Remaining()) {
        reader.Skip(reader.Remaining());
        return false;
    }
    m_Bits.resize(static_cast<std::size_t>(n));
    reader.ReadBlock(m_Bits.data(), m_Bits.size());
    return true;
}

void CBitImage::WriteBlock(CByteWriter& writer) const
{
    writer.WriteI32(m_nWidth);
    writer.WriteI32(m_nHeight);
    const std::size_t n = static_cast<std::size_t>(m_nBytesPerRow) * static_cast<std::size_t>(m_nHeight);
    if (n == 0)
        return;
    // An image without bits (allocation failed) still writes a block of the announced size.
    if (m_Bits.size() >= n)
        writer.WriteBlock(m_Bits.data(), n);
    else
        writer.Bytes().resize(writer.Bytes().size() + n, 0);
}
