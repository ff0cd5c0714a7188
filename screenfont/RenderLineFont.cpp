#include "RenderLineFont.h"

#include "Repertoire.h"
#include "Shaping.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>
#include <tuple>

namespace {

// What HarfBuzz says of a face for a repertoire: its kerning and ligatures in font units.
struct ShapedFace {
    int unitsPerEm = 0;
    std::vector<GlyphKern> kerning;  // between the repertoire's glyphs, and of the ligatures with them
    std::vector<Ligature> ligatures;
};

// Shaping a face's every pair takes a while; a process keeps what it shaped.
const ShapedFace& Shaped(const std::string& file, int index, const std::vector<char32_t>& codes, bool ligatures)
{
    static std::mutex mutex;
    static std::map<std::tuple<std::string, int, std::vector<char32_t>, bool>, ShapedFace> shaped;
    const std::lock_guard lock(mutex);
    auto key = std::make_tuple(file, index, codes, ligatures);
    if (auto found = shaped.find(key); found != shaped.end())
        return found->second;
    ShapedFace face;
    CShaper shaper;
    if (shaper.Open(file, index)) {
        face.unitsPerEm = shaper.UnitsPerEm();
        face.kerning = shaper.Kerning(codes);
        if (ligatures) {
            face.ligatures = shaper.Ligatures();
            std::vector<GlyphKern> more = shaper.LigatureKerning(face.ligatures, codes);
            face.kerning.insert(face.kerning.end(), more.begin(), more.end());
        }
    }
    return shaped.emplace(std::move(key), std::move(face)).first->second;
}

// A rendered glyph before look-alikes are merged.
struct Rendered {
    std::u32string text;
    unsigned glyph = 0;
    std::int32_t advance16 = 0;
    std::vector<std::vector<std::uint8_t>> bytes;  // per phase, bits at the threshold
    std::vector<std::vector<std::uint8_t>> maybe;  // per phase, bits near it
    std::vector<GlyphImage> images;                // per phase; coverage dropped
};

bool SameLook(const Rendered& a, const Rendered& b)
{
    if (a.advance16 != b.advance16 || a.images.size() != b.images.size())
        return false;
    for (std::size_t p = 0; p < a.images.size(); ++p) {
        const GlyphImage& x = a.images[p];
        const GlyphImage& y = b.images[p];
        if (x.left != y.left || x.top != y.top || x.width != y.width || x.height != y.height || a.bytes[p] != b.bytes[p] ||
            a.maybe[p] != b.maybe[p])
            return false;
    }
    return true;
}

std::int32_t Scale16(long long units, long long size16, int unitsPerEm)
{
    if (unitsPerEm <= 0)
        return 0;
    const long long product = units * size16;
    const long long half = unitsPerEm / 2;
    return static_cast<std::int32_t>(product >= 0 ? (product + half) / unitsPerEm : -((-product + half) / unitsPerEm));
}

// The advance of a rendered glyph under the layout, in 1/65536 pixel.
std::int32_t AdvanceOf(const GlyphImage& image, TextLayout layout)
{
    switch (layout) {
    case TextLayout::Qt:
        return image.linearAdvance64 * 1024;
    case TextLayout::Hinted:
        return image.advance64 * 1024;
    case TextLayout::Chromium:
    case TextLayout::Pango:
        break;
    }
    return image.linearAdvance16;
}

// Kerning of font units at the size, in 1/65536 pixel, with the layout's precision.
std::int32_t KerningOf(int units, int size64, int unitsPerEm, TextLayout layout)
{
    if (layout == TextLayout::Qt)
        return Scale16(units, size64, unitsPerEm) * 1024;
    return Scale16(units, static_cast<long long>(size64) * 1024, unitsPerEm);
}

const char* FaceSuffix(GlyphFace face)
{
    switch (face) {
    case GlyphFace::Regular:
        return "";
    case GlyphFace::Bold:
        return ", bold";
    case GlyphFace::Italic:
        return ", italic";
    case GlyphFace::BoldItalic:
        return ", bold italic";
    }
    return "";
}

}  // namespace

const char* TextLayoutName(TextLayout layout)
{
    switch (layout) {
    case TextLayout::Chromium:
        return "chromium";
    case TextLayout::Qt:
        return "qt";
    case TextLayout::Pango:
        return "pango";
    case TextLayout::Hinted:
        return "hinted";
    }
    return "";
}

LineFont RenderLineFont(CFaceRenderer& renderer, const LineFontRequest& request)
{
    LineFont font;
    const bool wholePixels = request.layout == TextLayout::Pango || request.layout == TextLayout::Hinted;
    const int phases = wholePixels ? 1 : std::clamp(request.settings.phases, 1, LineFont::kMaxPhases);
    font.Reset(phases, request.layout == TextLayout::Qt ? PenRule::Down : PenRule::Nearest);
    font.wholePixelAdvances = wholePixels;
    if (request.faces.empty() || request.size64 <= 0)
        return font;
    std::vector<char32_t> codes = request.codes.empty() ? TextRepertoire() : request.codes;
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    codes.erase(std::remove_if(codes.begin(), codes.end(), [](char32_t c) { return ClassOfCode(c) == CodeClass::Control; }),
                codes.end());

    std::vector<GlyphFace> done;
    for (const LineFontFace& face : request.faces) {
        if (std::find(done.begin(), done.end(), face.face) != done.end())
            continue;  // a face given twice keeps its first
        if (!renderer.SetFace(face.file, face.index) || !renderer.SetSize(request.size64))
            continue;
        done.push_back(face.face);
        RenderSettings settings = request.settings;
        settings.embolden = settings.embolden || face.embolden;
        renderer.SetSettings(settings);
        const ShapedFace& shaped = Shaped(face.file, face.index, codes, request.ligatures);

        std::vector<Rendered> rendered;
        rendered.reserve(codes.size() + shaped.ligatures.size());
        auto render = [&](std::u32string text, unsigned glyph) {
            Rendered one;
            one.text = std::move(text);
            one.glyph = glyph;
            if (glyph == 0 || !renderer.RenderPhases(glyph, phases, one.images))
                return;
            one.advance16 = AdvanceOf(one.images.front(), request.layout);
            if (one.advance16 < 65536 / 4)
                return;  // a mark or a joiner: nothing a line's pen steps over
            bool inked = false;
            auto any = [](const std::vector<std::uint8_t>& bits) {
                return std::any_of(bits.begin(), bits.end(), [](std::uint8_t b) { return b != 0; });
            };
            for (GlyphImage& image : one.images) {
                // A faint glyph that nowhere passes the sure weight keeps its pixels past the threshold.
                std::vector<std::uint8_t> sure = CoverageBits(image, request.threshold + request.uncertainty);
                one.bytes.push_back(any(sure) ? std::move(sure) : CoverageBits(image, request.threshold));
                one.maybe.push_back(CoverageBits(image, request.threshold - request.uncertainty));
                inked = inked || any(one.bytes.back());
                image.coverage.clear();
            }
            if (!inked && one.text != U" ")
                return;
            rendered.push_back(std::move(one));
        };
        for (char32_t code : codes)
            render(std::u32string(1, code), renderer.GlyphIndex(code));
        if (request.ligatures)
            for (const Ligature& ligature : shaped.ligatures)
                render(ligature.codes, ligature.glyph);

        // Look-alikes become one glyph, the first (lowest code) naming the others.
        std::map<unsigned, int> indexOfGlyph;  // the face's glyph index -> the font's glyph
        std::vector<int> merged(rendered.size(), -1);
        for (std::size_t i = 0; i < rendered.size(); ++i) {
            Rendered& one = rendered[i];
            for (std::size_t k = 0; k < i && one.text.size() == 1; ++k)
                if (merged[k] >= 0 && rendered[k].text.size() == 1 && SameLook(rendered[k], one)) {
                    merged[i] = merged[k];
                    font.glyphs[static_cast<std::size_t>(merged[k])].lookAlikes += one.text;
                    break;
                }
            if (merged[i] >= 0) {
                // A look-alike of letters of two scripts names none; of a common code, is common.
                LineGlyph& first = font.glyphs[static_cast<std::size_t>(merged[i])];
                if (ScriptOfCode(one.text[0]) != first.script)
                    first.script = GlyphScript::None;
                first.bRare = first.bRare && IsRareCode(one.text[0]);
                indexOfGlyph.emplace(one.glyph, merged[i]);
                continue;
            }
            std::vector<LineFont::ImageBytes> images;
            for (std::size_t p = 0; p < one.images.size(); ++p) {
                const GlyphImage& image = one.images[p];
                images.push_back(LineFont::ImageBytes{image.left, image.top, image.width, image.height, one.bytes[p].data(),
                                                      one.maybe[p].data()});
            }
            const char32_t code = one.text[0];
            merged[i] = font.Add(one.text, face.face, one.advance16, images, ScriptOfCode(code),
                                 one.text.size() == 1 && IsRareCode(code));
            indexOfGlyph.emplace(one.glyph, merged[i]);
        }
        if (request.kerning)
            for (const GlyphKern& pair : shaped.kerning) {
                const auto left = indexOfGlyph.find(pair.left);
                const auto right = indexOfGlyph.find(pair.right);
                if (left == indexOfGlyph.end() || right == indexOfGlyph.end())
                    continue;
                const std::int32_t adjust = KerningOf(pair.units, request.size64, shaped.unitsPerEm, request.layout);
                if (adjust != 0)
                    font.kerning.push_back(KernPair{static_cast<std::uint16_t>(left->second),
                                                    static_cast<std::uint16_t>(right->second), adjust});
            }
    }
    font.SortKerning();
    renderer.SetSettings(request.settings);

    font.name = request.name;
    if (font.name.empty() && renderer.SetFace(request.faces.front().file, request.faces.front().index)) {
        char size[32];
        std::snprintf(size, sizeof size, " %.5g px, ", request.size64 / 64.0);
        font.name = renderer.FamilyName() + size;
        font.name += TextLayoutName(request.layout);
        for (std::size_t i = 1; i < request.faces.size(); ++i)
            font.name += FaceSuffix(request.faces[i].face);
    }
    return font;
}
