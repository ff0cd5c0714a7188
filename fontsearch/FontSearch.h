#pragma once

// The font of a screenshot found with no font named: the screen's pitch measured, every installed
// fixed-width family tried at the sizes and with the renderers that give that pitch, on a sample of
// the page's cells, and the page read with the best.

#include "CCharImageFont.h"
#include "CRaster.h"
#include "CellSample.h"
#include "FontCandidates.h"
#include "GlyphSet.h"
#include "MatchKernels.h"
#include "PageInk.h"
#include "PagePitch.h"
#include "PageReader.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// A candidate and how well it explains the sampled cells.
struct FontChoice {
    FontCandidate candidate;
    std::size_t index = 0;  // the candidate's place among all tried
    SampleFit fit;
    double CostShare() const;  // the mean cost a cell as a share of the cell's pixels
};

struct FontSearchOptions {
    std::vector<std::string> families;  // narrows the search to these families; empty: all fixed-width
    MatchPath path = FastestMatchPath();
    int sampleCells = 300;              // distinct cells the candidates are compared on
    std::string cacheFile;              // the fonts found before (FontCacheFile); empty: none
    PageOptions read;                   // how the page is read with the font found (its pitch is set)
    // Tells of candidates tried, out of all; false stops the search.
    std::function<bool(int done, int total)> progress;
};

// What the search found.
struct FontSearchResult {
    PagePitch pitch;
    Smoothing smoothing = Smoothing::Unknown;
    std::vector<FontChoice> ranked;  // best first, at most a few
    int tried = 0;                   // candidates compared
    bool bStopped = false;           // the progress callback stopped it
    bool bFromCache = false;         // a font found before for this screen's pitch explained it
    std::string problem;             // why nothing was found, when ranked is empty
    GlyphSet glyphs;                 // the best font's whole glyph set (ChoiceGlyphSet)
    PageReading page;                // the page read with it
    double dMilliseconds = 0;        // the search, the best font's glyph set and the reading

    bool Found() const { return !ranked.empty(); }
    const FontChoice& Best() const { return ranked.front(); }
};

// How the screen smoothed its glyphs, told from its colours: a screen without antialiasing shows
// few colours, a palette's, where smoothed glyphs blend every edge into many.
Smoothing SmoothingOf(const CRaster& picture);

// Searches the font of picture, whose ink, InkMask(picture, options.read.ink), is given, and reads the page with
// the best font. A font remembered for the screen's pitch is tried first: when the page reads
// with it at a mean cost of at most a hundredth of a cell's pixels, no search is made.
FontSearchResult FindScreenFont(const CRaster& picture, const InkBits& ink, const FontSearchOptions& options = {});

// The glyph set of a choice for reading the page: the screen's repertoire (ScreenRepertoire) that
// the family covers, in its regular and bold faces, cut into the program's cells, with the program's
// phases. renderer is a scratch renderer.
GlyphSet ChoiceGlyphSet(const FontChoice& choice, CFaceRenderer& renderer);

// The found glyphs as a GLF font: the regular face's glyphs that Windows-1251 holds, at the first
// phase. Nothing, with the reason in reason when given, when they cannot make one.
std::optional<CCharImageFont> Cp1251Font(const GlyphSet& glyphs, std::string* reason = nullptr);

// The column pitch to read the page with the choice's glyphs, in sub-pixels: the program's.
long long ChoicePitchSub(const FontChoice& choice);
