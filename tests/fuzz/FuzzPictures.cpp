#include "FuzzCheck.h"
#include "FuzzTargets.h"

#include "CRaster.h"
#include "JpegFile.h"
#include "PictureFile.h"
#include "PngFile.h"
#include "PnmFile.h"
#include "WebpFile.h"

#include <webp/decode.h>

#include <algorithm>
#include <string>
#include <vector>

namespace fuzzing {

namespace {

// Larger pictures than this are skipped: a few bytes of such a file would slow every run
// down, while their decoding takes the same paths as a small picture's.
constexpr std::uint64_t kMaxFuzzPixels = std::uint64_t{1} << 20;

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

using Decoder = PictureLoad (*)(std::span<const std::uint8_t>);

// Decodes data; a refusal gives no picture and says why, a warning comes only with a picture,
// and a picture that is read has opaque pixels within the bound, survives a trip through a
// PPM file unchanged, and is what the entry of every program, which tells the format by the
// first bytes, reads from the same bytes.
void CheckDecoder(Decoder decode, PictureFormat format, std::span<const std::uint8_t> data)
{
    const PictureLoad load = decode(data);
    const bool bSameFormat = SniffPicture(data) == format;
    const PictureLoad named = DecodePicture(data, "fuzz");
    FUZZ_CHECK(!bSameFormat || named.problem == load.problem);
    if (!load.Ok()) {
        FUZZ_CHECK(load.raster.empty());
        FUZZ_CHECK(!load.reason.empty());
        FUZZ_CHECK(load.warning.empty());
        FUZZ_CHECK(named.Ok() || named.message.find("fuzz") != std::string::npos);
        return;
    }
    const CRaster& raster = load.raster;
    FUZZ_CHECK(!raster.empty());
    FUZZ_CHECK(CRaster::SizeAllowed(raster.width(), raster.height()));
    for (int y = 0; y < raster.height(); ++y)
        for (int x = 0; x < raster.width(); ++x)
            FUZZ_CHECK((raster.Row(y)[x] >> 24) == 0xFF);
    FUZZ_CHECK(!bSameFormat || named.raster == raster);
    const PictureLoad copy = DecodePnm(EncodePpm(raster));
    FUZZ_CHECK(copy.Ok());
    FUZZ_CHECK(copy.raster == raster);
}

std::uint32_t BigEndian16(std::span<const std::uint8_t> data, std::size_t at)
{
    return static_cast<std::uint32_t>(data[at]) << 8 | data[at + 1];
}

std::uint32_t BigEndian32(std::span<const std::uint8_t> data, std::size_t at)
{
    return BigEndian16(data, at) << 16 | BigEndian16(data, at + 2);
}

// The pixels a PNG's header announces.
std::uint64_t PngPixels(std::span<const std::uint8_t> data)
{
    return data.size() < 24 ? 0 : static_cast<std::uint64_t>(BigEndian32(data, 16)) * BigEndian32(data, 20);
}

// The pixels the first frame header of a JPEG announces, 0 when there is none. Markers are
// found as libjpeg finds them: stray bytes before a marker and fill bytes are skipped, so a
// frame header hidden behind them is seen too.
std::uint64_t JpegPixels(std::span<const std::uint8_t> data)
{
    std::size_t at = 2;
    for (;;) {
        while (at < data.size() && data[at] != 0xFF)
            ++at;
        while (at < data.size() && data[at] == 0xFF)
            ++at;
        if (at >= data.size())
            return 0;
        const std::uint8_t marker = data[at++];
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8))
            continue;  // stuffed byte, or a marker without a length
        if (marker == 0xD9 || marker == 0xDA || at + 2 > data.size())
            return 0;  // no frame before the first scan
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            return at + 7 > data.size() ? 0
                                        : static_cast<std::uint64_t>(BigEndian16(data, at + 3)) * BigEndian16(data, at + 5);
        at += std::max<std::uint32_t>(BigEndian16(data, at), 2);
    }
}

}  // namespace

std::uint64_t AnnouncedPixels(std::span<const std::uint8_t> data)
{
    switch (SniffPicture(data)) {
    case PictureFormat::Png:
        return PngPixels(data);
    case PictureFormat::Jpeg:
        return JpegPixels(data);
    case PictureFormat::Webp: {
        int width = 0;
        int height = 0;
        return WebPGetInfo(data.data(), data.size(), &width, &height) != 0
                   ? static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height)
                   : 0;
    }
    default:
        return 0;
    }
}

void FuzzPng(std::span<const std::uint8_t> data)
{
    if (AnnouncedPixels(data) > kMaxFuzzPixels)
        return;
    CheckDecoder(&DecodePng, PictureFormat::Png, data);
}

void FuzzPnm(std::span<const std::uint8_t> data)
{
    CheckDecoder(&DecodePnm, PictureFormat::Pnm, data);
}

void FuzzJpeg(std::span<const std::uint8_t> data)
{
    if (AnnouncedPixels(data) > kMaxFuzzPixels)
        return;
    CheckDecoder(&DecodeJpeg, PictureFormat::Jpeg, data);
}

void FuzzWebp(std::span<const std::uint8_t> data)
{
    if (AnnouncedPixels(data) > kMaxFuzzPixels)
        return;
    CheckDecoder(&DecodeWebp, PictureFormat::Webp, data);
}

}  // namespace fuzzing
