#include "PngFile.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// What the read and error callbacks share with the decoder. Plain data only: libpng leaves
// an error by longjmp, which must skip no destructor.
struct PngSource {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t at = 0;
    bool bCutShort = false;  // the bytes ended before libpng was done
    char message[200] = {};
};

void ReadBytes(png_structp png, png_bytep out, png_size_t count) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > source->size - source->at) {
        source->bCutShort = true;
        png_error(png, "cut short");
    }
    std::memcpy(out, source->data + source->at, count);
    source->at += count;
}

[[noreturn]] void OnError(png_structp png, png_const_charp message) {
    auto* source = static_cast<PngSource*>(png_get_error_ptr(png));
    std::snprintf(source->message, sizeof source->message, "%s", message != nullptr ? message : "");
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// The header of a PNG as it matters here.
struct PngHeader {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int colourType = 0;
    bool bAlpha = false;  // an alpha channel or a tRNS chunk
    // Palette and grey pictures, not interlaced, are read as one byte per pixel and turned
    // into pixels through colours, one per byte value; screenshots are mostly of this kind.
    bool bIndexed = false;
    std::array<std::uint32_t, 256> colours{};  // 0xffRRGGBB, alpha composited over white
};

// A colour of 8-bit channels composited over white by its alpha, as an opaque 0xffRRGGBB pixel.
std::uint32_t OverWhite(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a) {
    auto over = [a](std::uint32_t c) { return (c * a + 255 * (255 - a) + 127) / 255; };
    return 0xFF000000u | over(r) << 16 | over(g) << 8 | over(b);
}

// Sets the transforms and the colours of a palette or grey picture read byte by byte:
// samples below 8 bits unpacked, 16-bit ones scaled to 8. False when the picture is not of
// that kind: interlaced, with alpha, or grey of 16 bits with a transparent level (which must
// be compared before scaling).
bool PrepareIndexed(png_structp png, png_infop info, PngHeader* header) {
    const int depth = png_get_bit_depth(png, info);
    const bool bTransparent = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE)
        return false;
    if (header->colourType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp palette = nullptr;
        int entries = 0;
        png_get_PLTE(png, info, &palette, &entries);
        png_bytep alpha = nullptr;
        int alphas = 0;
        if (bTransparent)
            png_get_tRNS(png, info, &alpha, &alphas, nullptr);
        // Indexes past the palette read as opaque black.
        header->colours.fill(0xFF000000u);
        for (int i = 0; i < std::min(entries, 256); ++i)
            header->colours[static_cast<std::size_t>(i)] =
                OverWhite(palette[i].red, palette[i].green, palette[i].blue, i < alphas ? alpha[i] : 255);
    } else if (header->colourType == PNG_COLOR_TYPE_GRAY && !(depth == 16 && bTransparent)) {
        const int top = depth >= 8 ? 255 : (1 << depth) - 1;
        for (int v = 0; v <= top; ++v) {
            const auto level = static_cast<std::uint32_t>(v * 255 / top);
            header->colours[static_cast<std::size_t>(v)] = 0xFF000000u | level << 16 | level << 8 | level;
        }
        png_color_16p transparent = nullptr;
        if (bTransparent && png_get_tRNS(png, info, nullptr, nullptr, &transparent) != 0 && transparent != nullptr &&
            transparent->gray <= top)
            header->colours[transparent->gray] = 0xFFFFFFFFu;
    } else {
        return false;
    }
    png_set_packing(png);
    png_set_scale_16(png);
    return true;
}

// Reads the chunks before the pixels and sets the transforms that turn every kind of PNG into
// 8-bit blue, green, red and alpha (or 0xFF) bytes, the memory order of a CRaster pixel on a
// little-endian machine. False after a libpng error. Only trivially destructible objects live
// in this frame, since an error leaves it by longjmp.
bool ReadHeader(png_structp png, png_infop info, PngHeader* header) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    // The size bound is checked again before any pixel memory is taken.
    const auto bound = static_cast<png_uint_32>(std::min<std::int64_t>(CRaster::kMaxPixels, 0x7FFFFFFF));
    png_set_user_limits(png, bound, bound);
    png_read_info(png, info);
    header->width = png_get_image_width(png, info);
    header->height = png_get_image_height(png, info);
    header->colourType = png_get_color_type(png, info);
    header->bAlpha = (header->colourType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;

    header->bIndexed = PrepareIndexed(png, info, header);
    if (header->bIndexed) {
        png_read_update_info(png, info);
        if (png_get_rowbytes(png, info) != static_cast<png_size_t>(header->width))
            png_error(png, "its samples do not convert to bytes");
        return true;
    }
    // Palettes to RGB, grey below 8 bits to 8 bits, tRNS to an alpha channel.
    png_set_expand(png);
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    if (!header->bAlpha)
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<png_size_t>(header->width) * 4)
        png_error(png, "its pixels do not convert to 8-bit colour");
    return true;
}

// Reads every pixel row (all passes of an interlaced picture) and the chunks after them.
// False after a libpng error; trivially destructible objects only, as above.
bool ReadRows(png_structp png, png_infop info, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

// Reads the rows of a palette or grey picture one by one into row and turns each byte into the
// pixel that colours gives for it, then the chunks after them. False after a libpng error;
// trivially destructible objects only, as above.
bool ReadIndexedRows(png_structp png, png_infop info, const std::uint32_t* colours, png_bytep row,
                     std::uint32_t* pixels, png_uint_32 width, png_uint_32 height) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(png, row, nullptr);
        std::uint32_t* out = pixels + static_cast<std::size_t>(y) * width;
        for (png_uint_32 x = 0; x < width; ++x)
            out[x] = colours[row[x]];
    }
    png_read_end(png, info);
    return true;
}

// Turns the blue, green, red, alpha bytes of a row into opaque 0xffRRGGBB pixels, each
// colour composited over white by its alpha.
void FinishRow(std::uint32_t* row, int width, bool bAlpha) {
    auto* bytes = reinterpret_cast<const std::uint8_t*>(row);
    for (int x = 0; x < width; ++x) {
        const std::uint32_t b = bytes[4 * x];
        const std::uint32_t g = bytes[4 * x + 1];
        const std::uint32_t r = bytes[4 * x + 2];
        std::uint32_t pixel = r << 16 | g << 8 | b;
        row[x] = bAlpha ? OverWhite(r, g, b, bytes[4 * x + 3]) : 0xFF000000u | pixel;
    }
}

}  // namespace

bool IsPng(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 8 && png_sig_cmp(bytes.data(), 0, 8) == 0;
}

bool DecodePng(std::span<const std::uint8_t> bytes, CRaster& raster, std::string& error) {
    if (!IsPng(bytes)) {
        error = "it is not a PNG file";
        return false;
    }
    PngSource source;
    source.data = bytes.data();
    source.size = bytes.size();
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, OnError, OnWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    struct Release {
        png_structp* png;
        png_infop* info;
        ~Release() { png_destroy_read_struct(png, info, nullptr); }
    } release{&png, &info};
    if (png == nullptr || info == nullptr) {
        error = "there is not enough memory to read it";
        return false;
    }
    png_set_read_fn(png, &source, ReadBytes);

    auto damaged = [&] {
        error = source.bCutShort ? std::string("the file is cut short")
                                 : std::string("the file is damaged (") + source.message + ")";
        return false;
    };
    PngHeader header;
    if (!ReadHeader(png, info, &header))
        return damaged();
    if (!CRaster::SizeAllowed(header.width, header.height)) {
        error = "the picture of " + std::to_string(header.width) + " x " + std::to_string(header.height) +
                " pixels is larger than the programs hold";
        return false;
    }
    CRaster picture;
    std::vector<png_bytep> rows;  // a pointer to each row of the picture
    std::vector<png_byte> row;    // the bytes of one row of a palette or grey picture
    try {
        if (header.bIndexed)
            row.resize(header.width);
        else
            rows.resize(header.height);
    } catch (const std::bad_alloc&) {
        row.clear();
        rows.clear();
    }
    if ((row.empty() && rows.empty()) || !picture.Create(static_cast<int>(header.width), static_cast<int>(header.height))) {
        error = "there is not enough memory for its " + std::to_string(header.width) + " x " +
                std::to_string(header.height) + " pixels";
        return false;
    }
    if (header.bIndexed) {
        if (!ReadIndexedRows(png, info, header.colours.data(), row.data(), picture.Bits(),
                             header.width, header.height))
            return damaged();
        raster = std::move(picture);
        return true;
    }
    for (int y = 0; y < picture.height(); ++y)
        rows[static_cast<std::size_t>(y)] = reinterpret_cast<png_bytep>(picture.Row(y));
    if (!ReadRows(png, info, rows.data()))
        return damaged();
    if (header.bAlpha || std::endian::native != std::endian::little)
        for (int y = 0; y < picture.height(); ++y)
            FinishRow(picture.Row(y), picture.width(), header.bAlpha);
    raster = std::move(picture);
    return true;
}
