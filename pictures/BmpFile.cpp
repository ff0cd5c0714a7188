#include "BmpFile.h"

#include <algorithm>
#include <bit>

namespace {

constexpr std::uint32_t kCompressionNone = 0;       // BI_RGB
constexpr std::uint32_t kCompressionRle8 = 1;       // BI_RLE8
constexpr std::uint32_t kCompressionRle4 = 2;       // BI_RLE4
constexpr std::uint32_t kCompressionBitFields = 3;  // BI_BITFIELDS
constexpr std::uint32_t kCompressionAlphaBitFields = 6;

void PutU16(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::uint8_t* p, std::uint32_t value) {
    PutU16(p, value & 0xFFFF);
    PutU16(p + 2, value >> 16);
}

std::uint32_t GetU16(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}

std::uint32_t GetU32(const std::uint8_t* p) {
    return GetU16(p) | GetU16(p + 2) << 16;
}

std::int32_t GetI32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(GetU32(p));
}

// One colour channel described by a bit mask, scaled to 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (mask != 0) {
            shift = std::countr_zero(mask);
            bits = std::bit_width(mask >> shift);
        }
    }
    std::uint32_t Extract(std::uint32_t pixel) const {
        if (bits == 0)
            return 0;
        std::uint32_t value = (pixel & mask) >> shift;
        if (bits >= 8)
            return value >> (bits - 8);
        std::uint32_t maximum = (1u << bits) - 1;
        return (value * 255 + maximum / 2) / maximum;
    }
};

// Decodes run-length encoded pixels (RLE8 at 8 bits per pixel, RLE4 at 4) into picture,
// whose rows are filled white beforehand: pixels that a delta skips, or that the data never
// reach, stay white. Rows run from the bottom. Runs past the end of a row or of the picture
// are clipped; data that end without the end-of-bitmap mark end the picture there.
void DecodeRle(const std::uint8_t* data, std::int64_t size, int bitsPerPixel,
               const std::vector<std::uint32_t>& palette, CRaster& picture) {
    const std::int64_t width = picture.width();
    const std::int64_t rows = picture.height();
    std::int64_t x = 0;
    std::int64_t row = 0;  // 0 is the bottom row
    std::int64_t at = 0;
    auto put = [&](std::uint32_t index) {
        if (x < width && row < rows)
            picture.Row(static_cast<int>(rows - 1 - row))[x] = 0xFF000000u | palette[index];
        ++x;
    };
    while (at + 2 <= size && row < rows) {
        const std::uint32_t count = data[at];
        const std::uint32_t value = data[at + 1];
        at += 2;
        if (count > 0) {
            // An encoded run: one index repeated, or two alternating at 4 bits.
            for (std::uint32_t i = 0; i < count; ++i)
                put(bitsPerPixel == 8 ? value : (i % 2 == 0 ? value >> 4 : value & 0xF));
            continue;
        }
        switch (value) {
        case 0:  // end of line
            x = 0;
            ++row;
            break;
        case 1:  // end of bitmap
            return;
        case 2:  // delta: right and up
            if (at + 2 > size)
                return;
            x += data[at];
            row += data[at + 1];
            at += 2;
            break;
        default: {
            // An absolute run of value indexes, padded to a whole 16-bit word.
            const std::int64_t bytes = bitsPerPixel == 8 ? value : (value + 1) / 2;
            const std::int64_t available = std::min(bytes, size - at);
            for (std::uint32_t i = 0; i < value; ++i) {
                const std::int64_t byte = bitsPerPixel == 8 ? i : i / 2;
                if (byte >= available)
                    return;
                const std::uint32_t b = data[at + byte];
                put(bitsPerPixel == 8 ? b : (i % 2 == 0 ? b >> 4 : b & 0xF));
            }
            at += bytes + bytes % 2;
        }
        }
    }
}

}  // namespace

std::vector<std::uint8_t> EncodeBmp24(const CRaster& raster) {
    const int width = raster.width();
    const int height = raster.height();
    const std::int64_t stride = BmpStride(width, 24);
    const std::int64_t imageSize = stride * height;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(kBmpHeadersSize + imageSize), 0);
    std::uint8_t* p = bytes.data();

    p[0] = 'B';
    p[1] = 'M';
    PutU32(p + 2, static_cast<std::uint32_t>(kBmpHeadersSize + imageSize));
    PutU32(p + 10, static_cast<std::uint32_t>(kBmpHeadersSize));
    std::uint8_t* info = p + 14;
    PutU32(info + 0, 40);
    PutU32(info + 4, static_cast<std::uint32_t>(width));
    PutU32(info + 8, static_cast<std::uint32_t>(height));
    PutU16(info + 12, 1);
    PutU16(info + 14, 24);
    PutU32(info + 16, kCompressionNone);
    PutU32(info + 20, static_cast<std::uint32_t>(imageSize));
    // Resolutions, colours and important colours stay 0.

    std::uint8_t* pixels = p + kBmpHeadersSize;
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* source = raster.Row(y);
        std::uint8_t* row = pixels + static_cast<std::size_t>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t colour = source[x];
            row[3 * x + 0] = static_cast<std::uint8_t>(colour);
            row[3 * x + 1] = static_cast<std::uint8_t>(colour >> 8);
            row[3 * x + 2] = static_cast<std::uint8_t>(colour >> 16);
        }
    }
    return bytes;
}

bool IsBmp(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
}

PictureLoad DecodeBmp(std::span<const std::uint8_t> bytes) {
    const std::int64_t size = static_cast<std::int64_t>(bytes.size());
    const std::uint8_t* p = bytes.data();
    if (!IsBmp(bytes))
        return PictureLoad::Refused(PictureProblem::NotPicture, "it is not a .BMP file");
    if (size < 14 + 12)
        return PictureLoad::CutShort();
    const std::int64_t pixelOffset = GetU32(p + 10);
    const std::int64_t headerSize = GetU32(p + 14);
    const std::uint8_t* info = p + 14;

    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t planes = 0;
    int bitsPerPixel = 0;
    std::uint32_t compression = kCompressionNone;
    std::int64_t coloursUsed = 0;
    int paletteEntrySize = 4;
    std::int64_t paletteOffset = 14 + headerSize;
    std::uint32_t masks[3] = {0, 0, 0};

    if (headerSize == 12) {
        // The core header: 16-bit unsigned sizes, always bottom-up, 3-byte colour entries.
        width = GetU16(info + 4);
        height = GetU16(info + 6);
        planes = GetU16(info + 8);
        bitsPerPixel = static_cast<int>(GetU16(info + 10));
        paletteEntrySize = 3;
    } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 64 ||
               headerSize == 108 || headerSize == 124) {
        if (size < 14 + headerSize)
            return PictureLoad::CutShort();
        width = GetI32(info + 4);
        height = GetI32(info + 8);
        planes = GetU16(info + 12);
        bitsPerPixel = static_cast<int>(GetU16(info + 14));
        compression = GetU32(info + 16);
        coloursUsed = GetU32(info + 32);
        const bool bitFields = compression == kCompressionBitFields ||
                               compression == kCompressionAlphaBitFields;
        // In the 64-byte header of OS/2 the value 3 names a compression, not bit fields.
        if (bitFields && headerSize != 64) {
            std::int64_t maskOffset = 14 + 40;
            if (headerSize == 40) {
                // The masks follow the 40-byte header and come before the colour table.
                paletteOffset += compression == kCompressionAlphaBitFields ? 16 : 12;
                if (size < maskOffset + 12)
                    return PictureLoad::CutShort();
            }
            masks[0] = GetU32(p + maskOffset);
            masks[1] = GetU32(p + maskOffset + 4);
            masks[2] = GetU32(p + maskOffset + 8);
        }
    } else {
        return PictureLoad::Damaged("its header of " + std::to_string(headerSize) + " bytes is of no known kind");
    }

    if (planes != 1)
        return PictureLoad::Damaged("it has " + std::to_string(planes) + " planes");
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 16 &&
        bitsPerPixel != 24 && bitsPerPixel != 32)
        return PictureLoad::Refused(PictureProblem::NotPicture,
                                    "it is a .BMP file of " + std::to_string(bitsPerPixel) +
                                        " bits per pixel, which is not read (1, 4, 8, 16, 24 and 32 are)");
    const bool bitFields = (compression == kCompressionBitFields ||
                            compression == kCompressionAlphaBitFields) && headerSize != 64;
    const bool rle = (compression == kCompressionRle8 || compression == kCompressionRle4) && headerSize != 12;
    if (rle && bitsPerPixel != (compression == kCompressionRle8 ? 8 : 4))
        return PictureLoad::Damaged(std::string(compression == kCompressionRle8 ? "RLE8" : "RLE4") +
                                    " compression at " + std::to_string(bitsPerPixel) + " bits per pixel");
    if (compression != kCompressionNone && !rle && !(bitFields && (bitsPerPixel == 16 || bitsPerPixel == 32)))
        return PictureLoad::Refused(PictureProblem::NotPicture,
                                    "it is a .BMP file of a compression that is not read (none, RLE8, RLE4 "
                                    "and bit fields are)");
    if (width <= 0 || height == 0)
        return PictureLoad::Damaged("the picture has no pixels");
    if (rle && height < 0)
        return PictureLoad::Damaged("a compressed bitmap cannot be stored top-down");
    const bool topDown = height < 0;
    const std::int64_t rows = topDown ? -height : height;
    if (!CRaster::SizeAllowed(width, rows))
        return PictureLoad::TooManyPixels(width, rows);

    // Colour table of the indexed kinds. Entries that the file does not hold stay black.
    std::vector<std::uint32_t> palette;
    if (bitsPerPixel <= 8) {
        std::int64_t entries = std::int64_t{1} << bitsPerPixel;
        if (coloursUsed > 0)
            entries = std::min(entries, coloursUsed);
        std::int64_t tableEnd = std::min(size, pixelOffset > paletteOffset ? pixelOffset : size);
        entries = std::clamp<std::int64_t>((tableEnd - paletteOffset) / paletteEntrySize, 0, entries);
        palette.assign(std::size_t{1} << bitsPerPixel, 0);
        for (std::int64_t i = 0; i < entries; ++i) {
            const std::uint8_t* entry = p + paletteOffset + i * paletteEntrySize;
            palette[static_cast<std::size_t>(i)] =
                static_cast<std::uint32_t>(entry[2]) << 16 | static_cast<std::uint32_t>(entry[1]) << 8 | entry[0];
        }
    }
    if (!bitFields) {
        if (bitsPerPixel == 16) {
            masks[0] = 0x7C00;
            masks[1] = 0x03E0;
            masks[2] = 0x001F;
        } else {
            masks[0] = 0xFF0000;
            masks[1] = 0x00FF00;
            masks[2] = 0x0000FF;
        }
    } else if ((masks[0] | masks[1] | masks[2]) == 0) {
        return PictureLoad::Damaged("its colour masks are empty");
    }
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);

    const std::int64_t stride = BmpStride(width, bitsPerPixel);
    const std::int64_t rowBytes = (width * bitsPerPixel + 7) / 8;
    // Compressed data may end early (the rest stays white) but must start inside the file.
    const std::int64_t pixelsNeeded = rle ? 0 : stride * (rows - 1) + rowBytes;
    if (pixelOffset < 14 + headerSize)
        return PictureLoad::Damaged("its pixel data begin inside its headers");
    if (pixelOffset + pixelsNeeded > size)
        return PictureLoad::CutShort();

    PictureLoad load = MakePicture(width, rows);
    if (!load.Ok())
        return load;
    CRaster& picture = load.raster;
    if (rle) {
        DecodeRle(p + pixelOffset, size - pixelOffset, bitsPerPixel, palette, picture);
        return load;
    }
    for (std::int64_t r = 0; r < rows; ++r) {
        const std::uint8_t* source = p + pixelOffset + r * stride;
        std::uint32_t* target = picture.Row(static_cast<int>(topDown ? r : rows - 1 - r));
        // The common case, in a loop of its own.
        if (bitsPerPixel == 24) {
            for (std::int64_t x = 0; x < width; ++x)
                target[x] = 0xFF000000u | static_cast<std::uint32_t>(source[3 * x + 2]) << 16 |
                            static_cast<std::uint32_t>(source[3 * x + 1]) << 8 | source[3 * x];
            continue;
        }
        for (std::int64_t x = 0; x < width; ++x) {
            std::uint32_t rgb = 0;
            switch (bitsPerPixel) {
            case 1: rgb = palette[(source[x / 8] >> (7 - x % 8)) & 1]; break;
            case 4: rgb = palette[(source[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0xF]; break;
            case 8: rgb = palette[source[x]]; break;
            case 24:
                rgb = static_cast<std::uint32_t>(source[3 * x + 2]) << 16 |
                      static_cast<std::uint32_t>(source[3 * x + 1]) << 8 | source[3 * x];
                break;
            default: {
                const std::uint32_t value = bitsPerPixel == 16 ? GetU16(source + 2 * x) : GetU32(source + 4 * x);
                rgb = red.Extract(value) << 16 | green.Extract(value) << 8 | blue.Extract(value);
            }
            }
            target[x] = 0xFF000000u | rgb;
        }
    }
    return load;
}
