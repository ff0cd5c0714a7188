// The pen width of an .rdf document is any int32 the file holds; a stroke drawn with it stays
// within the picture and reports a damaged rectangle that holds the segment.
#include "CRaster.h"
#include "StrokeDrawing.h"

#include <gtest/gtest.h>

#include <climits>

TEST(SizeBounds, PenWidthsFromAFileDrawWithoutOverflow)
{
    for (const int width : {INT_MAX, INT_MAX - 1, 1 << 30, 100000, INT_MIN, -1, 0}) {
        CRaster raster;
        ASSERT_TRUE(raster.Create(64, 32, CRaster::kWhite));
        const QRect damaged = DrawStrokeSegment(raster, QPoint(10, 10), QPoint(50, 20), width, CRaster::kBlack);
        EXPECT_TRUE(damaged.contains(QPoint(10, 10)) && damaged.contains(QPoint(50, 20))) << width;
        // A pen far wider than the picture covers all of it; a thin one draws a line.
        const bool wide = width >= 100000;
        EXPECT_EQ(raster.IsInk(0, 31), wide) << width;
        EXPECT_TRUE(raster.IsInk(10, 10)) << width;
    }
}
