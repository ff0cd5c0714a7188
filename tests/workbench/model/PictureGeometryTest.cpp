// The picture rectangle, text origin and cell grid of a font's cell and a count of positions.
#include "PictureGeometry.h"

#include "GlyphFixtures.h"

#include <gtest/gtest.h>

#include <climits>

TEST(PictureGeometry, RectangleOriginAndGridOfOddCells)
{
    const PictureGeometry geometry = PictureGeometry::Of(fixtures::MakeNoiseFont(32, 64, 9, 13), 5);
    EXPECT_EQ(geometry.Rect(), (CRect{0, 0, 54, 26}));
    EXPECT_EQ(geometry.OriginX(), 4);
    EXPECT_EQ(geometry.OriginY(), 6);
    const CellGrid grid = geometry.Grid();
    EXPECT_EQ(grid.left, 4);
    EXPECT_EQ(grid.top, 6);
    EXPECT_EQ(grid.width, 9);
    EXPECT_EQ(grid.height, 13);
    // The last cell ends half a cell before the rectangle's right edge.
    EXPECT_EQ(grid.CellLeft(4) + grid.width, geometry.Rect().right - 5);
    EXPECT_TRUE(geometry.Allowed());
}

TEST(PictureGeometry, CountsPastTheBoundsAreRefusedAndClamped)
{
    const CCharImageFont font = fixtures::MakeNoiseFont(32, 64, 40, 48);
    // A negative count read from a file gives an empty rectangle, never a negative one.
    EXPECT_EQ(PictureGeometry::Of(font, -5).Rect(), (CRect{0, 0, 0, 96}));
    EXPECT_FALSE(PictureGeometry::Of(font, -5).Allowed());
    EXPECT_TRUE(PictureGeometry::Of(font, -1).Allowed());
    // 64-bit sizes: a count whose width passes INT_MAX is refused and its rectangle clamped.
    const PictureGeometry huge = PictureGeometry::Of(font, std::int64_t{INT_MAX});
    EXPECT_FALSE(huge.Allowed());
    EXPECT_EQ(huge.Rect().right, INT_MAX);
    // The bound is on the pixels: 64 Mi of them, 256 MiB.
    const std::int64_t cells = CRaster::kMaxPixels / (40 * 96) - 1;
    EXPECT_TRUE(PictureGeometry::Of(font, cells).Allowed());
    EXPECT_FALSE(PictureGeometry::Of(font, cells + 1).Allowed());
    // A font without glyphs has cell 0 x 0: any count fits in no pixels.
    EXPECT_EQ(PictureGeometry::Of(CCharImageFont(), 1000).Rect(), (CRect{0, 0, 0, 0}));
    EXPECT_TRUE(PictureGeometry::Of(CCharImageFont(), 1000).Allowed());
}
