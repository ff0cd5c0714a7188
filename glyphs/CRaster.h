#pragma once

#include <cstdint>
#include <vector>

// Whether a colour (0xRRGGBB, or a 0xffRRGGBB pixel) is ink in a drawn picture: exactly black.
constexpr bool IsBlackInk(std::uint32_t colour) { return (colour & 0xFFFFFF) == 0; }

// A picture of 32-bit RGB pixels, rows from the top, stored as 0xffRRGGBB so that a
// QImage of Format_RGB32 can wrap Bits() without copying. Colours passed in and out are
// 0xRRGGBB; only exact black (0x000000) is ink.
class CRaster {
public:
    static constexpr std::uint32_t kWhite = 0xFFFFFF;
    static constexpr std::uint32_t kBlack = 0x000000;
    static constexpr std::uint32_t kGrey = 0x808080;
    // Colour that Pixel() gives for a point outside the raster; it is not black.
    static constexpr std::uint32_t kInvalidColour = 0xFFFFFFFF;
    // Largest raster the programs make: 256 MiB of pixels.
    static constexpr std::int64_t kMaxPixels = (std::int64_t{256} << 20) / 4;

    CRaster() = default;

    // Makes a width x height raster filled with colour; false (and an empty raster) when a
    // size is negative, the raster would exceed kMaxPixels or memory runs out. A size of 0
    // gives an empty raster and true.
    bool Create(int width, int height, std::uint32_t colour = kWhite);
    // The one rule for every picture the programs make or read: no negative side and at most
    // kMaxPixels pixels (an 8192 x 8192 picture is the largest square).
    static bool SizeAllowed(std::int64_t width, std::int64_t height);

    int width() const { return m_nWidth; }
    int height() const { return m_nHeight; }
    bool empty() const { return m_nWidth == 0 || m_nHeight == 0; }
    int BytesPerLine() const { return m_nWidth * 4; }

    std::uint32_t* Bits() { return m_Pixels.data(); }
    const std::uint32_t* Bits() const { return m_Pixels.data(); }
    std::uint32_t* Row(int y) { return m_Pixels.data() + static_cast<std::size_t>(y) * m_nWidth; }
    const std::uint32_t* Row(int y) const { return m_Pixels.data() + static_cast<std::size_t>(y) * m_nWidth; }

    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_nWidth && y < m_nHeight; }
    // Colour of a pixel, or kInvalidColour outside the raster.
    std::uint32_t Pixel(int x, int y) const;
    // Sets a pixel; points outside the raster are ignored.
    void SetPixel(int x, int y, std::uint32_t colour);
    // True when the pixel lies inside and is exactly black.
    bool IsInk(int x, int y) const { return Contains(x, y) && IsBlackInk(Row(y)[x]); }
    // Fills [left, right) x [top, bottom), clipped to the raster.
    void FillRect(int left, int top, int right, int bottom, std::uint32_t colour);
    void Fill(std::uint32_t colour);

    friend bool operator==(const CRaster&, const CRaster&) = default;

private:
    int m_nWidth = 0;
    int m_nHeight = 0;
    std::vector<std::uint32_t> m_Pixels;  // 0xffRRGGBB
};
