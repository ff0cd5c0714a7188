#pragma once

#include "PictureFormat.h"
#include "PictureLoad.h"

#include <cstdint>
#include <span>
#include <string>

// Pictures from files, for every program: the file checked before it is read, its format told
// by its first bytes, and one reader per format. Nothing here throws; running out of memory is
// a refusal like any other.

// Largest picture file that is read. It holds any picture of the size bound in every binary
// format (a 16-bit PPM of 8192 x 8192 pixels takes 384 MiB).
inline constexpr std::int64_t kMaxPictureFileBytes = std::int64_t{512} << 20;

// Decodes the bytes of a picture of any format read, name standing for the file in the
// messages. Refuses bytes of no such format, saying what they are when the first bytes tell.
PictureLoad DecodePicture(std::span<const std::uint8_t> bytes, const std::string& name);

// Reads the picture file at path. It is read only when it is a regular file of 1 to
// kMaxPictureFileBytes bytes; each other case is refused with its own problem and a reason
// naming the file: "shot.png: it is a folder, not a file".
PictureLoad LoadPicture(const std::string& path);

// Reads the .BMP file at path as LoadPicture does, refusing pictures of every other format.
PictureLoad LoadBmpPicture(const std::string& path);
