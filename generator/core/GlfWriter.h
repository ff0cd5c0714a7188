#pragma once

#include "GeneratorSettings.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Appends the glyph bits of one included code: (H-Y) rows of (W-X+7)/8 bytes.
using CellCapture = std::function<void(std::uint8_t code, std::vector<std::uint8_t>& out)>;
// Told of every code from the first to the last, included or not, before its record.
using CodeProgress = std::function<void(std::uint8_t code)>;

// Number of bitmap bytes in the record of an included code, from the full signed W-X and H-Y.
std::size_t GlyphBitsSize(const GeneratorSettings& settings);

// Builds the bytes of the GLF file of the settings: the header, then one record per code from
// the first to the last code, a captured glyph for included codes and 00 00 for excluded ones.
// False, with a message, when the cell window cannot give records a reader can follow.
bool BuildGlfFile(const GeneratorSettings& settings, const CellCapture& capture, const CodeProgress& progress,
                  std::vector<std::uint8_t>& bytes, std::string& error);
