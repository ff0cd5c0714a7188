#pragma once

#include "GeneratorSettings.h"

#include <QImage>

#include <cstdint>
#include <vector>

// A sheet of every code from the first to the last as its record of glfBytes stores it, 16
// codes a row: the bits magnified (the bits past the cell's width in each row's last byte
// included), the cell window framed in blue, excluded codes grey, and the codes of a group of
// identical glyphs framed in red with the code they read as. Null when the range is empty.
QImage RenderGlyphSheet(const GeneratorSettings& settings, const std::vector<std::uint8_t>& glfBytes);
