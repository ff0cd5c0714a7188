#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Conversion between the 8-bit Windows-1251 code page of the programs' texts and Unicode.

// The Unicode code point of an 8-bit code; codes that Windows-1251 leaves undefined (0x98)
// map to U+FFFD.
char32_t Cp1251ToUnicode(std::uint8_t code);
// The 8-bit code of a code point, or nothing when Windows-1251 has no such character.
std::optional<std::uint8_t> UnicodeToCp1251(char32_t codePoint);

std::string Cp1251ToUtf8(std::string_view text);
// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, char32_t codePoint);
// Decodes one UTF-8 sequence at text[i] and moves i past it; false, i unmoved, for a malformed,
// overlong or surrogate one.
bool DecodeUtf8(std::string_view text, std::size_t& i, char32_t& codePoint);
// Converts UTF-8 to Windows-1251; nothing when the text is not valid UTF-8 or holds a
// character that the code page lacks (its position in badOffset, when given).
std::optional<std::string> Utf8ToCp1251(std::string_view text, std::size_t* badOffset = nullptr);
// Converts UTF-16 code units; a character the code page lacks becomes '?'.
std::string Utf16ToCp1251(std::u16string_view text);
