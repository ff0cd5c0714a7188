#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Text shaped as the screens' programs shape it, through HarfBuzz (Chromium, Qt and Pango all
// do): the kerning of glyph pairs from the font's GPOS or kern table, and the ligatures it
// forms. Lengths are in font units; the font's units per em scale them to a size.

// The kerning of an ordered pair of glyphs (glyph indexes of the face).
struct GlyphKern {
    unsigned left = 0;
    unsigned right = 0;
    int units = 0;

    bool operator==(const GlyphKern&) const = default;
};

// A glyph that a run of codes becomes as one: a ligature.
struct Ligature {
    std::u32string codes;
    unsigned glyph = 0;
    int advanceUnits = 0;
};

// A face opened for shaping. One shaper is used by one thread at a time.
class CShaper {
public:
    CShaper();
    ~CShaper();
    CShaper(const CShaper&) = delete;
    CShaper& operator=(const CShaper&) = delete;

    // Opens face index of file; false when HarfBuzz finds no face there.
    bool Open(const std::string& file, int index = 0);
    bool IsOpen() const;
    int UnitsPerEm() const;

    // The kerning of every ordered pair of the codes that shaping gives, each pair shaped
    // in the script of its letters (codes of no script go with every script), ligatures and
    // contextual forms aside; pairs without kerning are left out. Sorted by left, then right.
    std::vector<GlyphKern> Kerning(const std::vector<char32_t>& codes) const;
    // The kerning between each ligature and the codes before and after it, as Kerning gives.
    std::vector<GlyphKern> LigatureKerning(const std::vector<Ligature>& ligatures, const std::vector<char32_t>& codes) const;

    // The ligatures HarfBuzz forms by default out of the runs of Latin letters that fonts join
    // (ff, fi, fl, ffi, ffl, and the rarer ft, fj, tt), where the face has them.
    std::vector<Ligature> Ligatures() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_pImpl;
};
