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
// pixels in the middle of the cell, or in its last column with nothing beyond, stay, and so does
// a line's first cell, which marks where its screen begins.
TEST(PageOverflow, PixelsGoingOnIntoTheCellBesideAreThatGlyphs)
{
    CRaster picture;
    picture.Create(7 * kW, kH, CRaster::kWhite);
    auto stem = [&](int cell) {
        for (int y = 1; y < kH - 1; ++y)
            picture.SetPixel(cell * kW, y, CRaster::kBlack);
    };
    auto pixels = [&](int x) {
        picture.SetPixel(x, 3, CRaster::kBlack);
        picture.SetPixel(x, 4, CRaster::kBlack);
    };
    // Cell 0, the line's first: two pixels in its last column going on into cell 1's stem.
    stem(1);
    pixels(kW - 1);
    // Cell 2: the same, going on into cell 3's stem.
    stem(3);
    pixels(3 * kW - 1);
    // Cell 4: the same two pixels with nothing beyond (cell 5 blank): a mark of its own.
    pixels(5 * kW - 1);
    // Cell 5 is blank; cell 6: pixels in its middle, and nothing beyond the line.
    pixels(6 * kW + 2);

    std::vector<PageLine> lines = {LineOf(0, 7)};
    for (PageCell& cell : lines[0].cells)
        cell.best = 0;
    lines[0].cells[5].bBlank = true;
    ClearOverflow(InkMask(picture, InkRule::Black), kW, kH, lines);
    EXPECT_FALSE(lines[0].cells[0].bBlank);
    EXPECT_FALSE(lines[0].cells[1].bBlank);
    EXPECT_TRUE(lines[0].cells[2].bBlank);
    EXPECT_EQ(lines[0].cells[2].code, U' ');
    EXPECT_FALSE(lines[0].cells[3].bBlank);
    EXPECT_FALSE(lines[0].cells[4].bBlank);
    EXPECT_FALSE(lines[0].cells[6].bBlank);

    // A wider and taller cell: a foot of four pixels over its last two columns (the serif of д
    // reaching back into the space before it) is the glyph beside's too.
    constexpr int kWide = 8;
    constexpr int kTall = 12;
    CRaster wide;
    wide.Create(3 * kWide, kTall, CRaster::kWhite);
    for (int y = 2; y < kTall - 2; ++y)
        wide.SetPixel(2 * kWide + 1, y, CRaster::kBlack);
    for (int x = 2 * kWide - 2; x <= 2 * kWide + 1; ++x)
        wide.SetPixel(x, kTall - 3, CRaster::kBlack);
    wide.SetPixel(2 * kWide - 1, kTall - 2, CRaster::kBlack);
    wide.SetPixel(2 * kWide - 2, kTall - 2, CRaster::kBlack);
    wide.SetPixel(2, 5, CRaster::kBlack);  // cell 0 holds a mark of its own
    PageLine line;
    line.grid = WholePixelLine(0, 0, 3, kWide, kTall);
    line.cells.resize(3);
    for (PageCell& cell : line.cells)
        cell.code = U'.';
    std::vector<PageLine> wideLines = {line};
    ClearOverflow(InkMask(wide, InkRule::Black), kWide, kTall, wideLines);
    EXPECT_TRUE(wideLines[0].cells[1].bBlank);
    EXPECT_FALSE(wideLines[0].cells[2].bBlank);
}
