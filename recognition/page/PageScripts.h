#pragma once

// Letters that look alike across scripts read in one script a word. Many fonts draw Latin,
// Cyrillic and Greek letters with the same glyph (a а α, o о ο, e е, p р, c с, x х ...), so a cell
// of one ties with all of them; the cell rule alone would read every such letter as Latin.

#include "PageCells.h"

#include <cstdint>

#include <vector>

enum class Script : std::uint8_t {
    None,  // not a letter
    Latin,
    Greek,
    Cyrillic,
};

// The script of a letter.
Script ScriptOf(char32_t code);

// Whether a letter is one a text of its script is written in: the Russian, Ukrainian and
// Belarusian alphabets of Cyrillic, the basic Greek alphabet, every Latin letter. A font draws
// rare letters such as the Cyrillic palochka (ӏ) or dze (ѕ) or the Greek digamma (Ͷ) like l, s
// and И, but a screen seldom shows them.
bool CommonLetter(char32_t code);

// What the context decided.
struct ScriptReport {
    int wordsDecided = 0;    // runs of letters with a look-alike read in one script
    int wordsUndecided = 0;  // runs of look-alikes only, on a page without any other letter
};

// Reads the look-alike letters of every run of letters in one script: the script most of the run's
// own unambiguous letters (those of one script only) are in; for a run of look-alikes only, Latin
// where it is glued to a digit (1K, 0xFE), else the script of its word's other letters, else of
// its line's, else of the page's. A run is a word's letters between its blanks, digits and signs,
// so "план.txt" reads Cyrillic then Latin. Only a code among a cell's alike codes (its ties and the
// twins a pixel or two from them) is ever chosen; the script of a letter alike with letters of one
// script only is that script.
ScriptReport ResolveScripts(std::vector<PageLine>& lines);
