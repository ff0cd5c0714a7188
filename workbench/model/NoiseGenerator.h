#pragma once

#include "CRaster.h"

#include <cstdint>
#include <optional>
#include <string_view>

// SplitMix64: a 64-bit state advanced by a fixed odd constant and scrambled by two
// multiply-xorshift rounds. Its output for a seed is fixed by these steps alone, so the same
// seed gives the same numbers on every machine and with every compiler.
class CSplitMix64 {
public:
    explicit CSplitMix64(std::uint64_t seed) : m_nState(seed) {}

    std::uint64_t Next() {
        std::uint64_t z = (m_nState += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

private:
    std::uint64_t m_nState;
};

// What a noise pass does to a pixel it hits.
enum class NoiseKind {
    Flip,   // black becomes white, any other colour black
    Ink,    // a pixel that is not black becomes black
    Erase,  // a black pixel becomes white
};

// "flip", "ink" or "erase".
std::string_view NoiseKindName(NoiseKind kind);
std::optional<NoiseKind> ParseNoiseKind(std::string_view name);

// One noise pass: its kind, the share of pixels it hits and the seed of its generator.
struct NoiseSettings {
    NoiseKind kind = NoiseKind::Flip;
    double rate = 0.0;       // 0..kMaxNoiseRate
    std::uint64_t seed = 1;
};

inline constexpr double kMaxNoiseRate = 0.5;

// True when rate is a number in 0..kMaxNoiseRate.
bool NoiseRateAllowed(double rate);

// Adds noise to raster. The pixels are visited row after row from the top, left to right,
// and every pixel draws one number x from CSplitMix64(seed), whatever its colour; the pixel is
// hit when (x >> 11) < rate x 2^53, that is when the top 53 bits read as a fraction of 1 fall
// below the rate (both sides are exact doubles). A hit pixel changes as the kind says. False,
// with the raster untouched, when the rate is outside 0..kMaxNoiseRate. Returns the number of
// pixels changed through changed, when given.
bool AddNoise(CRaster& raster, const NoiseSettings& noise, std::int64_t* changed = nullptr);

// A seed for a new noise pass when the user named none: from the clock and the system's
// random device, never 0.
std::uint64_t NewNoiseSeed();
