// Memory that runs out while a picture is read is a refusal that says so, never an exception
// or an abort, in every format.
#include "AllocationLimit.h"

#include "BmpFile.h"
#include "GlyphFixtures.h"
#include "PictureFile.h"
#include "PictureGoldens.h"

#include <gtest/gtest.h>

#include <fstream>

TEST(PictureMemory, RunningOutWhileAPictureIsReadSaysSoInEveryFormat)
{
    // Pictures of 1000 x 1000 pixels take 4 MB; their files are small, but for the .BMP,
    // whose 3 MB of bytes are refused first.
    fixtures::TempDir dir;
    const std::string pgm = dir.File("white.pgm");
    std::ofstream(pgm, std::ios::binary) << "P5 1000 1000 255\n" << std::string(1000000, '\xFF');
    CRaster white;
    ASSERT_TRUE(white.Create(1000, 1000));
    const std::string bmp = dir.File("white.bmp");
    const std::vector<std::uint8_t> bmpBytes = EncodeBmp24(white);
    std::ofstream(bmp, std::ios::binary).write(reinterpret_cast<const char*>(bmpBytes.data()),
                                               static_cast<std::streamsize>(bmpBytes.size()));
    const std::string png = (fixtures::kPictureData / "white-1000.png").string();
    const std::string jpeg = (fixtures::kPictureData / "white-1000.jpg").string();
    const std::string webp = (fixtures::kPictureData / "white-1000.webp").string();

    for (const std::string& path : {pgm, bmp, png, jpeg, webp}) {
        SCOPED_TRACE(path);
        ASSERT_EQ(LoadPicture(path).raster, white);
        hardening::CAllocationLimit limit(std::size_t{2} << 20);
        const PictureLoad load = LoadPicture(path);
        EXPECT_EQ(load.problem, PictureProblem::OutOfMemory);
        EXPECT_EQ(load.message, "not enough memory to read " + path);
        EXPECT_TRUE(load.raster.empty());
        EXPECT_GT(limit.LargestRefused(), 0U);
    }
}
