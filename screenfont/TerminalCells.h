#pragma once

#include "FaceRenderer.h"

// How the screens' programs lay their text out: the cell (or line box) each makes for a face
// at a size, and where in it the pen stands. Found in their sources and checked against
// their pictures (the renderer's golden tests). FreeType's size metrics are grid-fitted:
// the ascender rounded up, the descender down, the height and the maximal advance to the
// nearest pixel.
//
//   xterm (Xft)    width: the face's maximal advance (so a face whose widest glyph is wider
//                  than its letters gets a wider cell); height: the larger of the metrics'
//                  height and ascender + descender; baseline at the ascender. Glyphs at the
//                  cell's left edge.
//   rxvt-unicode   ascender and descender rounded up, height the larger of their sum and
//                  the metrics' height, then widened and heightened to the ink of its test
//                  characters (0 1 8 a d x m y g W X ' _ Í Õ Ĕ ŷ and two CJK ones, which
//                  count half): the width is the rightmost ink right of the pen, the height
//                  the tallest glyph. Baseline at the ascender; a glyph whose advance differs
//                  from the cell is centred: its pen at (cell - advance) / 2, rounded down.
//   st             width: the mean advance of the printable ASCII characters, rounded up
//                  (Xft gives every glyph of a mono-spaced font the maximal advance);
//                  height: ascender + descender; baseline at the ascender.
//   VTE (Pango)    width: the mean hinted advance of the printable ASCII characters;
//                  height: ascender + descender as Pango's hinted metrics give them (the
//                  grid-fitted ones); baseline at the ascender; a padding of 1 pixel around
//                  the grid in xfce4-terminal.
//   Chromium       no cell: the pen advances by the unhinted advance (in CSS pixels times
//                  the device scale) and glyphs are placed at quarter pixels; a line of
//                  line-height normal is round(ascent) + round(descent) + round(line gap) of
//                  the unfitted metrics, its baseline round(ascent) below its top.
//
// Terminals draw every glyph at a whole pixel (one phase); only Chromium uses more.

enum class Terminal {
    Xterm,
    Urxvt,
    St,
    Vte,
    Chromium,
};

// A cell, or for Chromium a line box and its mean pitch.
struct TerminalCell {
    int width = 0;     // pixels; for Chromium the unhinted advance rounded down
    int height = 0;    // pixels: the line pitch
    int baseline = 0;  // pixel row of the pen's y, from the cell's top
    int pitch64 = 0;   // the column pitch in 26.6 (width x 64 for terminals)
};

// The cell the terminal makes for the renderer's current face, size and settings.
TerminalCell TerminalCellOf(Terminal terminal, CFaceRenderer& renderer);

// Where the terminal puts the pen of a glyph of this advance (26.6) in a cell of this width:
// pixels right of the cell's left edge.
int PenInCell(Terminal terminal, int cellWidth, int advance64);
