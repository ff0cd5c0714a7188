#pragma once

// The page reader's stage for proportional text, beside the cell grid: one line of text
// decoded as the sequence of glyphs whose templates, placed at their advances, explain its
// ink at least cost (Viterbi over the line's pen positions in steps of the subpixel phase).
//
// The cost of a line is the number of pixels where the ink and the placed templates differ:
// a template's pixels without ink, and ink no template covers. It is kept as the sum of the
// line's ink and, for each placed glyph, its template's pixels less twice those that meet ink,
// which only asks of each glyph where it lies. A glyph follows the one before it at its
// advance plus their kerning, rounded to a phase as the renderer rounds it; it may sit one
// phase off that place for a small cost (the renderer's sums and ours may round apart, or
// its image and ours lie a phase apart), the next glyph's pen moved with it or not. The pen
// may also move on a phase at a time without a glyph: over blank columns for little (a line's
// start, a gap wider than its spaces, a table's next column), over ink for more (ink that no
// glyph explains: a rule, an icon).

#include "CRaster.h"
#include "LineFont.h"
#include "MatchKernels.h"
#include "PageInk.h"
#include "PageLines.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pagedecode {

// Costs are counted in eighths of a pixel, so that a phase step's cost can be a fraction of one.
inline constexpr int kPixel = 8;

}  // namespace pagedecode

// The glyphs a line is decoded with first. The others are matched only where one of them,
// drawn at one of the glyphs read, would explain the ink there at no more cost (its tolls
// counted), or where the reading leaves ink that no glyph explains: the line is then decoded
// again with them all.
enum class FirstGlyphs {
    // Every glyph at once.
    All,
    // The glyphs of everyday text (not LineGlyph::bRare: ASCII and the Russian alphabet), a
    // third of a full repertoire.
    Common,
    // Of those, all but the Cyrillic letters: for a page whose samples read none.
    Latin,
};

struct DecodeOptions {
    int jitter = 1;  // phases a glyph may sit off the place its pen gives
    int jitterCost = pagedecode::kPixel;         // a glyph a phase off: a pixel
    // A glyph off its place either moves the pen of the glyphs after it (the renderer's sums
    // and ours round apart) or, with this, also leaves it (the glyph's image is a phase off the
    // renderer's). Off: a font is held to its own places, as when fonts are compared.
    bool holdPen = true;
    int blankStepCost = 1;                       // the pen a phase on over a blank column
    int inkStepCost = pagedecode::kPixel;        // the pen a phase on over an inked column, besides its ink
    int rareCost = 2 * pagedecode::kPixel;       // a rare glyph (LineGlyph::bRare): two pixels
    int glyphCost = pagedecode::kPixel;          // any glyph but the space: of two readings that explain the ink alike, the one of fewer glyphs
    int scriptCost = 4 * pagedecode::kPixel;     // a letter after a letter of another script: four pixels
    int faceCost = 4 * pagedecode::kPixel;       // a glyph touching one of another face (a bold letter in a regular word): four pixels
    // Glyphs matched in full at a position: those whose ink extents fit the line's there,
    // at most this many, chosen by how well their first and last columns fit. 0: every glyph.
    int candidates = 32;
    // Of those, only the glyphs whose rank there is within this many of the best's (a rank is
    // twice the pixels its sample rows differ in), for text up to 16 px; the margin grows with
    // the glyphs' height as the beam does. On clean text a few glyphs fit a place and the rest
    // are far off: they are not matched in full. 0: none left out for it.
    int rankMargin = 12;
    // States kept at each quantised pen position, each with a different last glyph (for the
    // kerning of the next).
    int states = 3;
    // States of one last glyph whose pens differ by less than a phase are kept apart too (the
    // pen's fraction decides where later glyphs round to); else the cheaper stands for both.
    bool exactPens = false;
    // A state is dropped when it explains the line left of its pen worse than the best state
    // of the last glyph's width by more than this many pixels, for glyphs of text up to 16 px
    // (half their glyphs at most 12 rows high); larger glyphs differ in more edge pixels, and
    // the bound grows with their height. 0: none dropped.
    int beam = 16;
    // After a state, a glyph is not tried further when it explains the columns it steps over
    // worse than the best glyph there by more than this many pixels; 0: every one is.
    int choice = 16;
    // Only the regular face's glyphs are matched: a line of regular text in a font that also
    // holds a bold face reads in half the time, as its bold glyphs are never candidates.
    bool regularOnly = false;
    FirstGlyphs first = FirstGlyphs::All;
    MatchPath path = FastestMatchPath();  // the instruction set pixels are counted with
};

// One glyph of a decoded line.
struct DecodedGlyph {
    int glyph = -1;          // index in the font
    long long pen16 = 0;     // its pen, 1/65536 pixel from the picture's left edge
    int pixel = 0;           // the whole pixel and phase it was drawn at
    int phase = 0;
    PixelRect box;           // its ink in the picture; for a space, its advance from the top of the line to its bottom
    int cost = 0;            // pixels of its box where its template and the ink differ, ink of other glyphs aside
    bool bSpace = false;
    std::u32string text;     // what it reads as in its word: a look-alike of the word's script where the font has one
};

// A decoded line: its glyphs left to right and what they read.
struct DecodedLine {
    std::vector<DecodedGlyph> glyphs;  // spaces the decoding placed included
    std::u32string text;               // the glyphs' texts, gaps read as spaces (see GapSpaces)
    int baseline = 0;                  // pixel row of the baseline
    long long cost = 0;                // pixels of the line where ink and templates differ
    long long ink = 0;                 // ink pixels of the band
    int states = 0;                    // states expanded
    long long matched = 0;             // glyphs matched in full

    bool Empty() const { return glyphs.empty(); }
    // The cost per pixel of ink, the measure a font is chosen by (1 for a line nothing explains).
    double CostPerInk() const { return ink > 0 ? static_cast<double>(cost) / static_cast<double>(ink) : 0.0; }
};

// How much of the strongest ink near a pixel makes it ink for the line decoder.
enum class InkLevel {
    Half,
    // A quarter: for text whose renderer draws its thin stems fainter than half, as small
    // hinted sizes are drawn where a stem falls between two columns, each about 0.4 of the
    // ink. Its glyphs must be made with the same share (kFaintInkWeight).
    Quarter,
};

// The ink a line is decoded from: the pixels of the band's rows taken again against the
// strongest ink near each (the largest distance from the paper within a band height to either
// side), so that grey or coloured words beside black ones keep their whole strokes, as a
// renderer drew them for their own colour. At InkLevel::Half the threshold never rises above
// the page's, nor falls below a third of it; at Quarter both bounds are half those. The
// mask and its row counts are changed in the band's rows.
void LocalInk(const CRaster& picture, InkBits& ink, const TextBand& band, InkLevel level = InkLevel::Half);

// The baseline of a band: the row below the body of its letters, where the ink of a row of
// text drops most sharply in the lower part of the band (or the band's bottom).
int EstimateBaseline(const InkBits& ink, const TextBand& band);
// The rows the baseline may be at, the likeliest first (EstimateBaseline's), at most count:
// where the ink drops most sharply in the lower part of the band. Dashes and other marks at
// mid-height may drop more sharply than the letters' feet on a line of few letters.
std::vector<int> BaselineCandidates(const InkBits& ink, const TextBand& band, int count);

// Decodes the ink of band with the font, the baseline at row baseline. Ink outside the band's
// rows is not seen. A font without glyphs or an empty band gives an empty line.
DecodedLine DecodeLine(const InkBits& ink, const TextBand& band, int baseline, const LineFont& font,
                       const DecodeOptions& options = {});

// The number of spaces a gap between two glyphs reads as: gap16 (from the first glyph's pen
// plus its advance to the second's pen) in spaces of space16, rounded, none below half a space.
int GapSpaces(long long gap16, std::int32_t space16);

// The pen's place as the renderer draws it: the phase, counted from pixel 0, that pen16 rounds to.
long long PenPhase(long long pen16, int phases, PenRule rule);
