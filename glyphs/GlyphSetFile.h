#pragma once

#include "GlyphSet.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Glyph sets as files of their own (.gset), for sets a GLF font cannot hold: Unicode codes,
// faces and subpixel phases. Little-endian, without padding:
//
//   magic      4 bytes "GSET"
//   version    u16, 1
//   width      u16, 1..kMaxGlyphSetCell: the cell
//   height     u16, 1..kMaxGlyphSetCell
//   phases     u8, 1..GlyphSet::kMaxPhases
//   baseline   i16: the baseline's row from the cell's top
//   name       u16 length (at most kMaxGlyphSetName), then that many bytes of UTF-8
//   glyphs     u32 count, then per glyph:
//                code u32 (a Unicode code point), face u8 (GlyphFace), and its images,
//                phase after phase, each height rows of (width + 7) / 8 bytes, the bits past
//                the width 0
//
// A glyph's code and face appear once. Nothing follows the last glyph.

inline constexpr int kMaxGlyphSetCell = 1024;
inline constexpr int kMaxGlyphSetName = 4096;

// Whether bytes begin with the magic of a glyph-set file.
bool IsGlyphSetFile(std::span<const std::uint8_t> bytes);

// The set in the file format. The set must be consistent and its cell and name within bounds.
std::vector<std::uint8_t> EncodeGlyphSet(const GlyphSet& set);

// Reads a glyph-set file. False, with the reason in error and set untouched, for anything but
// a complete, consistent file of a known version; nothing is allocated before the bytes that
// should fill it are known to be there.
bool DecodeGlyphSet(std::span<const std::uint8_t> bytes, GlyphSet& set, std::string& error);

// Writes the file atomically (see WriteFileAtomically); false when the set cannot be encoded
// or the file cannot be written.
bool SaveGlyphSetFile(const std::string& path, const GlyphSet& set);

// Reads a file; false with a reason that names the file.
bool LoadGlyphSetFile(const std::string& path, GlyphSet& set, std::string& error);
