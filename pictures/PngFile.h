#pragma once

#include "CRaster.h"

#include <cstdint>
#include <span>
#include <string>

// Portable Network Graphics (.png) pictures, read through libpng.

// True when bytes begin with the eight-byte PNG signature.
bool IsPng(std::span<const std::uint8_t> bytes);

// Reads a PNG file into raster: grey, grey with alpha, palette (with or without a tRNS
// transparency), RGB and RGBA, 1 to 16 bits per channel, interlaced or not. 16-bit samples
// are scaled to 8 bits; transparent pixels are composited over white; the file's gamma is
// ignored, as a screenshot's pixels are taken as they are. False, with the reason in error
// and the raster untouched, for a damaged or truncated file and for a picture of more than
// CRaster::kMaxPixels pixels.
bool DecodePng(std::span<const std::uint8_t> bytes, CRaster& raster, std::string& error);
