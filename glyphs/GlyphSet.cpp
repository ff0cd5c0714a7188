#include "GlyphSet.h"

#include "CCharImageFont.h"
#include "CodePage1251.h"

#include <algorithm>
#include <cstring>

bool GlyphSet::Consistent() const
{
    if (phases < 1 || phases > kMaxPhases || cellWidth < 0 || cellHeight < 0 || faces.size() != codes.size())
        return false;
    if (bits.size() != static_cast<std::size_t>(phases) * codes.size() * ImageBytes())
        return false;
    std::vector<std::pair<char32_t, GlyphFace>> keys;
    keys.reserve(codes.size());
    for (std::size_t g = 0; g < codes.size(); ++g)
        keys.emplace_back(codes[g], faces[g]);
    std::sort(keys.begin(), keys.end());
    return std::adjacent_find(keys.begin(), keys.end()) == keys.end();
}

int GlyphSet::Find(char32_t code, GlyphFace face) const
{
    for (std::size_t g = 0; g < codes.size(); ++g)
        if (codes[g] == code && faces[g] == face)
            return static_cast<int>(g);
    return -1;
}

void GlyphSet::Reset(int width, int height, int phaseCount, int baselineRow)
{
    cellWidth = std::max(width, 0);
    cellHeight = std::max(height, 0);
    phases = std::clamp(phaseCount, 1, kMaxPhases);
    baseline = baselineRow;
    codes.clear();
    faces.clear();
    bits.clear();
}

int GlyphSet::Add(char32_t code, GlyphFace face, const std::vector<std::uint8_t>& images)
{
    // Images are stored phase after phase, so a new glyph is inserted into every phase's run.
    const std::size_t size = ImageBytes();
    const std::size_t glyphs = codes.size();
    std::vector<std::uint8_t> merged(static_cast<std::size_t>(phases) * (glyphs + 1) * size, 0);
    for (int p = 0; p < phases; ++p) {
        std::uint8_t* to = merged.data() + static_cast<std::size_t>(p) * (glyphs + 1) * size;
        if (glyphs * size != 0)
            std::memcpy(to, bits.data() + static_cast<std::size_t>(p) * glyphs * size, glyphs * size);
        const std::size_t from = static_cast<std::size_t>(p) * size;
        if (size != 0 && from + size <= images.size())
            std::memcpy(to + glyphs * size, images.data() + from, size);
    }
    bits.swap(merged);
    codes.push_back(code);
    faces.push_back(face);
    const int index = static_cast<int>(glyphs);
    // Only the W x H pixels of a glyph count: the bits past the width are cleared.
    if (cellWidth % 8 != 0)
        for (int p = 0; p < phases; ++p) {
            std::uint8_t* image = Image(p, index);
            const auto mask = static_cast<std::uint8_t>(0xFF << (8 - cellWidth % 8));
            for (int y = 0; y < cellHeight; ++y)
                image[static_cast<std::size_t>(y) * BytesPerRow() + BytesPerRow() - 1] &= mask;
        }
    return index;
}

CodeClass ClassOfCode(char32_t code)
{
    if (code < 0x20 || (code >= 0x7F && code < 0xA0) || code == 0xFFFD || code == 0xFEFF ||
        (code >= 0x200B && code <= 0x200F) || (code >= 0x2028 && code <= 0x202E) || code > 0x10FFFF)
        return CodeClass::Control;
    if (code == 0x20 || code == 0xA0 || code == 0x1680 || (code >= 0x2000 && code <= 0x200A) || code == 0x202F ||
        code == 0x205F || code == 0x3000)
        return CodeClass::Space;
    return CodeClass::Printable;
}

GlyphSet GlyphSetFromFont(const CCharImageFont& font)
{
    GlyphSet set;
    const int width = font.CellWidth();
    const int height = font.CellHeight();
    if (!font.HasGlyphs() || width <= 0 || height <= 0)
        return set;
    set.Reset(width, height, 1, height);
    // Built in one pass: one image per glyph of the cell's size, in ascending code order.
    std::vector<int> kept;
    for (int code = font.First(); code <= font.Last() && code <= 255; ++code) {
        const CCharImage* glyph = font.GetCharImage(code);
        if (glyph != nullptr && glyph->m_nWidth == width && glyph->m_nHeight == height)
            kept.push_back(code);
    }
    const std::size_t size = set.ImageBytes();
    set.bits.assign(kept.size() * size, 0);
    for (std::size_t g = 0; g < kept.size(); ++g) {
        const CCharImage* glyph = font.GetCharImage(kept[g]);
        if (const std::size_t n = std::min(size, glyph->m_Bits.size()); n != 0)
            std::memcpy(set.bits.data() + g * size, glyph->m_Bits.data(), n);
        set.codes.push_back(Cp1251ToUnicode(static_cast<std::uint8_t>(kept[g])));
        set.faces.push_back(GlyphFace::Regular);
    }
    if (width % 8 != 0) {
        const auto mask = static_cast<std::uint8_t>(0xFF << (8 - width % 8));
        for (std::size_t g = 0; g < kept.size(); ++g)
            for (int y = 0; y < height; ++y)
                set.bits[g * size + static_cast<std::size_t>(y) * set.BytesPerRow() + set.BytesPerRow() - 1] &= mask;
    }
    return set;
}
