#pragma once

#include "RenderSettings.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Glyphs of installed fonts rendered through FreeType exactly as a screen's renderer renders
// them. Lengths named ...64 are in FreeType's 26.6 fixed point, 64ths of a pixel; y grows up
// from the baseline as in FreeType, unless a comment says otherwise.

// A face at one size, as FreeType's size metrics give them. FreeType grid-fits the ascender
// up, the descender down and the height and maximal advance to whole pixels for scalable
// faces; the ...Exact values are the font's units scaled, not fitted.
struct FaceMetrics {
    int size64 = 0;          // the size asked for (pixels per em)
    int ascent64 = 0;        // above the baseline
    int descent64 = 0;       // below the baseline, positive
    int height64 = 0;        // baseline to baseline
    int maxAdvance64 = 0;    // the widest advance of the face
    int ascentExact64 = 0;   // the font's ascender (hhea, or OS/2's typographic one where the font asks for it), unfitted
    int descentExact64 = 0;  // the font's descender, positive, unfitted
    int lineGapExact64 = 0;  // the line gap, unfitted, never negative
    int underlinePosition64 = 0;   // centre of the underline, negative below the baseline
    int underlineThickness64 = 0;
    int unitsPerEm = 0;
    bool scalable = true;
    bool fixedWidth = false;  // the font says all its glyphs have one advance (FT_IS_FIXED_WIDTH)
};

// One rendered glyph: a coverage image of its own size and where it lies against the pen.
struct GlyphImage {
    unsigned glyph = 0;  // glyph index in the face
    int width = 0;
    int height = 0;
    int left = 0;  // pixels from the pen's whole pixel to the image's left column
    int top = 0;   // pixels from the baseline up to the top edge of the image's first row
    int advance64 = 0;        // the hinted advance, as the renderer steps the pen after the glyph
    int linearAdvance64 = 0;  // the unhinted advance, scaled only
    int linearAdvance16 = 0;  // the same in 16.16, FreeType's own precision, which text layout sums
    std::vector<std::uint8_t> coverage;  // width x height, rows from the top: blend weights 0..255

    std::uint8_t At(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height ? coverage[static_cast<std::size_t>(y) * width + x] : 0;
    }
};

// A glyph for proportional text: its images at each pen phase, with the advances that place
// the next glyph.
struct GlyphTemplate {
    char32_t code = 0;
    unsigned glyph = 0;
    int advance64 = 0;
    int linearAdvance64 = 0;
    int linearAdvance16 = 0;  // 16.16
    std::vector<GlyphImage> phases;  // phase p drawn with the pen p / phases of a pixel right
};

// Opens faces of font files and renders their glyphs. It keeps every face it opened, so that
// switching between the faces of a family, sizes and settings is cheap. One renderer is used
// by one thread at a time; threads each make their own.
class CFaceRenderer {
public:
    CFaceRenderer();
    ~CFaceRenderer();
    CFaceRenderer(const CFaceRenderer&) = delete;
    CFaceRenderer& operator=(const CFaceRenderer&) = delete;

    // Makes the face of file (index in a collection) the current one, opening it the first
    // time. False, with the current face unchanged, when the file is no font FreeType reads.
    bool SetFace(const std::string& file, int index = 0);
    // Sets the size of the current face in 64ths of a pixel per em, as FT_Set_Char_Size at
    // 72 dpi (which Xft, Cairo and Skia all call). A face of bitmap strikes takes the
    // strike nearest in height. False without a face or for a size FreeType refuses.
    bool SetSize(int size64);
    // The settings glyphs are loaded and rendered with.
    void SetSettings(const RenderSettings& settings);

    bool HasFace() const;
    const RenderSettings& Settings() const { return m_Settings; }
    FaceMetrics Metrics() const;
    std::string FamilyName() const;
    std::string StyleName() const;
    int GlyphCount() const;

    // The glyph index of code in the current face (through its Unicode character map), or 0.
    unsigned GlyphIndex(char32_t code) const;
    bool Covered(char32_t code) const { return GlyphIndex(code) != 0; }
    // Whether every printable ASCII character has the same unhinted advance.
    bool AsciiAdvancesEqual() const;

    // Renders a glyph with the pen offset64 (0..63) to the right of a whole pixel: the outline
    // is loaded and hinted, emboldened where the settings say, moved by the offset and
    // rendered. The coverage is the renderer's after the settings' coverage curve. False when
    // FreeType cannot load or render it (out is then an empty glyph).
    bool Render(unsigned glyph, int offset64, GlyphImage& out);
    // The glyph's hinted advance, as Render gives it, without rendering it; false (0) when
    // FreeType cannot load it.
    bool Advance(unsigned glyph, int& advance64);
    // The glyph's images at phases pen positions 0, 1/phases, ... of a pixel, the outline
    // loaded once.
    bool RenderPhases(unsigned glyph, int phases, std::vector<GlyphImage>& out);
    GlyphTemplate Template(char32_t code, int phases);

    // The kerning of a pair from the font's kern table, in 26.6 (0 without one). HarfBuzz's
    // GPOS kerning is the proportional reader's business.
    int Kerning(unsigned left, unsigned right) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
    RenderSettings m_Settings;
};

// The pen offset, in 64ths of a pixel, of phase p of phases (p / phases of a pixel, rounded).
inline int PhaseOffset64(int phase, int phases)
{
    return phases > 0 ? (phase * 64 * 2 + phases) / (2 * phases) : 0;
}

// Bits of a coverage image at the ink weight: rows of (width + 7) / 8 bytes, the most
// significant bit the leftmost pixel, 1 where the weight is at least threshold.
std::vector<std::uint8_t> CoverageBits(const GlyphImage& image, int threshold = kInkWeight);
