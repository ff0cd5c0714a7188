#include "FontMatch.h"

#include "FaceRenderer.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <tuple>

namespace {

struct PatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

struct FontSetDeleter {
    void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};
using FontSet = std::unique_ptr<FcFontSet, FontSetDeleter>;

bool Initialised()
{
    static const bool ok = FcInit() == FcTrue;
    return ok;
}

std::string String(FcPattern* pattern, const char* object, int n = 0)
{
    FcChar8* value = nullptr;
    return FcPatternGetString(pattern, object, n, &value) == FcResultMatch && value != nullptr
               ? std::string(reinterpret_cast<const char*>(value))
               : std::string();
}

int Integer(FcPattern* pattern, const char* object, int fallback)
{
    int value = 0;
    return FcPatternGetInteger(pattern, object, 0, &value) == FcResultMatch ? value : fallback;
}

bool Bool(FcPattern* pattern, const char* object, bool fallback)
{
    FcBool value = FcFalse;
    return FcPatternGetBool(pattern, object, 0, &value) == FcResultMatch ? value == FcTrue : fallback;
}

double Double(FcPattern* pattern, const char* object, double fallback)
{
    double value = 0;
    return FcPatternGetDouble(pattern, object, 0, &value) == FcResultMatch ? value : fallback;
}

// Lower-case ASCII with spaces removed, as fontconfig compares family names.
std::string FoldName(const std::string& name)
{
    std::string folded;
    for (char c : name)
        if (c != ' ')
            folded += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return folded;
}

// The request as a pattern after the client's and fontconfig's substitutions.
Pattern RequestPattern(const FontRequest& request)
{
    Pattern pattern(FcNameParse(reinterpret_cast<const FcChar8*>(request.family.c_str())));
    if (!pattern)
        return pattern;
    FcPattern* p = pattern.get();
    double value = 0;
    if (FcPatternGetDouble(p, FC_PIXEL_SIZE, 0, &value) != FcResultMatch) {
        if (request.pixelSize > 0)
            FcPatternAddDouble(p, FC_PIXEL_SIZE, request.pixelSize);
        else if (FcPatternGetDouble(p, FC_SIZE, 0, &value) != FcResultMatch)
            FcPatternAddDouble(p, FC_SIZE, request.points);
    }
    if (FcPatternGetDouble(p, FC_DPI, 0, &value) != FcResultMatch)
        FcPatternAddDouble(p, FC_DPI, request.dpi);
    int number = 0;
    if (request.bold && FcPatternGetInteger(p, FC_WEIGHT, 0, &number) != FcResultMatch)
        FcPatternAddInteger(p, FC_WEIGHT, FC_WEIGHT_BOLD);
    if (request.italic && FcPatternGetInteger(p, FC_SLANT, 0, &number) != FcResultMatch)
        FcPatternAddInteger(p, FC_SLANT, FC_SLANT_ITALIC);
    FcConfigSubstitute(nullptr, p, FcMatchPattern);
    FcDefaultSubstitute(p);
    return pattern;
}

// The render settings a renderer takes from a matched pattern.
RenderSettings SettingsOf(FcPattern* font, ScreenRenderer renderer, double deviceScale)
{
    RenderSettings settings;
    const bool scalable = Bool(font, FC_SCALABLE, true);
    const bool antialias = Bool(font, FC_ANTIALIAS, true) && scalable;
    const bool hinting = Bool(font, FC_HINTING, true);
    const int hintStyle = Integer(font, FC_HINT_STYLE, FC_HINT_FULL);
    const int rgba = Integer(font, FC_RGBA, FC_RGBA_UNKNOWN);
    const int lcdFilter = Integer(font, FC_LCD_FILTER, FC_LCD_DEFAULT);
    const bool bitmaps = Bool(font, FC_EMBEDDED_BITMAP, false);
    const bool subpixel = rgba == FC_RGBA_RGB || rgba == FC_RGBA_BGR || rgba == FC_RGBA_VRGB || rgba == FC_RGBA_VBGR;

    settings.autohint = Bool(font, FC_AUTOHINT, false);
    settings.embolden = Bool(font, FC_EMBOLDEN, false);
    settings.antialias = !antialias ? Antialias::Mono : subpixel ? Antialias::Lcd : Antialias::Grey;
    settings.lcdFilter = lcdFilter == FC_LCD_NONE    ? LcdFilter::None
                         : lcdFilter == FC_LCD_LIGHT ? LcdFilter::Light
                         : lcdFilter == FC_LCD_LEGACY ? LcdFilter::Legacy
                                                      : LcdFilter::Default;
    // Unsmoothed glyphs may come from the font's bitmap strikes; smoothed ones only where the
    // configuration asks for them (Xft, Cairo and Skia agree).
    settings.embeddedBitmaps = bitmaps || !antialias;
    settings.sizeRounding = renderer == ScreenRenderer::Cairo || renderer == ScreenRenderer::Qt ? SizeRounding::Nearest
                                                                                               : SizeRounding::Truncate;
    if (!hinting || hintStyle == FC_HINT_NONE) {
        settings.hinting = Hinting::None;
    } else if (!antialias) {
        settings.hinting = Hinting::Full;  // every renderer loads unsmoothed glyphs for TARGET_MONO
    } else if (renderer == ScreenRenderer::Cairo) {
        // Cairo on X takes the screen's font options, which without the desktop's Xft
        // settings say full hinting, over fontconfig's style; only no hinting at all passes.
        settings.hinting = Hinting::Full;
    } else if (hintStyle == FC_HINT_SLIGHT) {
        settings.hinting = Hinting::Slight;
    } else if (hintStyle == FC_HINT_MEDIUM) {
        // Xft takes everything between none and full for light hinting; the others hint fully.
        settings.hinting = renderer == ScreenRenderer::Xft ? Hinting::Slight : Hinting::Full;
    } else {
        settings.hinting = Hinting::Full;
    }
    // Qt places glyphs at the quarter pixel left of their pen where it hints lightly or not at all.
    if (renderer == ScreenRenderer::Qt && settings.hinting != Hinting::Full) {
        settings.phases = 4;
        settings.pen = PenRounding::Down;
    }
    // Chromium places glyphs at quarter pixels, corrects coverage with Linux's text gamma
    // and contrast, and its analytic antialiasing rounds edges to quarter pixels in height.
    if (renderer == ScreenRenderer::Skia && settings.antialias != Antialias::Mono) {
        settings.phases = 4;
        settings.gamma = 1.2;
        settings.contrast = 0.2;
        settings.verticalSnap = 4;
        // On a high-resolution screen Chromium does not hint.
        if (deviceScale > 1)
            settings.hinting = Hinting::None;
    }
    return settings;
}

MatchedFont Describe(FcPattern* font, const FontRequest& request, ScreenRenderer renderer)
{
    MatchedFont matched;
    matched.file = String(font, FC_FILE);
    matched.index = Integer(font, FC_INDEX, 0);
    matched.family = String(font, FC_FAMILY);
    matched.style = String(font, FC_STYLE);
    matched.pixelSize = Double(font, FC_PIXEL_SIZE, 0);
    matched.spacing = Integer(font, FC_SPACING, FC_PROPORTIONAL);
    matched.weight = Integer(font, FC_WEIGHT, FC_WEIGHT_REGULAR);
    matched.slant = Integer(font, FC_SLANT, FC_SLANT_ROMAN);
    FcMatrix* matrix = nullptr;
    matched.synthesizedOblique =
        FcPatternGetMatrix(font, FC_MATRIX, 0, &matrix) == FcResultMatch && matrix != nullptr && matrix->xy != 0;
    matched.settings = SettingsOf(font, renderer, request.deviceScale);
    matched.size64 = PixelSizeTo26Dot6(matched.pixelSize, matched.settings.sizeRounding);
    // The family asked for is found when any of the font's family names is it.
    Pattern asked(FcNameParse(reinterpret_cast<const FcChar8*>(request.family.c_str())));
    const std::string want = asked ? FoldName(String(asked.get(), FC_FAMILY)) : std::string();
    for (int n = 0; !want.empty(); ++n) {
        const std::string name = String(font, FC_FAMILY, n);
        if (name.empty())
            break;
        if (FoldName(name) == want)
            matched.familyFound = true;
    }
    return matched;
}

}  // namespace

std::optional<MatchedFont> MatchFont(const FontRequest& request, ScreenRenderer renderer, std::string* error)
{
    if (!Initialised()) {
        if (error != nullptr)
            *error = "fontconfig cannot be initialised";
        return std::nullopt;
    }
    Pattern pattern = RequestPattern(request);
    if (!pattern) {
        if (error != nullptr)
            *error = "\"" + request.family + "\" is not a font name fontconfig reads";
        return std::nullopt;
    }
    FcResult result = FcResultNoMatch;
    Pattern font(FcFontMatch(nullptr, pattern.get(), &result));
    if (!font || String(font.get(), FC_FILE).empty()) {
        if (error != nullptr)
            *error = "no installed font matches \"" + request.family + "\"";
        return std::nullopt;
    }
    return Describe(font.get(), request, renderer);
}

std::optional<MatchedFont> FallbackFont(const FontRequest& request, char32_t code, ScreenRenderer renderer)
{
    if (!Initialised())
        return std::nullopt;
    Pattern pattern = RequestPattern(request);
    if (!pattern)
        return std::nullopt;
    FcResult result = FcResultNoMatch;
    FcCharSet* coverage = nullptr;
    FontSet sorted(FcFontSort(nullptr, pattern.get(), FcTrue, &coverage, &result));
    if (coverage != nullptr)
        FcCharSetDestroy(coverage);
    if (!sorted)
        return std::nullopt;
    for (int i = 0; i < sorted->nfont; ++i) {
        FcCharSet* charset = nullptr;
        if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &charset) != FcResultMatch ||
            !FcCharSetHasChar(charset, code))
            continue;
        Pattern font(FcFontRenderPrepare(nullptr, pattern.get(), sorted->fonts[i]));
        if (!font)
            return std::nullopt;
        return Describe(font.get(), request, renderer);
    }
    return std::nullopt;
}

namespace {

// Whether a face has the basic Latin letters: a face without them (symbols, a script of its
// own) draws no screen's text, and its missing glyphs, all one width, would pass for fixed-width.
bool HasLatinLetters(FcPattern* font)
{
    FcCharSet* charset = nullptr;
    if (FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) != FcResultMatch)
        return false;
    for (FcChar32 code = 'a'; code <= 'z'; ++code)
        if (!FcCharSetHasChar(charset, code) || !FcCharSetHasChar(charset, code - 'a' + 'A'))
            return false;
    return true;
}

}  // namespace

std::vector<InstalledFamily> InstalledScreenFamilies()
{
    std::vector<InstalledFamily> families;
    if (!Initialised())
        return families;
    Pattern all(FcPatternCreate());
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_STYLE, FC_FILE, FC_INDEX, FC_SPACING, FC_WEIGHT, FC_SLANT,
                                            FC_SCALABLE, FC_VARIABLE, FC_CHARSET, nullptr);
    FontSet list(FcFontList(nullptr, all.get(), objects));
    FcObjectSetDestroy(objects);
    if (!list)
        return families;

    std::map<std::string, InstalledFamily> byName;
    std::map<std::string, bool> spacingKnown;  // a face of the family says it is mono or charcell
    for (int i = 0; i < list->nfont; ++i) {
        FcPattern* font = list->fonts[i];
        if (!Bool(font, FC_SCALABLE, false) || Bool(font, FC_VARIABLE, false) || !HasLatinLetters(font))
            continue;
        const std::string name = String(font, FC_FAMILY);
        if (name.empty())
            continue;
        InstalledFamily& family = byName[name];
        family.family = name;
        InstalledFace face;
        face.file = String(font, FC_FILE);
        face.index = Integer(font, FC_INDEX, 0);
        face.style = String(font, FC_STYLE);
        face.weight = Integer(font, FC_WEIGHT, FC_WEIGHT_REGULAR);
        face.slant = Integer(font, FC_SLANT, FC_SLANT_ROMAN);
        family.hasBold = family.hasBold || face.weight >= FC_WEIGHT_BOLD;
        family.hasItalic = family.hasItalic || face.slant != FC_SLANT_ROMAN;
        if (Integer(font, FC_SPACING, FC_PROPORTIONAL) >= FC_MONO)
            spacingKnown[name] = true;
        family.faces.push_back(std::move(face));
    }

    CFaceRenderer renderer;
    for (auto& [name, family] : byName) {
        std::sort(family.faces.begin(), family.faces.end(), [](const InstalledFace& a, const InstalledFace& b) {
            return std::tie(a.slant, a.weight, a.file, a.index) < std::tie(b.slant, b.weight, b.file, b.index);
        });
        if (spacingKnown.count(name) != 0) {
            family.fixedWidth = true;
        } else {
            // The upright face nearest to regular weight decides.
            const auto upright = std::min_element(family.faces.begin(), family.faces.end(),
                                                  [](const InstalledFace& a, const InstalledFace& b) {
                                                      return std::make_pair(a.slant != 0, std::abs(a.weight - 80)) <
                                                             std::make_pair(b.slant != 0, std::abs(b.weight - 80));
                                                  });
            family.fixedWidth = upright != family.faces.end() && renderer.SetFace(upright->file, upright->index) &&
                                renderer.AsciiAdvancesEqual();
        }
        families.push_back(std::move(family));
    }
    return families;
}

std::vector<InstalledFamily> FixedWidthFamilies()
{
    std::vector<InstalledFamily> fixed;
    for (InstalledFamily& family : InstalledScreenFamilies())
        if (family.fixedWidth)
            fixed.push_back(std::move(family));
    return fixed;
}
