#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CCharImageFont;

// The face a glyph was drawn in.
enum class GlyphFace : std::uint8_t {
    Regular = 0,
    Bold = 1,
    Italic = 2,
    BoldItalic = 3,
};

// Glyphs of one cell size, named by Unicode code points, as a screen draws them into its cells.
//
// Each glyph has one W x H image per horizontal phase: rows from the top, (W + 7) / 8 bytes a
// row, the most significant bit the leftmost pixel, 1 = ink, the bits past the width 0. Phase p
// is the glyph drawn with its pen p / phases of a pixel right of the cell's left edge, so a grid
// whose pitch is a fraction of a pixel reads each cell at its own phase; a whole-pixel grid uses
// phase 0 only. A code may appear once per face.
struct GlyphSet {
    int cellWidth = 0;
    int cellHeight = 0;
    int phases = 1;    // images per glyph, 1..kMaxPhases
    int baseline = 0;  // pixel row of the baseline, counted from the cell's top
    std::vector<char32_t> codes;    // per glyph
    std::vector<GlyphFace> faces;   // per glyph
    std::vector<std::uint8_t> bits; // [phase][glyph][row][byte]
    std::string name;               // what the glyphs were made from, for messages and reports

    static constexpr int kMaxPhases = 64;

    int Glyphs() const { return static_cast<int>(codes.size()); }
    bool Empty() const { return codes.empty() || cellWidth <= 0 || cellHeight <= 0; }
    int BytesPerRow() const { return cellWidth > 0 ? (cellWidth + 7) / 8 : 0; }
    std::size_t ImageBytes() const {
        return static_cast<std::size_t>(BytesPerRow()) * static_cast<std::size_t>(cellHeight > 0 ? cellHeight : 0);
    }
    const std::uint8_t* Image(int phase, int glyph) const {
        return bits.data() + (static_cast<std::size_t>(phase) * codes.size() + static_cast<std::size_t>(glyph)) * ImageBytes();
    }
    std::uint8_t* Image(int phase, int glyph) {
        return bits.data() + (static_cast<std::size_t>(phase) * codes.size() + static_cast<std::size_t>(glyph)) * ImageBytes();
    }
    bool Ink(int phase, int glyph, int x, int y) const {
        return x >= 0 && y >= 0 && x < cellWidth && y < cellHeight &&
               ((Image(phase, glyph)[static_cast<std::size_t>(y) * BytesPerRow() + x / 8] >> (7 - x % 8)) & 1) != 0;
    }

    // Whether the sizes agree with each other: phases in range, one face per code and the bits
    // exactly phases x glyphs images long.
    bool Consistent() const;

    // The index of code in face, or -1.
    int Find(char32_t code, GlyphFace face = GlyphFace::Regular) const;

    // Makes an empty set of the given geometry; images are added with Add.
    void Reset(int width, int height, int phaseCount, int baselineRow);
    // Appends a glyph whose images (phase after phase, each ImageBytes() long) are given; the
    // bits past the width are cleared. Returns its index.
    int Add(char32_t code, GlyphFace face, const std::vector<std::uint8_t>& images);
};

// What a code point reads as on a page: a control code never appears in page text.
enum class CodeClass : std::uint8_t {
    Printable = 0,  // a character to print
    Space = 1,      // U+0020 and the other spaces
    Control = 2,    // C0 and C1 control codes, DEL, the replacement character
};
CodeClass ClassOfCode(char32_t code);

// The glyphs of a GLF font that a cell of its size can be compared with: its cell size
// (the size of the glyph of code first + 32), the glyphs of exactly that size, their codes taken
// from Windows-1251 to Unicode, one phase. A font without glyphs or with a 0 cell gives an empty
// set.
GlyphSet GlyphSetFromFont(const CCharImageFont& font);

// The set as a GLF font, where it can be one: one phase, regular glyphs only, cells of at most
// 255 x 255 pixels and every code in Windows-1251. The font spans codes 0 up to the highest
// code of the set; codes the set lacks get empty records, except code 32, whose glyph gives a
// GLF font its cell size: it is a blank cell when the set has no space. Nothing, with the
// reason in reason when given, when the set cannot be a GLF font.
std::optional<CCharImageFont> GlyphSetToFont(const GlyphSet& set, std::string* reason = nullptr);
