#pragma once

#include "CellSampling.h"
#include "GeneratorSettings.h"

#include <cstdint>
#include <functional>

// Side of the square one-bit surface on which characters are measured.
inline constexpr int kMeasureSurfaceSide = 200;

// Draws every included code from the first to the last at the top-left of a 200 x 200
// black-and-white surface and returns the box that holds the ink of all of them; the cell
// window it proposes is X = minLeft, W = maxRight+1, Y = minTop, H = maxBottom+1. progress is
// told of every code of the range, included or not.
LayoutBox MeasureLayout(const GeneratorSettings& settings, const std::function<void(std::uint8_t)>& progress = {});
