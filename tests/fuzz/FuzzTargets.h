#pragma once

// The bodies of the fuzz targets. Each reads one input the way the programs read that kind of
// file, uses what it read the way the programs do, and checks what must hold whatever the
// input was. The libFuzzer programs call them; the regression test of the normal suite feeds
// them every kept input. A broken property aborts with a message.

#include <cstdint>
#include <span>
#include <string_view>

namespace fuzzing {

// A GLF font read with CCharImageFont::LoadFromArchive, written again, measured and drawn.
void FuzzGlfFont(std::span<const std::uint8_t> data);
// Length-prefixed strings read one after another, each written and read back.
void FuzzLengthString(std::span<const std::uint8_t> data);
// An .rdf document read, saved and read again, then laid out, recognised and given a text.
void FuzzRdfDocument(std::span<const std::uint8_t> data);
// A .BMP file decoded, and encoded and decoded again.
void FuzzBmp(std::span<const std::uint8_t> data);
// A dict.dic word list (after one byte that chooses the alphabet) loaded and looked up.
void FuzzDictionary(std::span<const std::uint8_t> data);
// A PNG file decoded, and its picture passed through a PPM file; each picture decoder is also
// checked against the entry that tells the format by the first bytes.
void FuzzPng(std::span<const std::uint8_t> data);
// A Netpbm file decoded, and its picture passed through a PPM file.
void FuzzPnm(std::span<const std::uint8_t> data);
// A JPEG file decoded, and its picture passed through a PPM file.
void FuzzJpeg(std::span<const std::uint8_t> data);
// A WebP file decoded, and its picture passed through a PPM file.
void FuzzWebp(std::span<const std::uint8_t> data);

// A picture of any format (after one byte that chooses the reading's options) read as a page
// with a small glyph set, its dictionary steps run and its stages drawn.
void FuzzPageReader(std::span<const std::uint8_t> data);

// A glyph-set file (.gset) read, written again and made a GLF font where it fits one.
void FuzzGlyphSet(std::span<const std::uint8_t> data);

// A line-font file (.lfont, the proportional reader's cache) read, written again, and a line
// drawn with its glyphs decoded with it.
void FuzzLineFont(std::span<const std::uint8_t> data);

// The pixels a PNG, JPEG or WebP file's header announces, 0 for other files and when there is
// none: the targets skip large pictures before decoding them, which would only be slow.
std::uint64_t AnnouncedPixels(std::span<const std::uint8_t> data);

// The fuzz body of a target name ("glf", "length_string", "rdf", "bmp", "dict", "png", "pnm",
// "jpeg", "webp", "page", "glyphset", "linefont"), or nullptr.
using FuzzBody = void (*)(std::span<const std::uint8_t>);
FuzzBody FindFuzzBody(std::string_view target);

}  // namespace fuzzing
