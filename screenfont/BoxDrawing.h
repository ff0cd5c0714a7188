#pragma once

#include <cstdint>

// Box drawing and block elements (U+2500..U+259F) as the terminals that draw them themselves
// draw them, with lines and filled rectangles in the cell instead of the font's glyphs.
//
//   rxvt-unicode  X core drawing, no antialiasing. The cell's columns and rows at eighths are
//                 x(i) = ((W - 1) i + 7 i / 8) / 8 (i = 0..8, integer division) and y(i) alike; the
//                 centre is (W - 1) / 2 and (H - 1) / 2. Each arm of a line is drawn from the
//                 centre to the edge, one pixel wide: light on the centre, heavy on the centre and
//                 the pixels either side, double on the pixels either side. Dashes are filled
//                 eighths of the centre line ([0, 1], [3, 5], [7, 8] for three, [0, 1], [2, 3],
//                 [4, 5], [6, 7] for four, [0, 3], [5, 8] for two). Arcs are quarters of the
//                 ellipse the size of the cell (less a pixel) whose box is centred on the corner
//                 the arc bends towards, diagonals lines from corner to corner. Blocks fill the eighths from
//                 x(i) to x(j) inclusive; the shades are 2 x 2 stipples from the cell's corner
//                 (one pixel in four, two, three).
//   VTE           Cairo. The light line is max(W / 5, 1) pixels wide (W the font's width), the
//                 heavy one two more, and the two strokes of a double line are as wide as a light
//                 one with a gap as wide between them. The cell is cut into five bands each way:
//                 the edge part, the heavy line's side, the light line, the heavy line's other
//                 side, the other edge part, each line a set of these 5 x 5 parts. Dashes are
//                 stroked along the centre with dash lengths of a fraction of the cell, arcs and
//                 diagonals stroked and antialiased; blocks are rectangles at eighths (rounded
//                 down), the shades the foreground at a quarter, half and three quarters.
//
// xterm (unless told to draw them), st and Chromium take the font's glyphs.

// Whose drawing of U+2500..U+259F a glyph set holds.
enum class BoxGlyphs {
    Font,   // the font's glyphs, or the fallback font's
    Urxvt,  // rxvt-unicode's own (without -skipBuiltinGlyphs)
    Vte,    // VTE's own
};

// Draws code into a width x height cell of blend weights (0..255, row by row from the top) as
// the terminal draws it; false, and the cell left as it was, for a code the terminal leaves to
// the font (or for Font).
bool DrawBoxGlyph(BoxGlyphs terminal, char32_t code, int width, int height, std::uint8_t* cell);
