#include "FuzzCheck.h"
#include "FuzzTargets.h"

#include "BmpFile.h"
#include "CRaster.h"

#include <string>

namespace fuzzing {

void FuzzBmp(std::span<const std::uint8_t> data)
{
    CRaster raster;
    FUZZ_CHECK(raster.Create(3, 2, 0x123456));
    const CRaster before = raster;
    std::string error;
    if (!DecodeBmp(data, raster, error)) {
        // A refused file leaves the picture as it was and says why.
        FUZZ_CHECK(raster == before);
        FUZZ_CHECK(!error.empty());
        return;
    }
    FUZZ_CHECK(!raster.empty());
    FUZZ_CHECK(CRaster::SizeAllowed(raster.width(), raster.height()));

    // A few bytes of run-length data may announce the largest picture; its round trip would
    // only slow the search down.
    if (static_cast<std::int64_t>(raster.width()) * raster.height() > (std::int64_t{1} << 20))
        return;

    // Saved as a 24-bit file and read again, the picture keeps every pixel.
    const std::vector<std::uint8_t> encoded = EncodeBmp24(raster);
    FUZZ_CHECK(static_cast<std::int64_t>(encoded.size()) ==
               kBmpHeadersSize + BmpStride(raster.width(), 24) * raster.height());
    CRaster copy;
    FUZZ_CHECK(DecodeBmp(encoded, copy, error));
    FUZZ_CHECK(copy == raster);
}

}  // namespace fuzzing
