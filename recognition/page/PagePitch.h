#pragma once

// The screen's geometry measured from its ink, before any font is known: the pitch of its lines
// and of its columns. The font search takes these as the cell it must match.

#include "PageInk.h"

// How regular the ink is: a pitch and how clearly the ink keeps to it.
struct PagePitch {
    int linePitch = 0;      // pixels from one line's top to the next; 0 when no pitch shows
    int columnPitch64 = 0;  // 64ths of a pixel from one cell to the next; 0 when no pitch shows
    double lineClarity = 0;    // 0..1: 1 - the emptiest phase's ink over the mean phase's
    double columnClarity = 0;  // the same for the columns
    int inkHeight = 0;      // the median height of the runs of inked rows

    bool WholePixelColumns() const { return columnPitch64 % 64 == 0; }
};

// Measures the pitches. Text on a grid leaves one phase of the rows (the gap between lines) and
// one phase of the columns (the gap between glyphs) nearly empty; at any other period the ink
// smears over every phase. The shortest period whose emptiest phase is nearly as clear as the
// best one's wins. The column pitch is found to the pixel and then, where a fractional one keeps
// its empty phase clearer, to the 64th of a pixel.
PagePitch MeasurePitch(const InkBits& ink);
