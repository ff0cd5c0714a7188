#include "PngWriter.h"

#include <png.h>

#include <csetjmp>

namespace {

void AppendBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

}  // namespace

std::vector<std::uint8_t> EncodePng(const CRaster& raster)
{
    std::vector<std::uint8_t> out;
    if (raster.empty())
        return out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr)
        return out;
    png_infop info = png_create_info_struct(png);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(raster.width()) * 3);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
        return {};
    }
    png_set_write_fn(png, &out, AppendBytes, NoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(raster.width()), static_cast<png_uint_32>(raster.height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < raster.height(); ++y) {
        const std::uint32_t* pixels = raster.Row(y);
        for (int x = 0; x < raster.width(); ++x) {
            row[static_cast<std::size_t>(x) * 3] = static_cast<std::uint8_t>(pixels[x] >> 16);
            row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<std::uint8_t>(pixels[x] >> 8);
            row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<std::uint8_t>(pixels[x]);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}
