// The screen's pitch measured from its ink: whole-pixel terminals, lines spaced wider than their
// cells, and a browser's fractional pitch.

#include "PagePitch.h"

#include "PageFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace pagefixtures;

namespace {

// Draws rows of random text with cells pitch pixels apart (rounded to whole pixels where the
// pitch is fractional) and lines linePitch apart.
CRaster Page(double pitch, int linePitch, unsigned seed)
{
    const CCharImageFont font = TestFont();
    std::mt19937 random(seed);
    CRaster picture;
    picture.Create(640, 12 * linePitch + 20, 0x202428);
    for (int row = 0; row < 12; ++row) {
        const std::string text = RandomText(random, 40 + static_cast<int>(random() % 30));
        for (std::size_t c = 0; c < text.size(); ++c) {
            const int x = 5 + static_cast<int>(std::lround(c * pitch));
            Draw(picture, font, std::string(1, text[c]), x, 7 + row * linePitch, 0xD0D0C0);
        }
    }
    return picture;
}

TEST(PagePitch, WholePixelTerminals)
{
    for (const int linePitch : {kH, kH + 2, kH + 4}) {
        const PagePitch pitch = MeasurePitch(InkMask(Page(kW, linePitch, 3), InkRule::Auto));
        EXPECT_EQ(pitch.linePitch, linePitch);
        EXPECT_EQ(pitch.columnPitch64, kW * 64);
        EXPECT_TRUE(pitch.WholePixelColumns());
        EXPECT_GT(pitch.columnClarity, 0.9);
    }
}

TEST(PagePitch, FractionalColumnsOfABrowser)
{
    // 8.45 pixels: every cell lands a little further right of the whole-pixel grid.
    const PagePitch pitch = MeasurePitch(InkMask(Page(8.45, kH + 3, 5), InkRule::Auto));
    EXPECT_EQ(pitch.linePitch, kH + 3);
    EXPECT_NEAR(pitch.columnPitch64, 8.45 * 64, 2);
    EXPECT_FALSE(pitch.WholePixelColumns());
}

// Glyphs that fill the gap after their cell now and then, in every other cell only (text kept to
// even columns, a dialog's fields): the double pitch shows the clearer gap, but a cell that wide
// is too wide for its lines.
TEST(PagePitch, GapsFilledInEveryOtherCell)
{
    const int linePitch = 2 * kW + 2;
    CRaster picture = Page(kW, linePitch, 7);
    std::mt19937 random(11);
    for (int row = 0; row < 12; ++row)
        for (int c = 1; c < 70; c += 2)
            if (random() % 4 == 0)
                for (int y = kH / 4; y < kH; ++y)
                    picture.SetPixel(5 + (c + 1) * kW - 1, 7 + row * linePitch + y, 0xD0D0C0);
    const PagePitch pitch = MeasurePitch(InkMask(picture, InkRule::Auto));
    EXPECT_EQ(pitch.linePitch, linePitch);
    EXPECT_EQ(pitch.columnPitch64, kW * 64);
}

TEST(PagePitch, NoGridNoPitch)
{
    CRaster picture;
    picture.Create(200, 100, CRaster::kWhite);
    EXPECT_EQ(MeasurePitch(InkMask(picture, InkRule::Auto)).columnPitch64, 0);
    // Noise has no empty phase at any period.
    std::mt19937 random(9);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            if (random() % 3 == 0)
                picture.SetPixel(x, y, CRaster::kBlack);
    const PagePitch noise = MeasurePitch(InkMask(picture, InkRule::Auto));
    EXPECT_EQ(noise.linePitch, 0);
    EXPECT_EQ(noise.columnPitch64, 0);
    EXPECT_EQ(MeasurePitch(InkBits{}).linePitch, 0);
}

}  // namespace
