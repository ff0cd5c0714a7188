#pragma once

#include "ByteStream.h"

#include <string>
#include <string_view>

// The length-prefixed 8-bit string of GLF and .rdf files: one byte n (n <= 254), or 0xFF
// and a 16-bit n (n <= 65533), or 0xFF 0xFFFF and a 32-bit n, followed by n characters.
// The reader also takes the UTF-16 form (0xFF 0xFFFE, a length, 2n bytes of UTF-16LE) and
// converts it to Windows-1251. A length larger than what remains of the input fails
// without allocating it and raises end-of-file; so does a UTF-16 length marker inside the
// UTF-16 form (fails only). On failure text is unchanged.
bool ReadLengthString(CByteReader& reader, std::string& text);
// The same for a text of at most maxLength characters: a longer one fails like one past the
// input, without allocating it, but raises no end-of-file.
bool ReadLengthString(CByteReader& reader, std::string& text, std::size_t maxLength);
// Writes text in the shortest of the three 8-bit forms; throws std::length_error for a text
// of 2^32 characters or more, which the format cannot hold.
void WriteLengthString(CByteWriter& writer, std::string_view text);
