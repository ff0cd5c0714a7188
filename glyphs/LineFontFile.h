#pragma once

#include "LineFont.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Line fonts as files (.lfont): the rendered fonts the proportional reader keeps in its cache
// folder, so that a font is rendered and shaped once. Little-endian, without padding:
//
//   magic      4 bytes "LFNT"
//   version    u16, 1
//   phases     u8, 1..LineFont::kMaxPhases
//   pen        u8: 0 nearest, 1 down (PenRule)
//   whole      u8: 0, or 1 for whole-pixel advances
//   name       u16 length (at most kMaxLineFontName), then that many bytes of UTF-8
//   glyphs     u32 count (at most LineFont::kMaxGlyphs), then per glyph:
//                text: u8 count (1..kMaxLineGlyphText), then that many u32 code points
//                look-alikes: u8 count (0..kMaxLineGlyphText), then that many u32 code points
//                face u8 (GlyphFace), advance i32 (> 0), script u8 (GlyphScript), rare u8 (0, 1)
//                then its images, phase after phase: left i16, top i16, width u16, height u16
//                (at most kMaxLineGlyphImage, both 0 for a blank image), then its ink rows
//                and its rows of pixels that may be ink, each (width + 63) / 64 u64 words a row
//   kerning    u32 count, then per pair: left u16, right u16, adjust i32; sorted, no pair twice
//
// The space is the first glyph whose text is U+0020. Nothing follows the kerning.

inline constexpr int kMaxLineFontName = 4096;
inline constexpr int kMaxLineGlyphText = 16;
inline constexpr int kMaxLineGlyphImage = 1024;

// Whether bytes begin with the magic of a line-font file.
bool IsLineFontFile(std::span<const std::uint8_t> bytes);

// The font in the file format; empty when it is not consistent or does not fit the format.
std::vector<std::uint8_t> EncodeLineFont(const LineFont& font);

// Reads a line-font file. False, with the reason in error and font untouched, for anything but
// a complete, consistent file of a known version; nothing is allocated before the bytes that
// should fill it are known to be there.
bool DecodeLineFont(std::span<const std::uint8_t> bytes, LineFont& font, std::string& error);
