#pragma once

#include <cstdint>

// Returns the Unicode character of a Windows-1251 code; the one undefined code, 0x98,
// maps to U+0098 as the Windows conversion does.
char16_t Cp1251ToUtf16(std::uint8_t code);
