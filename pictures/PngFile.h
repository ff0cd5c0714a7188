#pragma once

#include "PictureLoad.h"

#include <cstdint>
#include <span>

// Portable Network Graphics (.png) pictures, read through libpng.

// True when bytes begin with the eight-byte PNG signature.
bool IsPng(std::span<const std::uint8_t> bytes);

// Reads a PNG file: grey, grey with alpha, palette (with or without a tRNS transparency), RGB
// and RGBA, 1 to 16 bits per channel, interlaced or not. 16-bit samples are scaled to 8 bits;
// transparent pixels are composited over white; the file's gamma is ignored, as a screenshot's
// pixels are taken as they are. Chunks other than the header, palette, transparency and pixel
// data are skipped unread. Rows are decoded straight into the picture, which is the only
// memory that grows with the picture. Refuses a damaged or truncated file and a picture past
// CRaster::SizeAllowed, saying why; a file whose pixels are complete but whose later chunks
// are cut or damaged is read, with a warning.
PictureLoad DecodePng(std::span<const std::uint8_t> bytes);
