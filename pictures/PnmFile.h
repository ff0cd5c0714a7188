#pragma once

#include "PictureLoad.h"

#include <cstdint>
#include <span>
#include <string>

// Netpbm pictures: PBM, PGM and PPM, plain (P1, P2, P3) and raw (P4, P5, P6).

// True when bytes begin with "P1" to "P6" followed by white space or a comment.
bool IsPnm(std::span<const std::uint8_t> bytes);

// Reads the first picture of a Netpbm file. The header may hold comments ('#' to the end of
// the line); the maximum sample value may be 1 to 65535 and samples are scaled to 8 bits,
// rounded. In a bitmap (P1, P4) 1 is black. Refuses a damaged or truncated file, a sample
// above the maximum and a picture past CRaster::SizeAllowed, saying why; a file too short for
// the pixels it declares is refused before the picture is made.
PictureLoad DecodePnm(std::span<const std::uint8_t> bytes);
