#include "PictureFile.h"

#include "BmpFile.h"
#include "ByteStream.h"
#include "PngFile.h"
#include "PnmFile.h"

#include <vector>

PictureFormat SniffPicture(std::span<const std::uint8_t> bytes) {
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        return PictureFormat::Bmp;
    if (IsPng(bytes))
        return PictureFormat::Png;
    if (IsPnm(bytes))
        return PictureFormat::Pnm;
    return PictureFormat::Unknown;
}

bool DecodePicture(std::span<const std::uint8_t> bytes, CRaster& raster, std::string& error) {
    switch (SniffPicture(bytes)) {
    case PictureFormat::Bmp:
        return DecodeBmp(bytes, raster, error);
    case PictureFormat::Png:
        return DecodePng(bytes, raster, error);
    case PictureFormat::Pnm:
        return DecodePnm(bytes, raster, error);
    case PictureFormat::Unknown:
        break;
    }
    error = bytes.empty() ? "the file is empty" : "it is not a BMP, PNG or Netpbm picture";
    return false;
}

bool LoadPicture(const std::string& path, CRaster& raster, std::string& error) {
    std::vector<std::uint8_t> bytes;
    std::string reason;
    if (!ReadWholeFile(path, bytes, kMaxPictureFileBytes))
        reason = "the file cannot be opened or is too large";
    else if (DecodePicture(bytes, raster, reason))
        return true;
    error = path + ": " + reason;
    return false;
}
