#pragma once

#include "FaceRenderer.h"
#include "LineFont.h"
#include "RenderSettings.h"

#include <cstdint>
#include <string>
#include <vector>

// Proportional fonts for the line decoder, rendered as a program draws a line of text.

// How far a blend weight may lie from the ink threshold for a pixel to count as either: about
// a sixth of the way from paper to ink each side.
inline constexpr int kUncertainWeight = 16;

// The blend weight from which a pixel is ink in glyphs for text read from a quarter of its
// strongest ink (InkLevel::Quarter): small sizes whose thin stems the renderer draws fainter
// than kInkWeight.
inline constexpr int kFaintInkWeight = 64;

// How a program lays out a line of proportional text.
enum class TextLayout : std::uint8_t {
    Chromium,  // HarfBuzz over Skia's unhinted advances, summed in 1/65536 pixel; each glyph at the
               // nearest of the settings' phases (Skia)
    Qt,        // HarfBuzz over the unhinted advances in 64ths; each glyph at the phase at or left of its pen
    Pango,     // each glyph's advance with its kerning rounded to whole pixels, glyphs at whole
               // pixels (Pango's rounded positions, Cairo 1.16 placing glyphs at pixels)
    Hinted,    // each glyph at a whole pixel, the pen stepped by its hinted advance: sharp glyphs,
               // which Skia hints for mono and places at the advances the hinting gives
};

// "chromium", "qt", "pango", "hinted".
const char* TextLayoutName(TextLayout layout);

// One face of a proportional font.
struct LineFontFace {
    GlyphFace face = GlyphFace::Regular;
    std::string file;
    int index = 0;
    bool embolden = false;  // the fake bold a renderer draws when the family has no bold face
};

struct LineFontRequest {
    std::vector<LineFontFace> faces;
    int size64 = 0;  // pixels per em in 64ths, as it reaches FreeType
    RenderSettings settings;  // the phases are the settings'; Pango's layout draws at whole pixels
    TextLayout layout = TextLayout::Chromium;
    std::vector<char32_t> codes;  // empty: TextRepertoire()
    bool kerning = true;          // pairs kerned as HarfBuzz kerns them
    bool ligatures = true;        // the ligatures HarfBuzz forms, read as their letters
    int threshold = kInkWeight;   // blend weight from which a pixel is ink
    // Pixels whose weight lies within this of the threshold may show as ink or as paper (the
    // screen's renderer rounds and blends a little differently); 0: none.
    int uncertainty = kUncertainWeight;
    std::string name;             // empty: made from the first face, the size and the layout
};

// Renders every code of the request a face covers, at each phase, with its advance under the
// layout; glyphs a face draws exactly alike (Latin and Cyrillic look-alikes) become one glyph
// that names the others, glyphs without ink but the space are left out, and so are glyphs of
// no advance. Kerning and ligatures come from HarfBuzz shaping the face, kept for the process
// per face and repertoire. A request without faces or size, or faces that cannot be read,
// give an empty font.
LineFont RenderLineFont(CFaceRenderer& renderer, const LineFontRequest& request);
