// Deterministic noise on a picture.
#include "NoiseGenerator.h"

#include <chrono>
#include <cmath>
#include <random>

std::string_view NoiseKindName(NoiseKind kind) {
    switch (kind) {
    case NoiseKind::Ink:
        return "ink";
    case NoiseKind::Erase:
        return "erase";
    case NoiseKind::Flip:
        break;
    }
    return "flip";
}

std::optional<NoiseKind> ParseNoiseKind(std::string_view name) {
    for (NoiseKind kind : {NoiseKind::Flip, NoiseKind::Ink, NoiseKind::Erase})
        if (name == NoiseKindName(kind))
            return kind;
    return std::nullopt;
}

bool NoiseRateAllowed(double rate) {
    return std::isfinite(rate) && rate >= 0.0 && rate <= kMaxNoiseRate;
}

bool AddNoise(CRaster& raster, const NoiseSettings& noise, std::int64_t* changed) {
    if (!NoiseRateAllowed(noise.rate))
        return false;
    // 2^53 times the rate is exact: a multiplication by a power of two.
    const double threshold = std::ldexp(noise.rate, 53);
    constexpr std::uint32_t kWhitePixel = 0xFF000000u | CRaster::kWhite;
    constexpr std::uint32_t kBlackPixel = 0xFF000000u | CRaster::kBlack;
    CSplitMix64 generator(noise.seed);
    std::int64_t count = 0;
    std::uint32_t* pixel = raster.Bits();
    const std::int64_t total = std::int64_t{raster.width()} * raster.height();
    for (std::int64_t i = 0; i < total; ++i, ++pixel) {
        if (!(static_cast<double>(generator.Next() >> 11) < threshold))
            continue;
        const bool black = (*pixel & 0xFFFFFFu) == 0;
        std::uint32_t value = *pixel;
        switch (noise.kind) {
        case NoiseKind::Flip:
            value = black ? kWhitePixel : kBlackPixel;
            break;
        case NoiseKind::Ink:
            value = kBlackPixel;
            break;
        case NoiseKind::Erase:
            value = black ? kWhitePixel : value;
            break;
        }
        if (value != *pixel) {
            *pixel = value;
            ++count;
        }
    }
    if (changed != nullptr)
        *changed = count;
    return true;
}

std::uint64_t NewNoiseSeed() {
    std::random_device device;
    const std::uint64_t entropy = (std::uint64_t{device()} << 32) ^ device();
    const auto ticks = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const std::uint64_t seed = CSplitMix64(entropy ^ ticks).Next();
    return seed == 0 ? 1 : seed;
}
