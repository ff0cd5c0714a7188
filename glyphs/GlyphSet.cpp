#include "GlyphSet.h"

#include "CCharImageFont.h"
#include "CodePage1251.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// "U+0416".
std::string CodeName(char32_t code)
{
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(code));
    return text;
}

}  // namespace

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

std::optional<CCharImageFont> GlyphSetToFont(const GlyphSet& set, std::string* reason)
{
    auto refuse = [reason](const std::string& why) -> std::optional<CCharImageFont> {
        if (reason != nullptr)
            *reason = why;
        return std::nullopt;
    };
    if (!set.Consistent())
        return refuse("the glyph set is not consistent");
    if (set.Empty())
        return refuse("the glyph set has no glyphs");
    if (set.phases != 1)
        return refuse("a GLF font holds one phase; the set has " + std::to_string(set.phases));
    if (set.cellWidth > 255 || set.cellHeight > 255)
        return refuse("a GLF glyph is at most 255 x 255 pixels");
    std::vector<int> glyphOfCode(256, -1);
    int last = 32;
    for (int g = 0; g < set.Glyphs(); ++g) {
        if (set.faces[static_cast<std::size_t>(g)] != GlyphFace::Regular)
            return refuse("a GLF font holds regular glyphs only");
        const std::optional<std::uint8_t> code = UnicodeToCp1251(set.codes[static_cast<std::size_t>(g)]);
        if (!code)
            return refuse(CodeName(set.codes[static_cast<std::size_t>(g)]) + " is not in Windows-1251");
        glyphOfCode[*code] = g;
        last = std::max(last, static_cast<int>(*code));
    }
    CCharImageFont font;
    font.m_nFirst = 0;
    font.m_nLast = last;
    font.m_Glyphs.resize(static_cast<std::size_t>(last) + 1);
    const std::size_t size = set.ImageBytes();
    for (int code = 0; code <= last; ++code) {
        const int g = glyphOfCode[static_cast<std::size_t>(code)];
        if (g < 0 && code != 32)
            continue;  // an empty record
        CCharImage& glyph = font.m_Glyphs[static_cast<std::size_t>(code)];
        glyph.m_nWidth = static_cast<std::uint8_t>(set.cellWidth);
        glyph.m_nHeight = static_cast<std::uint8_t>(set.cellHeight);
        glyph.m_nBytesPerRow = set.BytesPerRow();
        glyph.m_Bits.assign(size, 0);
        if (g >= 0)
            std::memcpy(glyph.m_Bits.data(), set.Image(0, g), size);
    }
    return font;
}
