#pragma once

// The fonts a screen may have been drawn with, for a measured pitch: every installed fixed-width
// family, drawn by each of the screens' programs, at the sizes users give them, whose cell is the
// screen's.

#include "FaceRenderer.h"
#include "FontMatch.h"
#include "PagePitch.h"
#include "RenderSettings.h"
#include "TerminalCells.h"

#include <string>
#include <vector>

// One of the programs whose screens are read, and the renderer it draws with.
struct ScreenProgram {
    const char* name;  // "xterm", "urxvt", "st", "vte", "chromium"
    Terminal terminal;
    ScreenRenderer renderer;
};

// Every program, in the order candidates are made.
const std::vector<ScreenProgram>& ScreenPrograms();

// One way the screen may have been drawn: a face at a size, rendered with settings, laid out in
// cells by a program.
struct FontCandidate {
    std::string family;
    std::string file;
    int index = 0;
    std::string boldFile;  // the family's bold face; empty: none (the program draws a fake bold)
    int boldIndex = 0;
    const ScreenProgram* program = nullptr;
    int size64 = 0;
    RenderSettings settings;
    TerminalCell cell;   // the program's cell for this face and size
    long long pitchSub = 0;  // the column pitch in sub-pixels: the cell's width, or a browser's exact advance
    int phases = 1;      // pen positions a pixel the program places glyphs at

    // "DejaVu Sans Mono 16 px, xterm, hinting=..." for messages.
    std::string Describe() const;
};

// What the screen shows of its rendering, told from its pixels.
enum class Smoothing {
    Unknown,  // both are tried
    Mono,     // two colours a glyph: antialiasing off
    Grey,     // edges in between: antialiased
};

// The candidates whose cell is the pitch: the line pitch (when measured) is the cell's height,
// and the column pitch its width (within a 64th of a pixel for a browser, which sums fractional
// advances). families narrows the search to those names (any case); empty: every fixed-width
// family installed. renderer is a scratch renderer the faces are opened in.
// With everyHinting, each family is also tried with the hintings fontconfig does not choose by
// default (none, slight, full and the autohinter), as a user's configuration may set them.
// inkLuminance (0 black .. 1 white) is the text's against its paper, which a browser's coverage
// curve depends on.
std::vector<FontCandidate> FontCandidates(const PagePitch& pitch, Smoothing smoothing, double inkLuminance,
                                          const std::vector<std::string>& families, CFaceRenderer& renderer,
                                          bool everyHinting = false);

// The nominal sizes in pixels a size search tries: whole pixels, and whole and half points at the
// usual screen resolutions.
std::vector<double> NominalSizes();
