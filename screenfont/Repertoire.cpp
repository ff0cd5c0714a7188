#include "Repertoire.h"

#include "GlyphSet.h"

namespace {

constexpr CodeBlock kBlocks[] = {
    {"Basic Latin", 0x0020, 0x007E},
    {"Latin-1 Supplement", 0x00A0, 0x00FF},
    {"Latin Extended-A", 0x0100, 0x017F},
    {"Greek and Coptic", 0x0370, 0x03FF},
    {"Cyrillic", 0x0400, 0x04FF},
    {"General Punctuation", 0x2010, 0x205E},
    {"Currency Symbols: euro, rouble, hryvnia, tenge", 0x20AC, 0x20BD},
    {"Letterlike Symbols: numero sign, trade mark", 0x2116, 0x2122},
    {"Arrows", 0x2190, 0x21FF},
    {"Mathematical Operators: minus, comparisons, infinity", 0x2212, 0x2265},
    {"Miscellaneous Technical: house, command, option, keys", 0x2302, 0x2328},
    {"Miscellaneous Technical: return, eject, media controls", 0x23CE, 0x23FA},
    {"Box Drawing", 0x2500, 0x257F},
    {"Block Elements", 0x2580, 0x259F},
    {"Geometric Shapes", 0x25A0, 0x25FF},
    {"Miscellaneous Symbols: stars, ballot boxes, card suits, warning", 0x2605, 0x26A1},
    {"Dingbats: check marks, crosses, heavy arrows", 0x2713, 0x27A4},
};

// A code a cell can show: a printable character, or the space, which stands for every blank cell.
bool Wanted(char32_t code)
{
    return ClassOfCode(code) == CodeClass::Printable || code == U' ';
}

}  // namespace

std::span<const CodeBlock> ScreenBlocks()
{
    return kBlocks;
}

std::vector<char32_t> ScreenRepertoire()
{
    std::vector<char32_t> codes;
    for (const CodeBlock& block : kBlocks)
        for (char32_t code = block.first; code <= block.last; ++code)
            if (Wanted(code))
                codes.push_back(code);
    return codes;
}
