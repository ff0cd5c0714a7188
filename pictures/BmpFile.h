#pragma once

#include "CRaster.h"
#include "PictureLoad.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Windows bitmap (.BMP) files of the picture.

// Size of the file header plus the 40-byte information header.
inline constexpr std::int64_t kBmpHeadersSize = 14 + 40;

// Bytes per row of a bitmap: rows are padded to whole 32-bit words.
inline constexpr std::int64_t BmpStride(std::int64_t width, int bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

// The 24-bit uncompressed file of raster at its own size: file header, 40-byte information
// header, no colour table, rows from the bottom, blue-green-red, zero padding to the stride.
std::vector<std::uint8_t> EncodeBmp24(const CRaster& raster);

// True when bytes begin with "BM".
bool IsBmp(std::span<const std::uint8_t> bytes);

// Reads a .BMP file: uncompressed (or bit-field) 1, 4, 8, 16, 24 and 32 bits per pixel,
// bottom-up or top-down, and RLE8 and RLE4 bottom-up (pixels the runs skip are white), with
// the 12-byte core header, the 40-byte information header or its later forms (52, 56, 64, 108,
// 124 bytes). Refuses anything else, a damaged or truncated file and a picture past
// CRaster::SizeAllowed, saying why; every size is checked before the picture is made.
PictureLoad DecodeBmp(std::span<const std::uint8_t> bytes);
