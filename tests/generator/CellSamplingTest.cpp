#include "CellSampling.h"
#include "Cp1251.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A white 32-bit surface on which single pixels are painted black.
class CSurface {
public:
    CSurface(int width, int height) : m_nWidth(width), m_nHeight(height), m_Pixels(std::size_t(width) * height, 0xFFFFFFFFu) {}
    void Ink(int x, int y) { m_Pixels[std::size_t(y) * m_nWidth + x] = 0xFF000000u; }
    void Set(int x, int y, std::uint32_t value) { m_Pixels[std::size_t(y) * m_nWidth + x] = value; }
    void InkRect(int left, int top, int right, int bottom)
    {
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x)
                Ink(x, y);
    }
    CInkView View() const
    {
        return CInkView::FromRgb32(reinterpret_cast<const std::uint8_t*>(m_Pixels.data()), m_nWidth, m_nHeight,
                                   m_nWidth * 4);
    }

private:
    int m_nWidth;
    int m_nHeight;
    std::vector<std::uint32_t> m_Pixels;
};

std::vector<std::uint8_t> Sample(const CInkView& view, int x, int y, int w, int h)
{
    std::vector<std::uint8_t> out;
    SampleCell(view, x, y, w, h, out);
    return out;
}

} // namespace

TEST(CInkView, OnlyPureBlackInsideTheSurfaceIsInk)
{
    CSurface surface(4, 2);
    surface.Ink(0, 0);
    surface.Set(1, 0, 0xFF010000u);     // nearly black
    surface.Set(2, 0, 0x00000000u);     // black with another alpha
    const CInkView view = surface.View();
    EXPECT_TRUE(view.IsInk(0, 0));
    EXPECT_FALSE(view.IsInk(1, 0));
    EXPECT_TRUE(view.IsInk(2, 0));
    EXPECT_FALSE(view.IsInk(-1, 0));
    EXPECT_FALSE(view.IsInk(4, 0));
    EXPECT_FALSE(view.IsInk(0, 2));
    EXPECT_FALSE(CInkView().IsInk(0, 0));

    const std::uint8_t mono[] = {0x80, 0x00, 0x01, 0x00};     // two rows of 2 bytes
    const CInkView inkIsOne = CInkView::FromMono(mono, 16, 2, 2, 1);
    EXPECT_TRUE(inkIsOne.IsInk(0, 0));
    EXPECT_TRUE(inkIsOne.IsInk(7, 1));
    EXPECT_FALSE(inkIsOne.IsInk(1, 0));
    const CInkView inkIsZero = CInkView::FromMono(mono, 16, 2, 2, 0);
    EXPECT_FALSE(inkIsZero.IsInk(0, 0));
    EXPECT_TRUE(inkIsZero.IsInk(1, 0));
}

TEST(SampleCell, PacksRowsMostSignificantBitLeftmost)
{
    CSurface surface(8, 3);
    surface.Ink(0, 1);
    surface.Ink(2, 1);
    surface.Ink(1, 2);
    // Window columns 0..2, rows 1..2: the worked example of the format, A0 40.
    EXPECT_EQ(Sample(surface.View(), 0, 1, 3, 3), (std::vector<std::uint8_t>{0xA0, 0x40}));
    // The offsets move the window: column 1 becomes the leftmost bit.
    EXPECT_EQ(Sample(surface.View(), 1, 2, 4, 3), (std::vector<std::uint8_t>{0x80}));
}

TEST(SampleCell, SamplesPastTheWidthUpToTheByteBoundary)
{
    // W = 70: a 72-pixel capture area; 9 bytes per row whose last byte holds columns 64..71.
    CSurface surface(72, 2);
    surface.Ink(69, 0);
    surface.Ink(70, 0);
    surface.Ink(71, 1);
    const std::vector<std::uint8_t> bytes = Sample(surface.View(), 0, 0, 70, 2);
    ASSERT_EQ(bytes.size(), 18u);
    EXPECT_EQ(bytes[8], 0x06);      // columns 69 and 70
    EXPECT_EQ(bytes[17], 0x01);     // column 71

    // With X = 3 the row still spans (70-3+7)/8 = 9 bytes, reaching column 74, outside the surface.
    CSurface wide(72, 1);
    wide.InkRect(0, 0, 71, 0);
    const std::vector<std::uint8_t> shifted = Sample(wide.View(), 3, 0, 70, 1);
    ASSERT_EQ(shifted.size(), 9u);
    EXPECT_EQ(shifted[0], 0xFF);
    EXPECT_EQ(shifted[8], 0xF8);    // columns 67..71 ink (70 and 71 past W-1), 72..74 outside
}

TEST(SampleCell, EmptyWindowsEmitNothing)
{
    CSurface surface(8, 8);
    surface.InkRect(0, 0, 7, 7);
    EXPECT_TRUE(Sample(surface.View(), 0, 5, 8, 5).empty());    // no rows
    EXPECT_TRUE(Sample(surface.View(), 0, 6, 8, 5).empty());
    EXPECT_TRUE(Sample(surface.View(), 7, 0, 0, 8).empty());    // W-X+7 < 8: no bytes per row
    EXPECT_EQ(Sample(surface.View(), 0, 0, 1, 2), (std::vector<std::uint8_t>{0xFF, 0xFF}));
    // Rows and columns above and left of the surface read as background.
    EXPECT_EQ(Sample(surface.View(), -8, -1, 8, 1), (std::vector<std::uint8_t>{0x00, 0x00, 0x00, 0xFF}));
}

TEST(ScanCharacterInk, GrowsTheBoxAndIgnoresBlankCharacters)
{
    LayoutBox box;
    CSurface blank(200, 200);
    ScanCharacterInk(blank.View(), 20, 30, box);
    EXPECT_EQ(box.minLeft, 200);
    EXPECT_EQ(box.minTop, 200);
    EXPECT_EQ(box.maxRight, 0);
    EXPECT_EQ(box.maxBottom, 0);
    EXPECT_EQ(box.x(), 200);
    EXPECT_EQ(box.w(), 1);
    EXPECT_EQ(box.y(), 200);
    EXPECT_EQ(box.h(), 1);

    CSurface first(200, 200);
    first.InkRect(5, 10, 14, 40);
    ScanCharacterInk(first.View(), 20, 45, box);
    EXPECT_EQ(box.x(), 5);
    EXPECT_EQ(box.y(), 10);
    EXPECT_EQ(box.w(), 15);
    EXPECT_EQ(box.h(), 41);

    // A second character reaching further left and lower widens the box; a blank one does not.
    CSurface second(200, 200);
    second.InkRect(2, 20, 8, 44);
    ScanCharacterInk(second.View(), 20, 45, box);
    ScanCharacterInk(blank.View(), 20, 45, box);
    EXPECT_EQ(box.x(), 2);
    EXPECT_EQ(box.y(), 10);
    EXPECT_EQ(box.w(), 15);
    EXPECT_EQ(box.h(), 45);
}

TEST(ScanCharacterInk, LooksOnlyInsideTheExtentForRightAndBottom)
{
    // The right scan covers columns advance..0 and the bottom scan rows lineHeight..0, while
    // the left scan reads rows 0..lineHeight of every column up to minLeft and the top scan
    // columns 0..advance of every row up to minTop.
    CSurface surface(200, 200);
    surface.Ink(11, 3);     // one past the advance of 10
    surface.Ink(50, 3);     // far right of the extent
    surface.Ink(4, 60);     // far below the extent
    LayoutBox box;
    ScanCharacterInk(surface.View(), 10, 20, box);
    EXPECT_EQ(box.maxRight, 0);     // right = -1: nothing in columns 0..10, rows 0..20
    EXPECT_EQ(box.maxBottom, 0);    // bottom = -1: no columns to look at
    EXPECT_EQ(box.minLeft, 11);     // column 11, row 3
    EXPECT_EQ(box.minTop, 60);      // row 60, column 4

    LayoutBox wide;
    ScanCharacterInk(surface.View(), 11, 20, wide);
    EXPECT_EQ(wide.maxRight, 11);
    EXPECT_EQ(wide.minTop, 3);
    EXPECT_EQ(wide.maxBottom, 3);
    EXPECT_EQ(wide.minLeft, 11);
}

TEST(Cp1251, MapsTheUpperHalf)
{
    EXPECT_EQ(Cp1251ToUnicode(65), u'A');
    EXPECT_EQ(Cp1251ToUnicode(0xC0), u'\u0410');
    EXPECT_EQ(Cp1251ToUnicode(0xFF), u'\u044F');
    EXPECT_EQ(Cp1251ToUnicode(0xA8), u'\u0401');
    EXPECT_EQ(Cp1251ToUnicode(0xB8), u'\u0451');
    EXPECT_EQ(Cp1251ToUnicode(0xB9), u'\u2116');
    EXPECT_EQ(Cp1251ToUnicode(0x99), u'\u2122');
    EXPECT_EQ(Cp1251ToUnicode(0x88), u'\u20AC');
    EXPECT_EQ(Cp1251ToUnicode(0x98), u'\u0098');
}
