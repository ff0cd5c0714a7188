// Ink reaching over from the line below: a few pixels along a cell's bottom edge that go on into
// the next row are that glyph's, while a mark of the cell's own stays.

#include "PageOverflow.h"

#include "PageInk.h"

#include <gtest/gtest.h>

namespace {

constexpr int kW = 6;
constexpr int kH = 8;

PageLine LineOf(int top, int cells)
{
    PageLine line;
    line.grid = WholePixelLine(0, top, cells, kW, kH);
    line.cells.resize(static_cast<std::size_t>(cells));
    for (PageCell& cell : line.cells) {
        cell.code = U'.';
        cell.best = 1;
    }
    return line;
}

}  // namespace

TEST(PageOverflow, PixelsGoingOnIntoTheNextRowAreThatGlyphs)
{
    CRaster picture;
    picture.Create(4 * kW, 2 * kH, CRaster::kWhite);
    // Cell 0: three pixels at its bottom that go on into the line below (an accent's top).
    for (int y = kH - 2; y < kH + 3; ++y)
        picture.SetPixel(2, y, CRaster::kBlack);
    picture.SetPixel(3, kH - 1, CRaster::kBlack);
    // Cell 1: the same pixels with nothing below: a mark of its own.
    picture.SetPixel(kW + 2, kH - 2, CRaster::kBlack);
    picture.SetPixel(kW + 2, kH - 1, CRaster::kBlack);
    picture.SetPixel(kW + 3, kH - 1, CRaster::kBlack);
    // Cell 2: four pixels going on below: more than an edge.
    for (int x = 2 * kW + 1; x < 2 * kW + 5; ++x)
        picture.SetPixel(x, kH - 1, CRaster::kBlack);
    for (int y = kH; y < kH + 3; ++y)
        picture.SetPixel(2 * kW + 2, y, CRaster::kBlack);
    // Cell 3: going on below but its glyph explains it exactly.
    picture.SetPixel(3 * kW + 2, kH - 1, CRaster::kBlack);
    picture.SetPixel(3 * kW + 2, kH, CRaster::kBlack);

    const InkBits ink = InkMask(picture, InkRule::Black);
    std::vector<PageLine> lines = {LineOf(0, 4)};
    lines[0].cells[3].best = 0;
    ClearOverflow(ink, kW, kH, lines);
    EXPECT_TRUE(lines[0].cells[0].bBlank);
    EXPECT_EQ(lines[0].cells[0].code, U' ');
    EXPECT_FALSE(lines[0].cells[1].bBlank);
    EXPECT_FALSE(lines[0].cells[2].bBlank);
    EXPECT_FALSE(lines[0].cells[3].bBlank);

    // The same from above: a descender's end at the top of the line below.
    std::vector<PageLine> below = {LineOf(kH, 1)};
    CRaster picture2;
    picture2.Create(kW, 2 * kH, CRaster::kWhite);
    for (int y = kH - 4; y < kH + 1; ++y)
        picture2.SetPixel(1, y, CRaster::kBlack);
    ClearOverflow(InkMask(picture2, InkRule::Black), kW, kH, below);
    EXPECT_TRUE(below[0].cells[0].bBlank);
}

// The glyph beside wider than its cell: a few pixels in a cell's last column that go on into the
// next cell's glyph are that glyph's, even where a glyph of few pixels explains them exactly;
// pixels in the middle of the cell, or in its last column with nothing beyond, stay.
TEST(PageOverflow, PixelsGoingOnIntoTheCellBesideAreThatGlyphs)
{
    CRaster picture;
    picture.Create(6 * kW, kH, CRaster::kWhite);
    // Cells 0 and 1: two pixels in cell 0's last column, going on into the stem of cell 1's glyph.
    for (int y = 1; y < kH - 1; ++y)
        picture.SetPixel(kW, y, CRaster::kBlack);
    picture.SetPixel(kW - 1, 3, CRaster::kBlack);
    picture.SetPixel(kW - 1, 4, CRaster::kBlack);
    // Cell 2: the same two pixels with nothing beyond: a mark of its own.
    picture.SetPixel(3 * kW - 1, 3, CRaster::kBlack);
    picture.SetPixel(3 * kW - 1, 4, CRaster::kBlack);
    // Cell 4: pixels in its middle beside the same stem in cell 5.
    for (int y = 1; y < kH - 1; ++y)
        picture.SetPixel(5 * kW, y, CRaster::kBlack);
    picture.SetPixel(4 * kW + 2, 3, CRaster::kBlack);
    picture.SetPixel(4 * kW + 2, 4, CRaster::kBlack);

    std::vector<PageLine> lines = {LineOf(0, 6)};
    for (PageCell& cell : lines[0].cells)
        cell.best = 0;
    lines[0].cells[3].bBlank = true;
    ClearOverflow(InkMask(picture, InkRule::Black), kW, kH, lines);
    EXPECT_TRUE(lines[0].cells[0].bBlank);
    EXPECT_EQ(lines[0].cells[0].code, U' ');
    EXPECT_FALSE(lines[0].cells[1].bBlank);
    EXPECT_FALSE(lines[0].cells[2].bBlank);
    EXPECT_FALSE(lines[0].cells[4].bBlank);
    EXPECT_FALSE(lines[0].cells[5].bBlank);
}
