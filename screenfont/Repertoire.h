#pragma once

#include <span>
#include <string_view>
#include <vector>

// The Unicode repertoire a screen's glyph set covers, as blocks of code points: the scripts
// of the texts people photograph on screens and the symbols command-line programs print.

// A run of code points, first..last inclusive; a block may be a chosen part of a Unicode block.
struct CodeBlock {
    std::string_view name;
    char32_t first = 0;
    char32_t last = 0;
};

// The blocks of the repertoire, in code order.
std::span<const CodeBlock> ScreenBlocks();

// Every code of the blocks that prints (ClassOfCode Printable), with U+0020 as the one
// space, ascending. Codes a face lacks are left out when its glyph set is made.
std::vector<char32_t> ScreenRepertoire();

// The blocks of running text in proportional fonts: Latin, Greek and Cyrillic letters, digits,
// punctuation and the few symbols prose uses. Box drawing and the terminals' symbols are left
// out: they are rare in such text and each glyph more is one more a line is decoded against.
std::span<const CodeBlock> TextBlocks();

// Every printable code of TextBlocks, with U+0020 as the one space, ascending.
std::vector<char32_t> TextRepertoire();

// What a font search tells families by before rendering a whole repertoire: printable ASCII
// and the Russian alphabet, which make most of what screens show.
std::vector<char32_t> ProbeRepertoire();
