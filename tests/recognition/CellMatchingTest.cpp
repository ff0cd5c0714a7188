// Capture of a cell from the picture, glyph copies and match costs, and the kernels of
// every instruction set against plain pixel-by-pixel sampling.
#include "CellMatching.h"
#include "GlyphFixtures.h"
#include "LiteralRecognition.h"
#include "MatchKernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <random>

namespace {

CRaster WhitePicture(int width, int height)
{
    CRaster picture;
    picture.Create(width, height, CRaster::kWhite);
    return picture;
}

void Copy(CBitImage& image, const CCharImage& glyph)
{
    CopyFromGlyph(image, &glyph);
}

}  // namespace

TEST(CellMatching, CaptureTakesPixelsRightOfTheCellInTheLastByte)
{
    CRaster picture = WhitePicture(30, 4);
    picture.SetPixel(2, 1, CRaster::kBlack);    // first pixel of the cell
    picture.SetPixel(11, 1, CRaster::kBlack);   // last pixel of the cell
    picture.SetPixel(12, 1, CRaster::kBlack);   // just right of it, still in the last byte
    picture.SetPixel(17, 1, CRaster::kBlack);   // also in the last byte
    picture.SetPixel(18, 1, CRaster::kBlack);   // past the last byte
    CBitImage image;
    ASSERT_EQ(1, CaptureFromDC(image, picture, 2, 1, 12, 3));
    EXPECT_EQ(10, image.Width());
    EXPECT_EQ(2, image.Height());
    EXPECT_EQ(2, image.BytesPerRow());
    EXPECT_EQ((std::vector<std::uint8_t>{0x80, 0x61, 0x00, 0x00}), image.m_Bits);
}

TEST(CellMatching, CaptureCountsOnlyExactBlackInsideThePicture)
{
    CRaster picture = WhitePicture(8, 2);
    picture.SetPixel(0, 0, 0x000001);
    picture.SetPixel(1, 0, 0x808080);
    picture.SetPixel(2, 0, CRaster::kBlack);
    picture.SetPixel(7, 1, CRaster::kBlack);
    CBitImage image;
    // The cell reaches 4 pixels past the left and bottom edges and 4 past the right one.
    ASSERT_EQ(1, CaptureFromDC(image, picture, -4, 0, 12, 3));
    EXPECT_EQ((std::vector<std::uint8_t>{0x02, 0x00, 0x00, 0x10, 0x00, 0x00}), image.m_Bits);
}

TEST(CellMatching, CaptureOfAnEmptyRectangleSamplesNothing)
{
    const CRaster picture = WhitePicture(8, 8);
    CBitImage image;
    EXPECT_EQ(0, CaptureFromDC(image, picture, 3, 3, 3, 7));
    EXPECT_EQ(0, image.Width());
    EXPECT_EQ(4, image.Height());
    EXPECT_FALSE(image.HasBits());
    EXPECT_EQ(0, CaptureFromDC(image, picture, 0, 0, 5, 0));
}

TEST(CellMatching, MatchCostCountsEveryBitOfEqualSizedImages)
{
    CBitImage a, b;
    Copy(a, fixtures::MakeGlyphFromBits(10, 2, {0xFF, 0x3F, 0x00, 0x01}));
    Copy(b, fixtures::MakeGlyphFromBits(10, 2, {0x0F, 0x00, 0x00, 0x00}));
    EXPECT_EQ(4, a.BytesPerRow() * a.Height());
    // The six bits past the width in 0x3F and the last bit of 0x01 count too.
    EXPECT_EQ(4 + 6 + 1, MatchCost(a, b));
    EXPECT_EQ(0, MatchCost(a, a));

    CBitImage wider, higher, empty, emptyToo;
    Copy(wider, fixtures::MakeGlyph(11, 2));
    Copy(higher, fixtures::MakeGlyph(10, 3));
    EXPECT_EQ(-1, MatchCost(a, wider));
    EXPECT_EQ(-1, MatchCost(higher, a));
    Copy(empty, fixtures::MakeGlyph(0, 5));
    CopyFromGlyph(emptyToo, nullptr);
    EXPECT_EQ(0, MatchCost(empty, empty));
    EXPECT_EQ(0, emptyToo.Width());
    EXPECT_EQ(0, MatchCost(emptyToo, emptyToo));
}

TEST(MatchKernels, EveryPathCountsLikeBytes)
{
    std::mt19937 random(42);
    for (std::size_t stride : {std::size_t{0}, std::size_t{64}, std::size_t{128}, std::size_t{768}}) {
        for (int cells : {1, 3, 4, 5, 9}) {
            for (std::size_t rows : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{7}}) {
                CAlignedBytes cellBytes(std::max<std::size_t>(stride * cells, 1));
                CAlignedBytes rowBytes(std::max<std::size_t>(stride * rows, 1));
                for (std::size_t i = 0; i < stride * cells; ++i)
                    cellBytes.data()[i] = static_cast<std::uint8_t>(random());
                for (std::size_t i = 0; i < stride * rows; ++i)
                    rowBytes.data()[i] = static_cast<std::uint8_t>(random());
                std::vector<std::int32_t> expected(cells * rows);
                for (int c = 0; c < cells; ++c)
                    for (std::size_t g = 0; g < rows; ++g)
                        for (std::size_t i = 0; i < stride; ++i)
                            expected[c * rows + g] += std::popcount(static_cast<unsigned>(cellBytes.data()[c * stride + i] ^ rowBytes.data()[g * stride + i]));
                for (MatchPath path : SupportedMatchPaths()) {
                    std::vector<std::int32_t> out(cells * rows, -5);
                    XorPopcountBlock(path, cellBytes.data(), cells, rowBytes.data(), stride, rows, out.data());
                    EXPECT_EQ(expected, out) << MatchPathName(path) << " stride " << stride << " cells " << cells << " rows " << rows;
                }
            }
        }
    }
}

TEST(MatchKernels, EveryPathCapturesPixelByPixel)
{
    std::mt19937 random(7);
    static const std::uint32_t kColours[] = {CRaster::kBlack, CRaster::kWhite, 0x000001, 0x808080, 0x010101};
    std::string ran;
    for (MatchPath path : SupportedMatchPaths())
        ran += std::string(MatchPathName(path)) + " ";
    RecordProperty("match_paths", ran);
    for (int run = 0; run < 300; ++run) {
        CRaster picture = WhitePicture(static_cast<int>(random() % 90), static_cast<int>(random() % 20));
        for (int i = static_cast<int>(random() % 400); i > 0 && !picture.empty(); --i)
            picture.SetPixel(static_cast<int>(random() % picture.width()), static_cast<int>(random() % picture.height()),
                             kColours[random() % std::size(kColours)]);
        const int width = static_cast<int>(random() % 40);
        const int height = static_cast<int>(random() % 12);
        const int left = static_cast<int>(random() % 100) - 20;
        const int top = static_cast<int>(random() % 30) - 8;
        literal::BitImage expected;
        literal::CaptureFromDC(expected, picture, left, top, left + width, top + height);
        const std::size_t used = expected.bits.size();
        const std::size_t stride = PackedStride(used);
        for (MatchPath path : SupportedMatchPaths()) {
            CAlignedBytes out(stride + kPackedBlock);
            std::fill(out.data(), out.data() + out.size(), std::uint8_t{0xAA});
            CaptureCellBits(path, picture, left, top, width, height, out.data(), stride);
            EXPECT_TRUE(std::equal(expected.bits.begin(), expected.bits.end(), out.data())) << MatchPathName(path) << " run " << run;
            EXPECT_TRUE(std::all_of(out.data() + used, out.data() + stride, [](std::uint8_t b) { return b == 0; }));
            EXPECT_EQ(0xAA, out.data()[stride]) << "wrote past the stride";
        }
        if (HasFailure())
            return;
    }
}

TEST(MatchKernels, PortableAlwaysRunsAndTheFastestIsSupported)
{
    const std::vector<MatchPath> paths = SupportedMatchPaths();
    ASSERT_FALSE(paths.empty());
    EXPECT_EQ(MatchPath::Portable, paths.front());
    EXPECT_EQ(paths.back(), FastestMatchPath());
}
