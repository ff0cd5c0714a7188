#pragma once

#include "PictureLoad.h"

#include <cstdint>
#include <span>

// WebP pictures, read through libwebp.

// True when bytes begin as a RIFF file of the WEBP kind.
bool IsWebp(std::span<const std::uint8_t> bytes);

// Reads a still WebP file, lossy or lossless, with or without alpha; transparent pixels are
// composited over white, as in a PNG. Refuses an animation, a truncated or damaged file and a
// picture past CRaster::SizeAllowed (checked before any pixel memory is taken).
PictureLoad DecodeWebp(std::span<const std::uint8_t> bytes);
