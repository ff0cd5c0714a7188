#pragma once

#include "PageLines.h"

#include <string>
#include <vector>

// A page read as proportional text: what it reads and where its lines and glyphs lie in the
// picture. Made by the front ends from the proportional reader's reading, so that the document
// keeps a plain value of its own.
struct ProportionalPage {
    // One line: its band's rectangle and its glyphs' ink boxes, spaces aside.
    struct Line {
        PixelRect box;
        std::vector<PixelRect> glyphs;
    };
    std::vector<Line> lines;  // top to bottom
    std::string text;         // UTF-8, lines joined by line breaks
    std::string font;         // "DejaVu Sans 13 px, chromium"
    double dMilliseconds = 0;

    bool Empty() const { return lines.empty(); }
    int GlyphCount() const;
};

// "Read Page: 3 lines, 41 characters as proportional text, 120.0 ms" (the desktop program adds
// the font found).
std::string ProportionalSummary(const ProportionalPage& page);
