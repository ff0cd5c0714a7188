#include "RenderGlyphSet.h"

#include "CRaster.h"
#include "Repertoire.h"

#include <algorithm>
#include <cstring>

namespace {

const char* FaceName(GlyphFace face)
{
    switch (face) {
    case GlyphFace::Regular:
        return "regular";
    case GlyphFace::Bold:
        return "bold";
    case GlyphFace::Italic:
        return "italic";
    case GlyphFace::BoldItalic:
        return "bold italic";
    }
    return "";
}

// A 26.6 size as a decimal: "16", "10.65625".
std::string SizeText(int size64)
{
    std::string text = std::to_string(size64 / 64);
    if (int fraction = size64 % 64; fraction != 0) {
        text += '.';
        // 64ths have at most six decimals; trailing zeros are dropped.
        for (int digits = 0; fraction != 0 && digits < 6; ++digits) {
            fraction *= 10;
            text += static_cast<char>('0' + fraction / 64);
            fraction %= 64;
        }
    }
    return text;
}

// Packs the cell's weights at the threshold into the set's bit rows.
void PackCell(const std::uint8_t* cell, int width, int height, int threshold, std::uint8_t* bits)
{
    const int bytesPerRow = (width + 7) / 8;
    std::memset(bits, 0, static_cast<std::size_t>(bytesPerRow) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (cell[static_cast<std::size_t>(y) * width + x] >= threshold)
                bits[static_cast<std::size_t>(y) * bytesPerRow + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
}

// Gives every face of the set the codes of U+2500..U+259F in the request's repertoire as the
// request's terminal draws them: drawn over the font's glyph where the face has one, added after
// the others where it has none.
void AddTerminalBoxGlyphs(GlyphSet& set, const std::vector<FaceTemplates>& faces, const GlyphSetRequest& request)
{
    if (request.boxGlyphs == BoxGlyphs::Font)
        return;
    const std::vector<char32_t> codes = request.codes.empty() ? ScreenRepertoire() : request.codes;
    const std::size_t imageBytes = set.ImageBytes();
    std::vector<std::uint8_t> weights(static_cast<std::size_t>(request.cellWidth) * static_cast<std::size_t>(request.cellHeight));
    std::vector<std::uint8_t> image(imageBytes);
    struct Added {
        char32_t code;
        GlyphFace face;
        std::vector<std::uint8_t> image;
    };
    std::vector<Added> added;
    std::vector<GlyphFace> done;
    for (const FaceTemplates& face : faces) {
        if (std::find(done.begin(), done.end(), face.face) != done.end())
            continue;
        done.push_back(face.face);
        for (char32_t code : codes) {
            if (!DrawBoxGlyph(request.boxGlyphs, code, request.cellWidth, request.cellHeight, weights.data()))
                continue;
            PackCell(weights.data(), request.cellWidth, request.cellHeight, request.threshold, image.data());
            if (const int g = set.Find(code, face.face); g >= 0) {
                for (int p = 0; p < set.phases; ++p)
                    std::copy(image.begin(), image.end(), set.Image(p, g));
            } else {
                added.push_back({code, face.face, image});
            }
        }
    }
    if (added.empty())
        return;
    // The new glyphs go after the others in every phase's run of images.
    const std::size_t before = set.codes.size();
    const std::size_t after = before + added.size();
    std::vector<std::uint8_t> bits(static_cast<std::size_t>(set.phases) * after * imageBytes, 0);
    for (int p = 0; p < set.phases; ++p) {
        std::uint8_t* run = bits.data() + static_cast<std::size_t>(p) * after * imageBytes;
        std::copy_n(set.bits.data() + static_cast<std::size_t>(p) * before * imageBytes, before * imageBytes, run);
        for (std::size_t k = 0; k < added.size(); ++k)
            std::copy(added[k].image.begin(), added[k].image.end(), run + (before + k) * imageBytes);
    }
    set.bits.swap(bits);
    for (const Added& glyph : added) {
        set.codes.push_back(glyph.code);
        set.faces.push_back(glyph.face);
    }
}

}  // namespace

void PlaceInCell(const GlyphImage& image, int cellWidth, int cellHeight, int baseline, std::uint8_t* cell)
{
    std::memset(cell, 0, static_cast<std::size_t>(cellWidth) * static_cast<std::size_t>(cellHeight));
    const int top = baseline - image.top;
    const int y0 = std::max(0, top);
    const int y1 = std::min(cellHeight, top + image.height);
    const int x0 = std::max(0, image.left);
    const int x1 = std::min(cellWidth, image.left + image.width);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            cell[static_cast<std::size_t>(y) * cellWidth + x] =
                image.coverage[static_cast<std::size_t>(y - top) * image.width + (x - image.left)];
}

std::vector<FaceTemplates> RenderTemplates(CFaceRenderer& renderer, const GlyphSetRequest& request)
{
    std::vector<FaceTemplates> faces;
    if (request.size64 <= 0)
        return faces;
    const int phases = std::clamp(request.phases, 1, GlyphSet::kMaxPhases);
    std::vector<char32_t> codes = request.codes.empty() ? ScreenRepertoire() : request.codes;
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    for (const GlyphSetFace& face : request.faces) {
        const auto known = [&](const FaceTemplates& t) { return t.face == face.face; };
        if (std::any_of(faces.begin(), faces.end(), known))
            continue;  // a face given twice keeps its first
        if (!renderer.SetFace(face.file, face.index) || !renderer.SetSize(request.size64))
            continue;
        RenderSettings settings = request.settings;
        settings.embolden = settings.embolden || face.embolden;
        renderer.SetSettings(settings);
        FaceTemplates& templates = faces.emplace_back();
        templates.face = face.face;
        templates.phases = phases;
        templates.glyphs.reserve(codes.size());
        for (char32_t code : codes) {
            if (ClassOfCode(code) == CodeClass::Control)
                continue;
            GlyphTemplate glyph;
            glyph.code = code;
            glyph.glyph = renderer.GlyphIndex(code);
            if (glyph.glyph == 0 || !renderer.RenderPhases(glyph.glyph, phases, glyph.phases))
                continue;
            glyph.advance64 = glyph.phases.front().advance64;
            glyph.linearAdvance64 = glyph.phases.front().linearAdvance64;
            glyph.linearAdvance16 = glyph.phases.front().linearAdvance16;
            templates.glyphs.push_back(std::move(glyph));
        }
    }
    renderer.SetSettings(request.settings);
    return faces;
}

GlyphSet CutGlyphSet(const std::vector<FaceTemplates>& faces, const GlyphSetRequest& request)
{
    GlyphSet set;
    if (faces.empty() || request.cellWidth <= 0 || request.cellHeight <= 0)
        return set;
    const int phases = faces.front().phases;
    set.Reset(request.cellWidth, request.cellHeight, phases, request.baseline);
    set.name = request.name;
    std::size_t glyphs = 0;
    for (const FaceTemplates& face : faces) {
        if (face.phases != phases)
            return GlyphSet{};
        glyphs += face.glyphs.size();
        for (const GlyphTemplate& glyph : face.glyphs) {
            set.codes.push_back(glyph.code);
            set.faces.push_back(face.face);
        }
    }
    // Images lie phase after phase, so every glyph's place is known before any is cut.
    const std::size_t imageBytes = set.ImageBytes();
    set.bits.assign(static_cast<std::size_t>(phases) * glyphs * imageBytes, 0);
    std::vector<std::uint8_t> cell(static_cast<std::size_t>(request.cellWidth) * static_cast<std::size_t>(request.cellHeight));
    int g = 0;
    for (const FaceTemplates& face : faces)
        for (const GlyphTemplate& glyph : face.glyphs) {
            for (int p = 0; p < phases && p < static_cast<int>(glyph.phases.size()); ++p) {
                PlaceInCell(glyph.phases[static_cast<std::size_t>(p)], request.cellWidth, request.cellHeight,
                            request.baseline, cell.data());
                PackCell(cell.data(), request.cellWidth, request.cellHeight, request.threshold, set.Image(p, g));
            }
            ++g;
        }
    AddTerminalBoxGlyphs(set, faces, request);
    return set;
}

GlyphSet RenderGlyphSet(CFaceRenderer& renderer, const GlyphSetRequest& request)
{
    if (request.faces.empty() || request.size64 <= 0 || request.cellWidth <= 0 || request.cellHeight <= 0)
        return GlyphSet{};
    GlyphSet set = CutGlyphSet(RenderTemplates(renderer, request), request);
    if (set.Empty() && set.cellWidth == 0)
        set.Reset(request.cellWidth, request.cellHeight, std::clamp(request.phases, 1, GlyphSet::kMaxPhases),
                  request.baseline);
    if (request.name.empty() && renderer.SetFace(request.faces.front().file, request.faces.front().index)) {
        set.name = renderer.FamilyName() + " " + SizeText(request.size64) + " px";
        for (const GlyphSetFace& face : request.faces)
            if (face.face != GlyphFace::Regular)
                set.name += std::string(", ") + FaceName(face.face);
    }
    return set;
}

PenPlace PlacePen(int x64, int phases, PenRounding rounding)
{
    phases = std::max(phases, 1);
    // The phase: x64 x phases / 64 rounded (half up) or floored, then split into pixel and phase.
    const long long scaled = static_cast<long long>(x64) * phases + (rounding == PenRounding::Nearest ? 32 : 0);
    long long q = scaled >= 0 ? scaled / 64 : -((-scaled + 63) / 64);
    PenPlace place;
    long long pixel = q / phases;
    long long phase = q % phases;
    if (phase < 0) {
        phase += phases;
        --pixel;
    }
    place.pixel = static_cast<int>(pixel);
    place.phase = static_cast<int>(phase);
    return place;
}

namespace {

void CompositePixel(CRaster& picture, int x, int y, std::uint32_t ink, int weight)
{
    if (weight == 0 || !picture.Contains(x, y))
        return;
    const std::uint32_t paper = picture.Pixel(x, y);
    std::uint32_t colour = 0;
    for (int shift = 16; shift >= 0; shift -= 8) {
        const int channel = Composite(static_cast<int>((paper >> shift) & 0xFF), static_cast<int>((ink >> shift) & 0xFF), weight);
        colour |= static_cast<std::uint32_t>(channel) << shift;
    }
    picture.SetPixel(x, y, colour);
}

}  // namespace

void DrawGlyphs(CRaster& picture, CFaceRenderer& renderer, const std::vector<PlacedGlyph>& glyphs, std::uint32_t ink,
                GlyphBlend blend)
{
    const int phases = std::max(renderer.Settings().phases, 1);
    struct Placed {
        GlyphImage image;
        int left = 0;
        int top = 0;
    };
    std::vector<Placed> placed;
    placed.reserve(glyphs.size());
    for (const PlacedGlyph& glyph : glyphs) {
        const PenPlace pen = PlacePen(glyph.x64, phases, renderer.Settings().pen);
        Placed one;
        if (!renderer.Render(glyph.glyph, PhaseOffset64(pen.phase, phases), one.image))
            continue;
        one.left = pen.pixel + one.image.left;
        one.top = glyph.baseline - one.image.top;
        placed.push_back(std::move(one));
    }
    if (blend == GlyphBlend::EachGlyph) {
        for (const Placed& one : placed)
            for (int y = 0; y < one.image.height; ++y)
                for (int x = 0; x < one.image.width; ++x)
                    CompositePixel(picture, one.left + x, one.top + y, ink, one.image.At(x, y));
        return;
    }
    // One mask over the picture, the glyphs' coverage added into it with saturation.
    std::vector<std::uint8_t> mask(static_cast<std::size_t>(picture.width()) * static_cast<std::size_t>(picture.height()), 0);
    for (const Placed& one : placed)
        for (int y = 0; y < one.image.height; ++y)
            for (int x = 0; x < one.image.width; ++x) {
                const int px = one.left + x;
                const int py = one.top + y;
                if (!picture.Contains(px, py))
                    continue;
                std::uint8_t& m = mask[static_cast<std::size_t>(py) * picture.width() + px];
                m = static_cast<std::uint8_t>(std::min(255, m + one.image.At(x, y)));
            }
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            CompositePixel(picture, x, y, ink, mask[static_cast<std::size_t>(y) * picture.width() + x]);
}
