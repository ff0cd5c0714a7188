#pragma once

#include "GlyphSet.h"

#include <cstdint>
#include <string>
#include <vector>

// A proportional font as a line of text is decoded with: each glyph's ink at every pen phase,
// its advance, the kerning of pairs, and how the renderer that drew the line places its pens.
// Lengths named ...16 are in 1/65536 pixel, the precision text layout sums advances in.

// Where a pen position between phases lands.
enum class PenRule : std::uint8_t {
    Nearest,  // the nearest phase, half way up (Skia, Cairo)
    Down,     // the phase at or left of it (Qt)
};

// A glyph's ink at one phase, in two planes of the same rows: the pixels that are ink, and
// those the renderer covers about half, which a screen may show as ink or as paper. Each plane
// is rows of WordsPerRow() 64-bit words from the top, bit 63 of a word its leftmost pixel, the
// bits past the width 0; no pixel is in both. An image without ink has no rows.
struct LineGlyphImage {
    int left = 0;    // columns from the pen's whole pixel to the image's first column
    int top = 0;     // rows from the baseline up to the top edge of the image's first row
    int width = 0;
    int height = 0;
    int ink = 0;     // pixels of ink
    int maybe = 0;   // pixels that may be ink
    std::uint32_t offset = 0;       // the first word of its ink rows in LineFont::bits
    std::uint32_t maybeOffset = 0;  // the first word of its rows of pixels that may be ink

    int WordsPerRow() const { return width > 0 ? (width + 63) / 64 : 0; }
    int Right() const { return left + width; }
    int Bottom() const { return height - top; }  // rows below the baseline: the row after its last, counted down
};

// The script of a glyph's letters, for reading a word in one script.
enum class GlyphScript : std::uint8_t {
    None,  // digits, punctuation, symbols, and look-alikes of letters of several scripts
    Latin,
    Greek,
    Cyrillic,
    Other,
};

// The script of a code's letter; None for any other code.
GlyphScript ScriptOfCode(char32_t code);
// Whether a code is rare in everyday text: all but printable ASCII and the Russian alphabet.
bool IsRareCode(char32_t code);

// A glyph as the decoder places it.
struct LineGlyph {
    std::u32string text;  // what it reads as: its code, or the letters of a ligature
    std::u32string lookAlikes;  // other codes the font draws exactly as this one (Latin o, Cyrillic о)
    GlyphFace face = GlyphFace::Regular;
    std::int32_t advance16 = 0;  // how far the pen moves after it
    GlyphScript script = GlyphScript::None;
    // Outside the letters, digits and punctuation of everyday text (accented letters, Greek,
    // typographic marks): such a glyph costs a little more, so that where it looks almost like
    // a common one a pixel of noise does not choose it.
    bool bRare = false;
};

// The kerning of an ordered pair of glyphs: the pen moves by adjust16 more between them.
struct KernPair {
    std::uint16_t left = 0;
    std::uint16_t right = 0;
    std::int32_t adjust16 = 0;

    bool operator==(const KernPair&) const = default;
};

struct LineFont {
    std::string name;  // what the glyphs were made from, for messages and reports
    int phases = 1;    // images a glyph: phase p is drawn with its pen p / phases of a pixel right of a whole pixel
    PenRule pen = PenRule::Nearest;
    // Each glyph's advance, its kerning included, is rounded to whole pixels before the pen
    // moves (Pango placing glyphs for a renderer of one phase).
    bool wholePixelAdvances = false;
    std::vector<LineGlyph> glyphs;
    std::vector<LineGlyphImage> images;  // [glyph][phase]
    std::vector<std::uint64_t> bits;
    std::vector<KernPair> kerning;       // sorted by left, then right; no pair twice
    int space = -1;  // the glyph of U+0020, which reads the gaps between words; -1: none

    static constexpr int kMaxPhases = 64;
    static constexpr int kMaxGlyphs = 65535;

    int Glyphs() const { return static_cast<int>(glyphs.size()); }
    bool Empty() const { return glyphs.empty(); }
    const LineGlyphImage& Image(int glyph, int phase) const {
        return images[static_cast<std::size_t>(glyph) * static_cast<std::size_t>(phases) + static_cast<std::size_t>(phase)];
    }
    const std::uint64_t* Row(const LineGlyphImage& image, int row) const {
        return bits.data() + image.offset + static_cast<std::size_t>(row) * static_cast<std::size_t>(image.WordsPerRow());
    }
    const std::uint64_t* MaybeRow(const LineGlyphImage& image, int row) const {
        return bits.data() + image.maybeOffset + static_cast<std::size_t>(row) * static_cast<std::size_t>(image.WordsPerRow());
    }
    bool Ink(const LineGlyphImage& image, int x, int y) const {
        return x >= 0 && y >= 0 && x < image.width && y < image.height &&
               ((Row(image, y)[x / 64] >> (63 - x % 64)) & 1U) != 0;
    }

    // The kerning between left and right, 0 for a pair without one.
    std::int32_t Kerning(int left, int right) const;
    // The rows above the baseline and below it that the ink of any glyph reaches.
    int Ascent() const;
    int Descent() const;
    // The widest advance, in 1/65536 pixel.
    std::int32_t MaxAdvance16() const;

    // Whether the parts agree: phases in range, an image per glyph and phase whose planes lie
    // in bits, apart, with their pixels counted right, advances positive, kerning sorted and in
    // range.
    bool Consistent() const;

    // Starts an empty font of phases images a glyph.
    void Reset(int phaseCount, PenRule rule = PenRule::Nearest);
    // Appends a glyph with one image a phase, each given as rows of (width + 7) / 8 bytes,
    // the most significant bit the leftmost pixel, for its ink and optionally for the pixels
    // that may be ink (a pixel in both is ink); rows and columns without either are cropped,
    // and an image without ink is blank. Returns its index.
    struct ImageBytes {
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
        const std::uint8_t* bytes = nullptr;
        const std::uint8_t* maybe = nullptr;
    };
    int Add(const std::u32string& text, GlyphFace face, std::int32_t advance16, const std::vector<ImageBytes>& phaseImages,
            GlyphScript script = GlyphScript::None, bool rare = false);
    // Sorts the kerning pairs and drops repeated ones (the first given stays).
    void SortKerning();
};
