#pragma once

// recognize-cli page --ansi: a reading written as text with SGR escape sequences, which a
// terminal shows as the screen the picture was taken of.

#include "PageReader.h"

#include <string>

// The reading's lines as UTF-8 text with SGR sequences: every cell in its colours (24-bit, 38;2
// and 48;2) and attributes (1 bold, 3 italic, 4 underline, 9 strike-through, 7 reverse video,
// with the colours given the other way round so that the terminal turns them back), each line
// ended by a reset (0). A line ends at its last cell that is not a blank on the screen's default
// background; empty rows of a screen are empty lines. A reading without styles gives its text.
std::string PageAnsi(const PageReading& page);
