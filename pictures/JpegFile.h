#pragma once

#include "PictureLoad.h"

#include <cstdint>
#include <span>

// JPEG (JFIF, Exif) pictures, read through libjpeg-turbo.

// True when bytes begin with a start-of-image marker and another marker.
bool IsJpeg(std::span<const std::uint8_t> bytes);

// Reads a JPEG file, baseline or progressive, grey, colour or CMYK, with its pixels as stored:
// an Exif orientation is not applied, so that every program sees the same pixels. Refuses a
// truncated or damaged file (libjpeg's "corrupt data" warnings included, since it would fill
// what is missing with grey), a picture past CRaster::SizeAllowed (checked before any pixel
// memory is taken) and one whose decoding needs more than kMaxJpegWorkBytes; a file whose
// pixels are complete but whose end marker is missing is read, with a warning.
PictureLoad DecodeJpeg(std::span<const std::uint8_t> bytes);

// Most memory libjpeg may take for a picture besides its pixels: a progressive picture keeps
// all its coefficients, 384 MiB for the largest picture in full colour resolution.
inline constexpr long kMaxJpegWorkBytes = 512L << 20;
