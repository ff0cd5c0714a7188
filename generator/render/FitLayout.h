#pragma once

#include "CellSampling.h"
#include "GeneratorSettings.h"

#include <cstdint>
#include <functional>

// Measures the cell window where the file's capture draws: each included character centred
// on a surface of ceil8(W) x H as the capture centres it. Returns the smallest W and H for
// which no included character loses ink to the surface or the window, with X and Y at the
// leftmost and topmost ink; a range without ink gives the box of an empty measurement.
// progress is told of every code of the range, included or not.
LayoutBox MeasureFitLayout(const GeneratorSettings& settings, const std::function<void(std::uint8_t)>& progress = {});
