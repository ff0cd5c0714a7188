#include "FuzzCheck.h"
#include "FuzzTargets.h"

#include "CRaster.h"
#include "PngFile.h"
#include "PnmFile.h"

#include <string>
#include <vector>

namespace fuzzing {

namespace {

// The picture as a raw PPM (P6) file, written here from the format's definition.
std::vector<std::uint8_t> EncodePpm(const CRaster& raster)
{
    const std::string header = "P6\n" + std::to_string(raster.width()) + " " + std::to_string(raster.height()) + "\n255\n";
    std::vector<std::uint8_t> out(header.begin(), header.end());
    out.reserve(out.size() + static_cast<std::size_t>(raster.width()) * raster.height() * 3);
    for (int y = 0; y < raster.height(); ++y)
        for (int x = 0; x < raster.width(); ++x) {
            const std::uint32_t pixel = raster.Pixel(x, y);
            out.push_back(static_cast<std::uint8_t>(pixel >> 16));
            out.push_back(static_cast<std::uint8_t>(pixel >> 8));
            out.push_back(static_cast<std::uint8_t>(pixel));
        }
    return out;
}

using Decoder = bool (*)(std::span<const std::uint8_t>, CRaster&, std::string&);

// Decodes data; a refusal leaves the picture as it was and says why, and a picture that is
// read has pixels within the bound and survives a trip through a PPM file unchanged.
void CheckDecoder(Decoder decode, std::span<const std::uint8_t> data)
{
    CRaster raster;
    FUZZ_CHECK(raster.Create(3, 2, 0x123456));
    const CRaster before = raster;
    std::string error;
    if (!decode(data, raster, error)) {
        FUZZ_CHECK(raster == before);
        FUZZ_CHECK(!error.empty());
        return;
    }
    FUZZ_CHECK(!raster.empty());
    FUZZ_CHECK(CRaster::SizeAllowed(raster.width(), raster.height()));
    for (int y = 0; y < raster.height(); ++y)
        for (int x = 0; x < raster.width(); ++x)
            FUZZ_CHECK((raster.Row(y)[x] >> 24) == 0xFF);
    CRaster copy;
    FUZZ_CHECK(DecodePnm(EncodePpm(raster), copy, error));
    FUZZ_CHECK(copy == raster);
}

// True for a PNG whose header announces more pixels than a quick run should fill: a few
// bytes of such a file would slow every run down, while its decoding takes the same paths as
// a small picture's.
bool IsLargePng(std::span<const std::uint8_t> data)
{
    if (data.size() < 24)
        return false;
    auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(data[at]) << 24 | static_cast<std::uint32_t>(data[at + 1]) << 16 |
               static_cast<std::uint32_t>(data[at + 2]) << 8 | data[at + 3];
    };
    return static_cast<std::uint64_t>(u32(16)) * u32(20) > (std::uint64_t{1} << 20);
}

}  // namespace

void FuzzPng(std::span<const std::uint8_t> data)
{
    if (IsLargePng(data))
        return;
    CheckDecoder(&DecodePng, data);
}

void FuzzPnm(std::span<const std::uint8_t> data)
{
    CheckDecoder(&DecodePnm, data);
}

}  // namespace fuzzing
