#pragma once

#include "CRaster.h"

#include <cstdint>
#include <vector>

// The PNG file of a raster: 8-bit RGB, not interlaced, through libpng. Empty when the raster is
// empty or libpng fails (memory ran out).
std::vector<std::uint8_t> EncodePng(const CRaster& raster);
