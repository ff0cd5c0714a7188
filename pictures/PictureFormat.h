#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The kinds of picture the programs read, told by a file's first bytes, never by its name,
// and what other files are when their first bytes tell.

enum class PictureFormat {
    Unknown,
    Bmp,
    Png,
    Pnm,
    Jpeg,
    Webp,
};

// The format whose magic bytes begin bytes.
PictureFormat SniffPicture(std::span<const std::uint8_t> bytes);

// The format's name in messages: "PNG", "JPEG", "WebP", ".BMP", "Netpbm".
std::string_view FormatName(PictureFormat format);

// What bytes of no format above are, as the rest of a sentence "it is ...": "a GLF glyph
// font, not a picture", "a GIF picture, which is not read (the programs read PNG, ...)",
// "text, not a picture"; nothing when the first bytes do not tell.
std::optional<std::string> DescribeOtherFile(std::span<const std::uint8_t> bytes);

// The name endings of the picture files the programs read, lower case and without the dot:
// png, jpg, jpeg, jpe, webp, bmp, pbm, pgm, ppm, pnm.
const std::vector<std::string>& PictureSuffixes();
