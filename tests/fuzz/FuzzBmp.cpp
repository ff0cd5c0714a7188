#include "FuzzCheck.h"
#include "FuzzTargets.h"

#include "BmpFile.h"
#include "CRaster.h"

#include <cstdlib>

namespace fuzzing {

namespace {

// True for a run-length file that announces a picture too large to fill quickly but small
// enough to be made: a few bytes of such data would slow every run down to a crawl, while
// its decoding takes the same paths as a small picture's.
bool IsLargeRunLengthPicture(std::span<const std::uint8_t> data)
{
    if (data.size() < 14 + 20)
        return false;
    auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(data[at]) | static_cast<std::uint32_t>(data[at + 1]) << 8 |
               static_cast<std::uint32_t>(data[at + 2]) << 16 | static_cast<std::uint32_t>(data[at + 3]) << 24;
    };
    const std::uint32_t compression = u32(30);
    if (u32(14) == 12 || (compression != 1 && compression != 2))
        return false;
    const std::int64_t width = static_cast<std::int32_t>(u32(18));
    const std::int64_t height = std::llabs(static_cast<std::int32_t>(u32(22)));
    const std::int64_t pixels = width * height;
    return pixels > (std::int64_t{1} << 16) && CRaster::SizeAllowed(width, height);
}

}  // namespace

void FuzzBmp(std::span<const std::uint8_t> data)
{
    if (IsLargeRunLengthPicture(data))
        return;
    const PictureLoad load = DecodeBmp(data);
    if (!load.Ok()) {
        // A refused file gives no picture and says why.
        FUZZ_CHECK(load.raster.empty());
        FUZZ_CHECK(!load.reason.empty());
        return;
    }
    const CRaster& raster = load.raster;
    FUZZ_CHECK(!raster.empty());
    FUZZ_CHECK(CRaster::SizeAllowed(raster.width(), raster.height()));

    // Saved as a 24-bit file and read again, the picture keeps every pixel.
    const std::vector<std::uint8_t> encoded = EncodeBmp24(raster);
    FUZZ_CHECK(static_cast<std::int64_t>(encoded.size()) ==
               kBmpHeadersSize + BmpStride(raster.width(), 24) * raster.height());
    const PictureLoad copy = DecodeBmp(encoded);
    FUZZ_CHECK(copy.Ok());
    FUZZ_CHECK(copy.raster == raster);
}

}  // namespace fuzzing
