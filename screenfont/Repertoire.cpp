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

constexpr CodeBlock kTextBlocks[] = {
    {"Basic Latin", 0x0020, 0x007E},
    {"Latin-1 Supplement", 0x00A0, 0x00FF},
    {"Latin Extended-A", 0x0100, 0x017F},
    {"Greek: letters", 0x0386, 0x03CE},
    {"Cyrillic: Russian, Ukrainian, Belarusian, Serbian, Macedonian, Bulgarian", 0x0400, 0x045F},
    {"Cyrillic: ghe with upturn", 0x0490, 0x0491},
    {"General Punctuation: dashes, quotes, bullets, ellipsis", 0x2010, 0x2027},
    {"General Punctuation: per mille, primes, angle quotes", 0x2030, 0x203A},
    {"Currency Symbols: euro", 0x20AC, 0x20AC},
    {"Currency Symbols: rouble", 0x20BD, 0x20BD},
    {"Letterlike Symbols: numero sign", 0x2116, 0x2116},
    {"Letterlike Symbols: trade mark", 0x2122, 0x2122},
    {"Arrows: left, up, right, down", 0x2190, 0x2193},
    {"Mathematical Operators: minus", 0x2212, 0x2212},
    {"Mathematical Operators: infinity", 0x221E, 0x221E},
    {"Mathematical Operators: not equal, identical to, less and greater or equal", 0x2260, 0x2265},
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

std::span<const CodeBlock> TextBlocks()
{
    return kTextBlocks;
}

std::vector<char32_t> ProbeRepertoire()
{
    std::vector<char32_t> codes;
    for (char32_t c = 0x20; c < 0x7F; ++c)
        codes.push_back(c);
    for (char32_t c = 0x410; c <= 0x44F; ++c)
        codes.push_back(c);
    codes.push_back(0x401);
    codes.push_back(0x451);
    return codes;
}

std::vector<char32_t> TextRepertoire()
{
    std::vector<char32_t> codes;
    for (const CodeBlock& block : kTextBlocks)
        for (char32_t code = block.first; code <= block.last; ++code)
            if (Wanted(code))
                codes.push_back(code);
    return codes;
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
