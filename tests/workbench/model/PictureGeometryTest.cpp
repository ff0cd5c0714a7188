// The bounds of the picture rectangle of a font's cell and a count of positions.
#include "PictureGeometry.h"

#include "GlyphFixtures.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

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
    // Odd cells: the origin and the first cell round down.
    const CellGrid grid = PictureGeometry::Of(fixtures::MakeNoiseFont(32, 64, 9, 13), 5).Grid();
    EXPECT_EQ((std::vector<long long>{grid.left, grid.top, grid.width, grid.height}),
              (std::vector<long long>{4, 6, 9, 13}));
    // A font without glyphs has cell 0 x 0: any count fits in no pixels.
    EXPECT_EQ(PictureGeometry::Of(CCharImageFont(), 1000).Rect(), (CRect{0, 0, 0, 0}));
    EXPECT_TRUE(PictureGeometry::Of(CCharImageFont(), 1000).Allowed());
}
