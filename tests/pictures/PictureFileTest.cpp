// Pictures from PNG and Netpbm files against golden pixels, the refusals, and the choice of
// reader by a file's first bytes.
#include "BmpFile.h"
#include "GlyphFixtures.h"
#include "PictureFile.h"
#include "PngFile.h"
#include "PnmFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

const std::filesystem::path kPictures = PICTURE_DATA_DIR;

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The pixels of NAME.txt: rows of RRGGBB words.
CRaster ExpectedPixels(const std::filesystem::path& path)
{
    std::ifstream in(path);
    std::vector<std::vector<std::uint32_t>> rows;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        rows.emplace_back();
        for (std::string word; words >> word;)
            rows.back().push_back(static_cast<std::uint32_t>(std::stoul(word, nullptr, 16)));
    }
    CRaster raster;
    if (rows.empty() || !raster.Create(static_cast<int>(rows[0].size()), static_cast<int>(rows.size())))
        return raster;
    for (int y = 0; y < raster.height(); ++y)
        for (int x = 0; x < raster.width(); ++x)
            raster.SetPixel(x, y, rows[y].at(x));
    return raster;
}

// Every golden picture, with its kind named by its file.
std::vector<std::filesystem::path> GoldenPictures()
{
    std::vector<std::filesystem::path> pictures;
    for (const auto& entry : std::filesystem::directory_iterator(kPictures))
        if (entry.path().extension() == ".txt")
            pictures.push_back(entry.path().parent_path() / entry.path().stem());
    std::sort(pictures.begin(), pictures.end());
    return pictures;
}

}  // namespace

TEST(PictureFile, GoldenPicturesReadExactly)
{
    const std::vector<std::filesystem::path> pictures = GoldenPictures();
    // Grey, grey with alpha, palettes, RGB(A), 1 to 16 bits, interlaced; P1 to P6.
    EXPECT_GE(pictures.size(), 25U);
    for (const std::filesystem::path& path : pictures) {
        SCOPED_TRACE(path.filename().string());
        CRaster raster;
        std::string error;
        ASSERT_TRUE(LoadPicture(path.string(), raster, error)) << error;
        const CRaster expected = ExpectedPixels(path.string() + ".txt");
        ASSERT_EQ(raster.width(), expected.width());
        ASSERT_EQ(raster.height(), expected.height());
        for (int y = 0; y < raster.height(); ++y)
            for (int x = 0; x < raster.width(); ++x)
                ASSERT_EQ(raster.Pixel(x, y), expected.Pixel(x, y)) << "pixel " << x << ", " << y;
    }
}

TEST(PictureFile, BrokenFilesAreRefusedWithTheirReason)
{
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"bad-cut-in-pixels.png", "cut short"},
        {"bad-no-end.png", "cut short"},
        {"bad-header-crc.png", "damaged (IHDR: CRC error)"},
        {"bad-huge.png", "100000 x 100000 pixels is larger than the programs hold"},
        {"bad-depth.png", "damaged"},
        {"bad-cut.ppm", "cut short"},
        {"bad-above-maximum.pgm", "a sample of 11 is above its maximum of 10"},
        {"bad-maximum-0.pgm", "maximum sample value is not 1 to 65535"},
        {"bad-maximum-too-large.pgm", "maximum sample value is not 1 to 65535"},
        {"bad-huge.pgm", "100000 x 100000 pixels is larger than the programs hold"},
        {"bad-plain-letter.ppm", "a sample is not a number"},
        {"bad-no-size.pbm", "cut short"},
        {"bad-empty.pgm", "no pixels"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CRaster raster;
        ASSERT_TRUE(raster.Create(2, 2, 0x123456));
        const CRaster before = raster;
        const std::string path = (kPictures / c.name).string();
        std::string error;
        EXPECT_FALSE(LoadPicture(path, raster, error));
        EXPECT_EQ(error.rfind(path + ": ", 0), 0U) << error;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_EQ(raster, before);
    }
}

// A file cut anywhere is refused, never read as a smaller or partly white picture. (A plain
// Netpbm file cut inside its last number still parses, so only the binary kinds are cut.)
TEST(PictureFile, EveryPrefixOfABinaryFileIsRefused)
{
    for (const char* name : {"rgb8-interlaced.png", "palette8-trns.png", "rgba16.png", "rgb-raw16.ppm", "bitmap-raw.pbm"}) {
        SCOPED_TRACE(name);
        const std::vector<std::uint8_t> bytes = ReadBytes(kPictures / name);
        ASSERT_FALSE(bytes.empty());
        for (std::size_t size = 0; size < bytes.size(); ++size) {
            CRaster raster;
            std::string error;
            EXPECT_FALSE(DecodePicture(std::span(bytes.data(), size), raster, error)) << size << " bytes";
            EXPECT_FALSE(error.empty());
            EXPECT_TRUE(raster.empty());
        }
    }
}

TEST(PictureFile, ReaderIsChosenByTheFirstBytes)
{
    fixtures::TempDir dir;
    CRaster picture;
    ASSERT_TRUE(picture.Create(5, 3, 0x204060));
    picture.SetPixel(4, 2, 0x000000);

    // A .BMP named .png, and a PNG named .bmp, read as what they are.
    const std::string bmp = dir.File("shot.png");
    std::ofstream(bmp, std::ios::binary) << std::string_view(reinterpret_cast<const char*>(EncodeBmp24(picture).data()),
                                                               EncodeBmp24(picture).size());
    CRaster raster;
    std::string error;
    ASSERT_TRUE(LoadPicture(bmp, raster, error)) << error;
    EXPECT_EQ(raster, picture);
    std::filesystem::copy_file(kPictures / "rgb8.png", dir.File("shot.bmp"));
    ASSERT_TRUE(LoadPicture(dir.File("shot.bmp"), raster, error)) << error;
    EXPECT_EQ(raster.width(), 9);

    const std::string text = dir.File("notes.txt");
    std::ofstream(text) << "Plain words.\n";
    EXPECT_FALSE(LoadPicture(text, raster, error));
    EXPECT_EQ(error, text + ": it is not a BMP, PNG or Netpbm picture");
    EXPECT_FALSE(LoadPicture(dir.File("missing.png"), raster, error));
    EXPECT_EQ(error, dir.File("missing.png") + ": the file cannot be opened or is too large");
    EXPECT_EQ(raster.width(), 9);
}
