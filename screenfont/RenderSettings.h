#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How glyphs are made, as one plain value: the FreeType calls a screen's renderer makes (load
// flags, render mode, size rounding) and what its compositor does with the coverage. Two
// glyph sets made with equal settings, size and face are equal pixel for pixel.

// How outlines are hinted before they are rendered.
enum class Hinting : std::uint8_t {
    None,    // FT_LOAD_NO_HINTING: the outline as designed, only scaled
    Slight,  // FT_LOAD_TARGET_LIGHT: vertical snapping only (fontconfig's hintslight)
    Full,    // FT_LOAD_TARGET_NORMAL; TARGET_MONO for mono glyphs and TARGET_LCD for LCD ones
};

// How coverage is rendered.
enum class Antialias : std::uint8_t {
    Mono,  // FT_RENDER_MODE_MONO: every pixel ink or paper
    Grey,  // FT_RENDER_MODE_NORMAL: 256 levels of coverage
    Lcd,   // FT_RENDER_MODE_LCD: three subpixels a pixel, reduced to one grey level (LcdReduce)
};

// FreeType's LCD filter (FT_Library_SetLcdFilter), for Antialias::Lcd only.
enum class LcdFilter : std::uint8_t { None, Default, Light, Legacy };

// How the three subpixel coverages of an LCD pixel become one grey coverage.
enum class LcdReduce : std::uint8_t {
    Mean,   // their mean, rounded: what a grey picture of the screen shows
    Max,    // the largest: the page reader's ink distance, the largest channel difference
    Green,  // the middle one: the alpha Xft gives an LCD glyph where no component alpha is used
};

// How a fractional pixel size becomes FreeType's 26.6 size.
enum class SizeRounding : std::uint8_t {
    Truncate,  // size x 64 cut toward zero: Xft (seen on xterm's pictures), Skia (its source)
    Nearest,   // size x 64 rounded: Cairo (seen on VTE's pictures), Qt (its source)
};

// How a pen position between phases is placed.
enum class PenRounding : std::uint8_t {
    Nearest,  // to the nearest phase, half way up: Skia
    Down,     // to the phase at or left of it: Qt
};

struct RenderSettings {
    Hinting hinting = Hinting::Slight;
    bool autohint = false;  // FT_LOAD_FORCE_AUTOHINT: FreeType's autohinter instead of the font's
    Antialias antialias = Antialias::Grey;
    LcdFilter lcdFilter = LcdFilter::Default;
    LcdReduce lcdReduce = LcdReduce::Mean;
    // The coverage curve, Skia's mask gamma: coverage is blended as in a space of this gamma,
    // pushed toward the ink by contrast (0..1), for ink of the given luminance (0 black .. 1
    // white) over paper of the opposite one. 1 and 0 keep it linear, as Xft's and Cairo's
    // compositing is; then the luminance does not matter.
    double gamma = 1.0;
    double contrast = 0.0;
    double inkLuminance = 0.0;
    int phases = 1;  // horizontal pen positions a pixel the renderer places glyphs at, 1..64
    PenRounding pen = PenRounding::Nearest;
    SizeRounding sizeRounding = SizeRounding::Truncate;
    // Skia's analytic antialiasing (grey glyphs only): curves flattened into segments as Skia's
    // edge builder flattens them and heights rounded to 1/n pixel (4), then the area covered;
    // 0: FreeType's own rasterizer, which integrates the curves.
    int verticalSnap = 0;
    bool embolden = false;         // FT_GlyphSlot_Embolden: the fake bold of a family without a bold face
    bool embeddedBitmaps = false;  // the font's own bitmap strikes are used where it has them

    friend bool operator==(const RenderSettings&, const RenderSettings&) = default;
};

// The settings as text, every key given: "hinting=slight,autohint=off,antialias=grey,...".
std::string ToString(const RenderSettings& settings);

// Settings from text: an optional preset name first, then key=value pairs that override it,
// separated by commas ("xft,antialias=mono"). Keys left out keep the preset's value, or the
// default without a preset. Nothing, with the reason in error, for an unknown preset, key or
// value, or a number out of range.
std::optional<RenderSettings> ParseRenderSettings(std::string_view text, std::string* error = nullptr);

// A named way of rendering that reproduces one screen renderer.
struct RenderPreset {
    std::string_view name;
    std::string_view renderer;  // the programs that draw like this
    RenderSettings settings;
};

// Every preset, in the order a font search tries them.
const std::vector<RenderPreset>& RenderPresets();

// The preset of that name, or nothing.
std::optional<RenderSettings> FindRenderPreset(std::string_view name);

// A pixel size (pixels per em) in 64ths of a pixel, rounded as the settings say.
int PixelSizeTo26Dot6(double pixels, SizeRounding rounding);

// The blend weight (0..255) of each raw coverage level (0..255) under the settings' curve.
std::array<std::uint8_t, 256> CoverageCurve(const RenderSettings& settings);

// The blend weight from which a pixel is ink: the composited pixel lies more than half way
// from the paper to the ink, which is what the page reader's ink mask takes as ink.
inline constexpr int kInkWeight = 128;

// A composited channel: ink over paper with the blend weight, rounded as XRender (pixman) does.
inline int Composite(int paper, int ink, int weight)
{
    auto mul = [](int a, int b) {
        const int t = a * b + 0x80;
        return ((t >> 8) + t) >> 8;
    };
    return mul(ink, weight) + mul(paper, 255 - weight);
}
