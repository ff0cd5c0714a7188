#pragma once

// Shared pieces of the page reader's tests: a small font whose glyphs differ, pages drawn with it.

#include "CCharImageFont.h"
#include "CRaster.h"
#include "CodePage1251.h"
#include "GlyphFixtures.h"
#include "GlyphSet.h"
#include "PageReader.h"

#include <random>
#include <string>
#include <vector>

namespace pagefixtures {

constexpr int kW = 7;  // not a multiple of 8: the bits past the width must never count
constexpr int kH = 11;

// A font of the codes 32..126, kW x kH: the space is blank, every other glyph a noise pattern of
// its own inside a margin (blank top row, right column and two bottom rows), as the glyphs of a
// real font leave room around their ink; '|' is a bar the whole cell high, so that lines of a
// terminal touch. Bits past the width are set, so a reader that counts them fails.
inline CCharImageFont TestFont()
{
    return fixtures::MakeFont(32, 126, [](int code) {
        if (code == '|')
            return fixtures::MakeGlyph(kW, kH, {"..##", "..##", "..##", "..##", "..##", "..##", "..##", "..##", "..##",
                                                "..##", "..##"});
        CCharImage glyph = fixtures::MakeGlyph(kW, kH);
        std::mt19937 random(static_cast<unsigned>(code) * 7919U);
        for (int y = 0; y < kH; ++y) {
            glyph.m_Bits[static_cast<std::size_t>(y)] |= 0x01;
            for (int x = 0; x < kW - 1; ++x)
                if (code != ' ' && y >= 1 && y < kH - 2 && random() % 2 == 0)
                    glyph.m_Bits[static_cast<std::size_t>(y)] |= static_cast<std::uint8_t>(0x80 >> x);
        }
        return glyph;
    });
}

inline const GlyphSet& TestGlyphs()
{
    static const GlyphSet glyphs = GlyphSetFromFont(TestFont());
    return glyphs;
}

// Paints the glyphs of text from (x, y) in colour, W x H pixels each.
inline void Draw(CRaster& picture, const CCharImageFont& font, const std::string& text, int x, int y, std::uint32_t colour)
{
    const int w = font.CellWidth();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const CCharImage* glyph = font.GetCharImage(static_cast<unsigned char>(text[i]));
        for (int r = 0; r < glyph->Height(); ++r)
            for (int c = 0; c < glyph->Width(); ++c)
                if (glyph->Pixel(c, r))
                    picture.SetPixel(x + static_cast<int>(i) * w + c, y + r, colour);
    }
}

// Random text of printable characters, single spaces inside, none at the ends.
inline std::string RandomText(std::mt19937& random, int length)
{
    std::string text;
    for (int i = 0; i < length; ++i) {
        const bool space = i > 0 && i + 1 < length && text.back() != ' ' && random() % 6 == 0;
        text.push_back(space ? ' ' : static_cast<char>(33 + random() % 94));
    }
    return text;
}

// The codes of a line's cells as UTF-8, trailing spaces trimmed.
inline std::string CellCodes(const PageLine& line)
{
    std::string codes;
    for (const PageCell& cell : line.cells)
        AppendUtf8(codes, cell.code);
    while (!codes.empty() && codes.back() == ' ')
        codes.pop_back();
    return codes;
}

// An ink mask of the given size with no ink.
inline InkBits BlankInk(int width, int height)
{
    InkBits ink;
    ink.width = width;
    ink.height = height;
    ink.wordsPerRow = (width + 63) / 64;
    ink.words.assign(static_cast<std::size_t>(ink.wordsPerRow) * height, 0);
    ink.CountRows();
    return ink;
}

inline void SetInk(InkBits& ink, int x, int y, bool on = true)
{
    if (x < 0 || y < 0 || x >= ink.width || y >= ink.height)
        return;
    std::uint64_t& word = ink.Row(y)[x / 64];
    const std::uint64_t bit = std::uint64_t{1} << (63 - x % 64);
    word = on ? word | bit : word & ~bit;
}

}  // namespace pagefixtures
