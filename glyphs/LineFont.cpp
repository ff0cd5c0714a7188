#include "LineFont.h"

#include <algorithm>
#include <bit>

namespace {

bool ByteInk(const LineFont::ImageBytes& image, int x, int y)
{
    const int bytesPerRow = (image.width + 7) / 8;
    return ((image.bytes[static_cast<std::size_t>(y) * static_cast<std::size_t>(bytesPerRow) + static_cast<std::size_t>(x / 8)] >>
             (7 - x % 8)) & 1U) != 0;
}

}  // namespace

GlyphScript ScriptOfCode(char32_t code)
{
    if ((code >= U'A' && code <= U'Z') || (code >= U'a' && code <= U'z') ||
        (code >= 0xC0 && code <= 0x24F && code != 0xD7 && code != 0xF7))
        return GlyphScript::Latin;
    if (code >= 0x370 && code <= 0x3FF)
        return GlyphScript::Greek;
    if (code >= 0x400 && code <= 0x52F)
        return GlyphScript::Cyrillic;
    return GlyphScript::None;
}

bool IsRareCode(char32_t code)
{
    return !((code >= 0x20 && code <= 0x7E) || (code >= 0x410 && code <= 0x44F) || code == 0x401 || code == 0x451);
}

std::int32_t LineFont::Kerning(int left, int right) const
{
    if (kerning.empty())
        return 0;
    const KernPair key{static_cast<std::uint16_t>(left), static_cast<std::uint16_t>(right), 0};
    const auto found = std::lower_bound(kerning.begin(), kerning.end(), key, [](const KernPair& a, const KernPair& b) {
        return a.left != b.left ? a.left < b.left : a.right < b.right;
    });
    return found != kerning.end() && found->left == key.left && found->right == key.right ? found->adjust16 : 0;
}

int LineFont::Ascent() const
{
    int ascent = 0;
    for (const LineGlyphImage& image : images)
        if (image.ink > 0)
            ascent = std::max(ascent, image.top);
    return ascent;
}

int LineFont::Descent() const
{
    int descent = 0;
    for (const LineGlyphImage& image : images)
        if (image.ink > 0)
            descent = std::max(descent, image.Bottom());
    return descent;
}

std::int32_t LineFont::MaxAdvance16() const
{
    std::int32_t widest = 0;
    for (const LineGlyph& glyph : glyphs)
        widest = std::max(widest, glyph.advance16);
    return widest;
}

bool LineFont::Consistent() const
{
    if (phases < 1 || phases > kMaxPhases || glyphs.size() > static_cast<std::size_t>(kMaxGlyphs) ||
        images.size() != glyphs.size() * static_cast<std::size_t>(phases))
        return false;
    if (space >= static_cast<int>(glyphs.size()) || space < -1)
        return false;
    for (const LineGlyph& glyph : glyphs)
        if (glyph.advance16 <= 0 || glyph.text.empty())
            return false;
    for (const LineGlyphImage& image : images) {
        if (image.width < 0 || image.height < 0 || (image.width == 0) != (image.height == 0))
            return false;
        const std::size_t words = static_cast<std::size_t>(image.WordsPerRow()) * static_cast<std::size_t>(image.height);
        if (image.offset > bits.size() || words > bits.size() - image.offset)
            return false;
        int ink = 0;
        for (std::size_t w = 0; w < words; ++w)
            ink += std::popcount(bits[image.offset + w]);
        if (ink != image.ink)
            return false;
        // The bits past the width of each row are 0.
        if (image.width % 64 != 0)
            for (int y = 0; y < image.height; ++y)
                if ((Row(image, y)[image.WordsPerRow() - 1] & (~0ULL >> (image.width % 64))) != 0)
                    return false;
    }
    for (std::size_t i = 0; i < kerning.size(); ++i) {
        if (kerning[i].left >= glyphs.size() || kerning[i].right >= glyphs.size())
            return false;
        if (i > 0 && (kerning[i - 1].left > kerning[i].left ||
                      (kerning[i - 1].left == kerning[i].left && kerning[i - 1].right >= kerning[i].right)))
            return false;
    }
    return true;
}

void LineFont::Reset(int phaseCount, PenRule rule)
{
    *this = LineFont{};
    phases = std::clamp(phaseCount, 1, kMaxPhases);
    pen = rule;
}

int LineFont::Add(const std::u32string& text, GlyphFace face, std::int32_t advance16, const std::vector<ImageBytes>& phaseImages,
                  GlyphScript script, bool rare)
{
    const int index = static_cast<int>(glyphs.size());
    glyphs.push_back(LineGlyph{text, {}, face, advance16, script, rare});
    if (text == U" " && space < 0)
        space = index;
    for (int p = 0; p < phases; ++p) {
        LineGlyphImage image;
        image.offset = static_cast<std::uint32_t>(bits.size());
        const ImageBytes* source = static_cast<std::size_t>(p) < phaseImages.size() ? &phaseImages[static_cast<std::size_t>(p)] : nullptr;
        if (source == nullptr || source->bytes == nullptr || source->width <= 0 || source->height <= 0) {
            images.push_back(image);
            continue;
        }
        // The ink's own box inside the image.
        int left = source->width, right = -1, top = source->height, bottom = -1;
        for (int y = 0; y < source->height; ++y)
            for (int x = 0; x < source->width; ++x)
                if (ByteInk(*source, x, y)) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        if (right < 0) {
            images.push_back(image);
            continue;
        }
        image.left = source->left + left;
        image.top = source->top - top;
        image.width = right - left + 1;
        image.height = bottom - top + 1;
        const int words = image.WordsPerRow();
        bits.resize(bits.size() + static_cast<std::size_t>(words) * static_cast<std::size_t>(image.height), 0);
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                if (ByteInk(*source, left + x, top + y)) {
                    bits[image.offset + static_cast<std::size_t>(y) * static_cast<std::size_t>(words) + static_cast<std::size_t>(x / 64)] |=
                        1ULL << (63 - x % 64);
                    ++image.ink;
                }
        images.push_back(image);
    }
    return index;
}

void LineFont::SortKerning()
{
    std::stable_sort(kerning.begin(), kerning.end(), [](const KernPair& a, const KernPair& b) {
        return a.left != b.left ? a.left < b.left : a.right < b.right;
    });
    kerning.erase(std::unique(kerning.begin(), kerning.end(),
                              [](const KernPair& a, const KernPair& b) { return a.left == b.left && a.right == b.right; }),
                  kerning.end());
}
