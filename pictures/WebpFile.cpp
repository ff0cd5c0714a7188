#include "WebpFile.h"

#include <webp/decode.h>

#include <bit>

namespace {

// A colour of 8-bit channels composited over white by its alpha, as an opaque 0xffRRGGBB pixel.
std::uint32_t OverWhite(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
    auto over = [a](std::uint32_t c) { return (c * a + 255 * (255 - a) + 127) / 255; };
    return 0xFF000000u | over(r) << 16 | over(g) << 8 | over(b);
}

// The refusal for a status of libwebp other than success.
PictureLoad Refusal(VP8StatusCode status) {
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
        return PictureLoad::NoMemory();
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return PictureLoad::CutShort();
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return PictureLoad::Refused(PictureProblem::NotPicture, "it is a WebP file of a kind that is not read");
    default:
        return PictureLoad::Damaged("its picture data cannot be decoded");
    }
}

}  // namespace

bool IsWebp(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 12 && bytes[0] == 'R' && bytes[1] == 'I' && bytes[2] == 'F' && bytes[3] == 'F' &&
           bytes[8] == 'W' && bytes[9] == 'E' && bytes[10] == 'B' && bytes[11] == 'P';
}

PictureLoad DecodeWebp(std::span<const std::uint8_t> bytes) {
    if (!IsWebp(bytes))
        return PictureLoad::Refused(PictureProblem::NotPicture, "it is not a WebP file");
    WebPDecoderConfig config;
    if (WebPInitDecoderConfig(&config) == 0)
        return PictureLoad::Damaged("libwebp is not of the version built against");
    if (const VP8StatusCode status = WebPGetFeatures(bytes.data(), bytes.size(), &config.input); status != VP8_STATUS_OK)
        return Refusal(status);
    if (config.input.has_animation != 0)
        return PictureLoad::Refused(PictureProblem::NotPicture,
                                    "it is an animated WebP picture, which is not read (still ones are)");
    PictureLoad load = MakePicture(config.input.width, config.input.height);
    if (!load.Ok())
        return load;
    CRaster& picture = load.raster;

    // The pixels are decoded straight into the picture, in its memory order.
    config.output.colorspace = std::endian::native == std::endian::little ? MODE_BGRA : MODE_ARGB;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = reinterpret_cast<std::uint8_t*>(picture.Bits());
    config.output.u.RGBA.stride = picture.BytesPerLine();
    config.output.u.RGBA.size = static_cast<std::size_t>(picture.BytesPerLine()) * static_cast<std::size_t>(picture.height());
    const VP8StatusCode status = WebPDecode(bytes.data(), bytes.size(), &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK)
        return Refusal(status);
    // A picture whose header says it has no alpha is opaque, whatever a lossless bitstream
    // stores in its alpha samples.
    const bool bAlpha = config.input.has_alpha != 0;
    for (int y = 0; y < picture.height(); ++y) {
        std::uint32_t* row = picture.Row(y);
        for (int x = 0; x < picture.width(); ++x) {
            const std::uint32_t pixel = row[x];
            row[x] = bAlpha ? OverWhite(pixel >> 16 & 0xFF, pixel >> 8 & 0xFF, pixel & 0xFF, pixel >> 24)
                            : 0xFF000000u | pixel;
        }
    }
    return load;
}
