#pragma once

#include "CCharImageFont.h"

#include <cstddef>
#include <string>
#include <string_view>

// Which alphabet the words of a list are written in (Windows-1251 text, a word a line).
enum class WordListLetters { None, Latin, Cyrillic, Both };

// Counts the Latin and Cyrillic letters of the text: one alphabet when it holds at least nine
// letters in ten, Both when neither does, None without letters.
WordListLetters LettersOf(std::string_view text);
// The letters of the first maxBytes of the file; None when it cannot be read.
WordListLetters ReadWordListLetters(const std::string& path, std::size_t maxBytes = std::size_t{1} << 20);

// The shipped Russian word list: where documents find their data files, else in the build's
// data folder (a program run from the build tree); empty when there is none.
std::string FindRussianWordList();

// True when the font holds a glyph for a Cyrillic letter (codes 0xC0..0xFF of Windows-1251).
bool HasCyrillicGlyphs(const CCharImageFont& font);
