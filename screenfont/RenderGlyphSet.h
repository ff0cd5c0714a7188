#pragma once

#include "BoxDrawing.h"
#include "FaceRenderer.h"
#include "GlyphSet.h"
#include "RenderSettings.h"

#include <cstdint>
#include <string>
#include <vector>

// Glyph sets for the page reader, rendered as a screen draws its cells.

// One face of the family a set is made of.
struct GlyphSetFace {
    GlyphFace face = GlyphFace::Regular;
    std::string file;
    int index = 0;
    bool embolden = false;  // the fake bold a renderer draws when the family has no bold face
};

// What a glyph set is made of and how its cells lie.
struct GlyphSetRequest {
    std::vector<GlyphSetFace> faces;
    int size64 = 0;  // pixels per em in 64ths, as it reaches FreeType
    RenderSettings settings;
    int cellWidth = 0;
    int cellHeight = 0;
    int baseline = 0;  // pixel row of the pen's y (the baseline), counted from the cell's top
    int phases = 1;    // images a glyph, the pen at x = phase / phases of a pixel from the cell's left edge
    std::vector<char32_t> codes;  // the repertoire; empty: ScreenRepertoire()
    int threshold = kInkWeight;   // blend weight from which a pixel is ink
    std::string name;             // the set's name; empty: made from the first face and the size
    BoxGlyphs boxGlyphs = BoxGlyphs::Font;  // whose drawing of U+2500..U+259F the set holds
};

// Renders every code of the repertoire that a face covers (FT_Get_Char_Index) into W x H
// images per phase; ink outside the cell is cut. Control codes are never rendered, and a
// face's glyph is skipped where it cannot be loaded. An unreadable face adds no glyphs; a
// request without faces, size or cell gives an empty set.
GlyphSet RenderGlyphSet(CFaceRenderer& renderer, const GlyphSetRequest& request);

// The first half of RenderGlyphSet: the glyphs of each face at every phase, at their own
// size, before they are cut into cells. A font search renders these once and cuts them for
// every cell geometry and ink weight it tries.
struct FaceTemplates {
    GlyphFace face = GlyphFace::Regular;
    int phases = 1;
    std::vector<GlyphTemplate> glyphs;  // in code order
};
std::vector<FaceTemplates> RenderTemplates(CFaceRenderer& renderer, const GlyphSetRequest& request);

// The second half: the templates cut into the request's cells (its width, height, baseline,
// threshold and name). Templates of differing phase counts give an empty set. Where the request
// names a terminal that draws box drawing and block elements itself, every face gets those
// codes of the repertoire as the terminal draws them, in place of the font's.
GlyphSet CutGlyphSet(const std::vector<FaceTemplates>& faces, const GlyphSetRequest& request);

// Lays a glyph image into a W x H cell of blend weights, the pen's whole pixel at column 0 and
// its baseline at row baseline; what falls outside the cell is cut. The cell is overwritten.
void PlaceInCell(const GlyphImage& image, int cellWidth, int cellHeight, int baseline, std::uint8_t* cell);

// A glyph at a pen position on a line of text.
struct PlacedGlyph {
    unsigned glyph = 0;
    int x64 = 0;       // pen position, 26.6, from the picture's left edge
    int baseline = 0;  // pixel row of the baseline
};

// Where a pen position lands for a renderer placing glyphs at phases positions a pixel: the
// position rounded to a phase as the renderer rounds it, as a whole pixel and the phase within it.
struct PenPlace {
    int pixel = 0;
    int phase = 0;
};
PenPlace PlacePen(int x64, int phases, PenRounding rounding = PenRounding::Nearest);

// How the glyphs of one drawing call meet where their ink overlaps.
enum class GlyphBlend {
    SharedMask,  // added into one mask, saturating, then composited once: XRender's glyph
                 // requests with a mask format, as Xft and Cairo on X make them
    EachGlyph,   // each glyph composited over the picture in turn: Skia
};

// Draws glyphs of the renderer's current face, size and settings over a picture in the ink
// colour (0xRRGGBB), composited as XRender composites a glyph mask (see Composite).
class CRaster;
void DrawGlyphs(CRaster& picture, CFaceRenderer& renderer, const std::vector<PlacedGlyph>& glyphs, std::uint32_t ink,
                GlyphBlend blend = GlyphBlend::SharedMask);
