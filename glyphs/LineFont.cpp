#include "LineFont.h"

#include <algorithm>
#include <bit>

namespace {

bool ByteBit(const std::uint8_t* bytes, int width, int x, int y)
{
    if (bytes == nullptr)
        return false;
    const int bytesPerRow = (width + 7) / 8;
    return ((bytes[static_cast<std::size_t>(y) * static_cast<std::size_t>(bytesPerRow) + static_cast<std::size_t>(x / 8)] >>
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
        if (image.width < 0 || image.height < 0 || (image.width == 0) != (image.height == 0) ||
            (image.width == 0) != (image.ink == 0) || image.width > 4096 || image.height > 4096 ||
            image.left < -4096 || image.left > 4096 || image.top < -4096 || image.top > 4096)
            return false;
        const std::size_t words = static_cast<std::size_t>(image.WordsPerRow()) * static_cast<std::size_t>(image.height);
        if (image.offset > bits.size() || words > bits.size() - image.offset || image.maybeOffset > bits.size() ||
            words > bits.size() - image.maybeOffset)
            return false;
        int ink = 0;
        int maybe = 0;
        for (std::size_t w = 0; w < words; ++w) {
            ink += std::popcount(bits[image.offset + w]);
            maybe += std::popcount(bits[image.maybeOffset + w]);
            if ((bits[image.offset + w] & bits[image.maybeOffset + w]) != 0)
                return false;
        }
        if (ink != image.ink || maybe != image.maybe)
            return false;
        // The bits past the width of each row are 0.
        if (image.width % 64 != 0)
            for (int y = 0; y < image.height; ++y)
                if (((Row(image, y)[image.WordsPerRow() - 1] | MaybeRow(image, y)[image.WordsPerRow() - 1]) &
                     (~0ULL >> (image.width % 64))) != 0)
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
        image.offset = image.maybeOffset = static_cast<std::uint32_t>(bits.size());
        const ImageBytes* source = static_cast<std::size_t>(p) < phaseImages.size() ? &phaseImages[static_cast<std::size_t>(p)] : nullptr;
        if (source == nullptr || source->bytes == nullptr || source->width <= 0 || source->height <= 0) {
            images.push_back(image);
            continue;
        }
        auto ink = [&](int x, int y) { return ByteBit(source->bytes, source->width, x, y); };
        auto maybe = [&](int x, int y) { return !ink(x, y) && ByteBit(source->maybe, source->width, x, y); };
        // The box of the ink and of the pixels that may be ink.
        int left = source->width, right = -1, top = source->height, bottom = -1;
        bool inked = false;
        for (int y = 0; y < source->height; ++y)
            for (int x = 0; x < source->width; ++x)
                if (ink(x, y) || maybe(x, y)) {
                    inked = inked || ink(x, y);
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        if (!inked) {
            images.push_back(image);
            continue;
        }
        image.left = source->left + left;
        image.top = source->top - top;
        image.width = right - left + 1;
        image.height = bottom - top + 1;
        const std::size_t words = static_cast<std::size_t>(image.WordsPerRow());
        const std::size_t plane = words * static_cast<std::size_t>(image.height);
        image.maybeOffset = static_cast<std::uint32_t>(bits.size() + plane);
        bits.resize(bits.size() + 2 * plane, 0);
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                const std::size_t word = static_cast<std::size_t>(y) * words + static_cast<std::size_t>(x / 64);
                const std::uint64_t bit = 1ULL << (63 - x % 64);
                if (ink(left + x, top + y)) {
                    bits[image.offset + word] |= bit;
                    ++image.ink;
                } else if (maybe(left + x, top + y)) {
                    bits[image.maybeOffset + word] |= bit;
                    ++image.maybe;
                }
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
