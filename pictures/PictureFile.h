#pragma once

#include "CRaster.h"

#include <cstdint>
#include <span>
#include <string>

// Pictures from files of any format the programs read: .BMP, PNG and Netpbm, each told by
// its first bytes, not by the file's name.

enum class PictureFormat {
    Unknown,
    Bmp,
    Png,
    Pnm,
};

// The format whose magic bytes begin bytes.
PictureFormat SniffPicture(std::span<const std::uint8_t> bytes);

// Decodes a picture of any known format. False, with the reason in error and the raster
// untouched, when the format is unknown or the reader refuses the file.
bool DecodePicture(std::span<const std::uint8_t> bytes, CRaster& raster, std::string& error);

// Largest picture file that is read.
inline constexpr std::size_t kMaxPictureFileBytes = std::size_t{1} << 30;

// Reads the picture file at path. False, with a reason that names the file
// ("shot.png: the file is damaged (...)") and the raster untouched, when it cannot be read or
// decoded.
bool LoadPicture(const std::string& path, CRaster& raster, std::string& error);
