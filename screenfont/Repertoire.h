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
