#include "PngFile.h"

#include <png.h>

#include <algorithm>
#include <array>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Largest chunk that libpng may keep in memory. Only PLTE and tRNS (under 1 KiB) are kept;
// every other chunk before or after the pixels is skipped unread, however long it says it is.
constexpr png_alloc_size_t kMaxChunkBytes = png_alloc_size_t{8} << 20;

// What the callbacks share with the decoder. Plain data only: libpng leaves an error by
// longjmp, which must skip no destructor.
struct PngSource {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t at = 0;
    bool bCutShort = false;        // the bytes ended before libpng was done
    bool bNoMemory = false;        // an allocation failed
    bool bKeepWarnings = false;    // libpng's warnings are kept from now on
    std::uint64_t nRowsDecoded = 0;  // rows whose samples libpng inflated and unfiltered
    png_uint_32 nRowsExpanded = 0;   // rows of a palette or grey picture turned into pixels
    char message[200] = {};        // libpng's error
    char warning[200] = {};        // libpng's first warning kept
};

PngSource* SourceOf(png_structp png) {
    return static_cast<PngSource*>(png_get_io_ptr(png));
}

void ReadBytes(png_structp png, png_bytep out, png_size_t count) {
    PngSource* source = SourceOf(png);
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

void OnWarning(png_structp png, png_const_charp message) {
    auto* source = static_cast<PngSource*>(png_get_error_ptr(png));
    if (source->bKeepWarnings && source->warning[0] == '\0')
        std::snprintf(source->warning, sizeof source->warning, "%s", message != nullptr ? message : "");
}

png_voidp Allocate(png_structp png, png_alloc_size_t size) {
    void* memory = std::malloc(size);
    if (memory == nullptr)
        static_cast<PngSource*>(png_get_mem_ptr(png))->bNoMemory = true;
    return memory;
}

void Free(png_structp, png_voidp memory) {
    std::free(memory);
}

// Counts the rows whose samples are complete: libpng calls it for each row after inflating
// and unfiltering it, just before the row is written out.
void CountRow(png_structp png, png_row_infop, png_bytep) {
    ++SourceOf(png)->nRowsDecoded;
}

// The header of a PNG as it matters here.
struct PngHeader {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int colourType = 0;
    bool bInterlaced = false;
    int nPasses = 1;
    bool bAlpha = false;  // an alpha channel or a tRNS chunk
    // Palette and grey pictures, not interlaced, are read as one byte per pixel and turned
    // into pixels through colours, one per byte value; screenshots are mostly of this kind.
    bool bIndexed = false;
    std::array<std::uint32_t, 256> colours{};  // 0xffRRGGBB, alpha composited over white
};

// The rows of sample data in the file: all rows, or those of the passes that hold pixels.
std::uint64_t DataRows(const PngHeader& header) {
    if (!header.bInterlaced)
        return header.height;
    std::uint64_t rows = 0;
    for (int pass = 0; pass < 7; ++pass)
        if (PNG_PASS_COLS(std::uint64_t{header.width}, pass) != 0)
            rows += PNG_PASS_ROWS(std::uint64_t{header.height}, pass);
    return rows;
}

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
    if (header->bInterlaced)
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
    // The size bound is checked again, with its own message, before the picture is made.
    const auto bound = static_cast<png_uint_32>(std::min<std::int64_t>(CRaster::kMaxPixels, 0x7FFFFFFF));
    png_set_user_limits(png, bound, bound);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_read_info(png, info);
    header->width = png_get_image_width(png, info);
    header->height = png_get_image_height(png, info);
    header->colourType = png_get_color_type(png, info);
    header->bInterlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
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
    header->nPasses = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<png_size_t>(header->width) * 4)
        png_error(png, "its pixels do not convert to 8-bit colour");
    return true;
}

// Turns the bytes of a palette or grey row, stored at the row's start, into its pixels. From
// the right, so that no byte is overwritten before it is read.
void ExpandIndexed(std::uint32_t* row, png_uint_32 width, const std::uint32_t* colours) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(row);
    for (png_uint_32 x = width; x-- > 0;)
        row[x] = colours[bytes[x]];
}

// Reads every row, each straight into its place in the picture: a palette or grey row as one
// byte per pixel at the row's start, turned into pixels at once; others as 4-byte pixels, in
// every pass of an interlaced picture. No memory is taken per row. False after a libpng
// error; trivially destructible objects only, as above.
bool ReadRows(png_structp png, const PngHeader* header, CRaster* picture) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    PngSource* source = SourceOf(png);
    for (int pass = 0; pass < header->nPasses; ++pass)
        for (png_uint_32 y = 0; y < header->height; ++y) {
            std::uint32_t* row = picture->Row(static_cast<int>(y));
            png_read_row(png, reinterpret_cast<png_bytep>(row), nullptr);
            if (header->bIndexed) {
                ExpandIndexed(row, header->width, header->colours.data());
                source->nRowsExpanded = y + 1;
            }
        }
    return true;
}

// Reads the chunks after the pixels. False after a libpng error; trivially destructible
// objects only, as above.
bool ReadEnd(png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    SourceOf(png)->bKeepWarnings = true;
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

PictureLoad DecodePng(std::span<const std::uint8_t> bytes) {
    if (!IsPng(bytes))
        return PictureLoad::Refused(PictureProblem::NotPicture, "it is not a PNG file");
    PngSource source;
    source.data = bytes.data();
    source.size = bytes.size();
    png_structp png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &source, OnError, OnWarning, &source,
                                               Allocate, Free);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    struct Release {
        png_structp* png;
        png_infop* info;
        ~Release() { png_destroy_read_struct(png, info, nullptr); }
    } release{&png, &info};
    if (png == nullptr || info == nullptr)
        return PictureLoad::NoMemory();
    png_set_read_fn(png, &source, ReadBytes);
    png_set_read_user_transform_fn(png, CountRow);

    auto refusal = [&source] {
        if (source.bNoMemory)
            return PictureLoad::NoMemory();
        return source.bCutShort ? PictureLoad::CutShort() : PictureLoad::Damaged(source.message);
    };
    PngHeader header;
    if (!ReadHeader(png, info, &header))
        return refusal();
    PictureLoad load = MakePicture(header.width, header.height);
    if (!load.Ok())
        return load;
    CRaster& picture = load.raster;

    if (!ReadRows(png, &header, &picture)) {
        // A file cut after the last row's samples (in the end of the compressed stream or the
        // CRC of its chunk) holds the whole picture: it is read, with a warning. Damage there
        // is damage to the pixel data, and refused.
        if (source.nRowsDecoded < DataRows(header) || !source.bCutShort || source.bNoMemory)
            return refusal();
        if (header.bIndexed)
            for (png_uint_32 y = source.nRowsExpanded; y < header.height; ++y)
                ExpandIndexed(picture.Row(static_cast<int>(y)), header.width, header.colours.data());
        load.warning = "the file is cut short after its pixels";
    } else if (!ReadEnd(png, info)) {
        load.warning = source.bCutShort ? std::string("the file is cut short after its pixels")
                                        : std::string("the file is damaged after its pixels (") + source.message + ")";
    } else if (source.warning[0] != '\0') {
        load.warning = std::string("the file is damaged after its pixels (") + source.warning + ")";
    }
    if (!header.bIndexed && (header.bAlpha || std::endian::native != std::endian::little))
        for (int y = 0; y < picture.height(); ++y)
            FinishRow(picture.Row(y), picture.width(), header.bAlpha);
    return load;
}
