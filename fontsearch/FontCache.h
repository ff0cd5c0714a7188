#pragma once

// The fonts found for screens, kept between runs: the next screenshot of the same screen (the same
// pitch and smoothing) is tried with them before any search.

#include "FontCandidates.h"
#include "GlyphSet.h"

#include <string>
#include <vector>

// A file of the fonts found, newest first, one a line:
// line pitch, column pitch in 64ths, smoothing, family, file, face index, bold file, bold index,
// program, size in 64ths, render settings, cell width, height, baseline, column pitch in
// sub-pixels, phases, separated by tabs. A line that does not read is passed over.
class CFontCache {
public:
    // The cache in file; an empty name keeps nothing.
    explicit CFontCache(std::string file);

    // The fonts remembered for screens of this pitch and smoothing, newest first.
    std::vector<FontCandidate> Find(const PagePitch& pitch, Smoothing smoothing) const;

    // Remembers the font of a screen, first; the file keeps the newest kMaxEntries, written
    // atomically. False when the file cannot be written.
    bool Remember(const PagePitch& pitch, Smoothing smoothing, const FontCandidate& font) const;

    // The glyph set of a remembered font, as ChoiceGlyphSet made it, from its file beside the
    // cache; false when there is none or it does not read.
    bool LoadGlyphs(const FontCandidate& font, GlyphSet& glyphs) const;
    // Keeps the glyph set of a font beside the cache; false when it cannot be written.
    bool SaveGlyphs(const FontCandidate& font, const GlyphSet& glyphs) const;

    // Whether the cache's file is there, without reading it: a font may be remembered.
    bool HasFile() const;

    static constexpr int kMaxEntries = 32;

    const std::string& File() const { return m_strFile; }

private:
    std::vector<std::string> Lines() const;
    std::string GlyphsFile(const FontCandidate& font) const;
    std::string m_strFile;
};

// The cache file in a folder: FOLDER/screen-fonts.tsv.
std::string FontCacheFile(const std::string& folder);
