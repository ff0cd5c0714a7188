#include "CCharImageFont.h"
#include "CRaster.h"
#include "GlyphFixtures.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

// The raster as rows of '#' (black), '.' (white) and '?' (anything else).
std::vector<std::string> Picture(const CRaster& raster)
{
    std::vector<std::string> rows;
    for (int y = 0; y < raster.height(); ++y) {
        std::string row;
        for (int x = 0; x < raster.width(); ++x) {
            const std::uint32_t c = raster.Pixel(x, y);
            row += c == CRaster::kBlack ? '#' : c == CRaster::kWhite ? '.' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

}  // namespace

TEST(CRaster, CreatePixelsAndFill)
{
    CRaster raster;
    EXPECT_TRUE(raster.empty());
    ASSERT_TRUE(raster.Create(4, 3, CRaster::kGrey));
    EXPECT_EQ(raster.Pixel(3, 2), CRaster::kGrey);
    EXPECT_EQ(raster.Bits()[0], 0xFF808080u);  // Format_RGB32 layout
    EXPECT_EQ(raster.Pixel(4, 0), CRaster::kInvalidColour);
    EXPECT_EQ(raster.Pixel(-1, 0), CRaster::kInvalidColour);
    EXPECT_FALSE(raster.IsInk(4, 0));

    raster.SetPixel(1, 1, CRaster::kBlack);
    raster.SetPixel(-1, 1, CRaster::kBlack);
    raster.SetPixel(1, 3, CRaster::kBlack);
    EXPECT_TRUE(raster.IsInk(1, 1));
    raster.SetPixel(2, 1, 0x000001);
    EXPECT_FALSE(raster.IsInk(2, 1));

    raster.FillRect(-5, 2, 2, 99, CRaster::kBlack);
    raster.FillRect(3, 0, 2, 3, CRaster::kBlack);  // empty: right < left
    EXPECT_EQ(Picture(raster), (std::vector<std::string>{"????", "?#??", "##??"}));
    raster.Fill(CRaster::kWhite);
    EXPECT_EQ(Picture(raster), (std::vector<std::string>{"....", "....", "...."}));

    EXPECT_TRUE(raster.Create(0, 5));
    EXPECT_TRUE(raster.empty());
    EXPECT_FALSE(raster.Create(-1, 5));
    EXPECT_FALSE(raster.Create(1 << 14, 1 << 14));  // 256 Mi pixels, four times the limit
    EXPECT_TRUE(raster.empty());
    EXPECT_TRUE(CRaster::SizeAllowed(8192, 8192));
    EXPECT_FALSE(CRaster::SizeAllowed(8193, 8192));
    EXPECT_FALSE(CRaster::SizeAllowed(INT_MAX, 0));
}

TEST(CCharImage, DrawAtPaintsTheRectangleButNotBitsPastTheWidth)
{
    // 10 x 2; every bit of each row's second byte is set, only 2 of them lie inside.
    const CCharImage glyph = fixtures::MakeGlyphFromBits(10, 2, {0x81, 0xFF, 0x00, 0xFF});
    CRaster raster;
    raster.Create(13, 4, CRaster::kGrey);
    glyph.DrawAt(raster, 1, 1);
    EXPECT_EQ(Picture(raster), (std::vector<std::string>{"?????????????",
                                                          "?#......###??",
                                                          "?........##??",
                                                          "?????????????"}));

    // Partly outside the surface: the inside part is painted, nothing else happens.
    raster.Fill(CRaster::kGrey);
    glyph.DrawAt(raster, -8, 3);
    EXPECT_EQ(Picture(raster)[3], "##???????????");
    glyph.DrawAt(raster, INT_MAX - 3, INT_MIN + 1);

    // An empty glyph paints nothing.
    fixtures::MakeGlyph(0, 5).DrawAt(raster, 0, 0);
    EXPECT_EQ(Picture(raster)[0], "?????????????");
}

TEST(CCharImage, DrawAtMatchesTheBitsAtEveryOffsetAndClip)
{
    // 21 columns: partial bytes at both ends of the byte-wise path, at any start column.
    const CCharImage glyph = fixtures::MakeNoiseGlyph(21, 3, 7);
    for (int x = -12; x <= 14; ++x) {
        CRaster raster;
        raster.Create(30, 5, CRaster::kGrey);
        ASSERT_TRUE(raster.Create(30, 5, CRaster::kGrey)) << "same size again";
        glyph.DrawAt(raster, x, 1);
        for (int py = 0; py < 5; ++py)
            for (int px = 0; px < 30; ++px) {
                const int c = px - x;
                const bool inside = py >= 1 && py < 4 && c >= 0 && c < 21;
                const std::uint32_t expected =
                    !inside ? CRaster::kGrey
                            : ((glyph.Bits()[static_cast<std::size_t>((py - 1) * glyph.BytesPerRow() + c / 8)] >> (7 - c % 8)) & 1)
                                  ? CRaster::kBlack
                                  : CRaster::kWhite;
                ASSERT_EQ(raster.Pixel(px, py), expected) << x << ": " << px << "," << py;
            }
    }
}

TEST(CCharImageFont, DrawStringAdvancesByGlyphWidthAndSkipsCodesOutside)
{
    // 65 is 3 wide, 67 is 2 wide, 66 is excluded (0 x 0); the font ends at 67.
    const CCharImageFont font = fixtures::MakeFont(65, 67, [](int code) {
        if (code == 65)
            return fixtures::MakeGlyph(3, 2, {"#.#", ".#."});
        if (code == 67)
            return fixtures::MakeGlyph(2, 2, {"##", "##"});
        return CCharImage();
    });
    CRaster raster;
    raster.Create(9, 3, CRaster::kGrey);
    // '@' (below first) and 'D' (above last) are skipped without advancing; 'B' draws nothing.
    font.DrawString(raster, "@ABDCA", 1, 1);
    EXPECT_EQ(Picture(raster), (std::vector<std::string>{"?????????",
                                                          "?#.####.#",
                                                          "?.#.##.#."}));

    // Codes above 127 are unsigned codes, not negative ones.
    const CCharImageFont high = fixtures::MakeFont(200, 200, [](int) { return fixtures::MakeGlyph(1, 1, {"#"}); });
    raster.Fill(CRaster::kGrey);
    high.DrawString(raster, std::string(2, static_cast<char>(200)), 0, 0);
    EXPECT_EQ(Picture(raster)[0], "##???????");

    // A font without glyphs draws nothing, whatever its range.
    CCharImageFont empty;
    empty.m_nFirst = 0;
    empty.m_nLast = 255;
    raster.Fill(CRaster::kGrey);
    empty.DrawString(raster, "ABC", 0, 0);
    EXPECT_EQ(Picture(raster)[0], "?????????");
}
