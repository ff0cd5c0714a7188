#pragma once

// A sample of a page's inked cells on which candidate fonts are compared: identical cells count
// once, with their number.

#include "GlyphSet.h"
#include "MatchKernels.h"
#include "PageInk.h"
#include "PageReader.h"

#include <vector>

// One cell of the sample: where its line's first cell lies and which cell of the line it is, so
// that a font of another pitch places it anew.
struct SampleCell {
    int top = 0;
    long long lineLeftSub = 0;
    int index = 0;
    int weight = 1;  // cells of the page whose image is this one's
};

// The inked cells of a reading, at most count of them spread over the page, identical cells merged.
std::vector<SampleCell> SampleCells(const InkBits& ink, const PageReading& page, int count);

// How well a glyph set explains the sample.
struct SampleFit {
    double meanCost = 0;  // the least cost a cell, weighted, over the sampled cells
    long long dxSub = 0;  // the shift of the cells that fits best, in sub-pixels
    int dy = 0;
};

// The sample's cost with the glyphs, each cell at x = lineLeftSub + index x pitchSub (moved by a
// shift) and its phase: the shift that fits best is chosen on the first cells, within a pixel
// across and three down or up, and the whole sample is then counted at it.
SampleFit FitSample(const InkBits& ink, const GlyphSet& glyphs, long long pitchSub, const std::vector<SampleCell>& sample,
                    MatchPath path = FastestMatchPath());
