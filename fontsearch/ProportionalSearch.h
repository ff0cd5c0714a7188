#pragma once

// Proportional text read without a font given: the family, renderer and sizes a page was drawn
// with are found among the installed proportional families, and every line is decoded with
// them (PageDecode), each at its own size.
//
// The search tries each family with each way a program draws proportional text (Chromium,
// Qt, GTK) on a few sample lines, at the sizes the lines' heights allow, and keeps the one
// whose templates explain the most ink. Lines are then grouped by height, and each group's
// size is chosen by decoding its longest line at the nearby sizes. Rendered fonts are kept
// for the process, and the choice in the user's cache folder, so that the next picture of the
// same screen tries it first and reads without the search.

#include "CRaster.h"
#include "LineFont.h"
#include "PageDecode.h"
#include "PageInk.h"
#include "PageLines.h"
#include "RenderLineFont.h"
#include "RenderSettings.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// A way a program draws proportional text.
struct TextRenderer {
    const char* name;     // "chromium", "chromium-hidpi", "qt", "gtk", "gtk-slight", "chromium-sharp"
    const char* preset;   // the render preset (RenderPresets)
    TextLayout layout;
    // Glyphs without antialiasing: tried, first, on a picture of two colours a glyph only.
    bool sharp = false;
};

// Every renderer a search tries, in order.
const std::vector<TextRenderer>& TextRenderers();

// A proportional font a page was drawn with: a family's faces and a renderer.
struct ProportionalFont {
    std::string family;
    std::string file;  // the regular face
    int index = 0;
    std::string boldFile;  // the family's bold face; empty: none
    int boldIndex = 0;
    const TextRenderer* renderer = nullptr;
    RenderSettings settings;  // the preset's, with the ink's luminance

    bool Empty() const { return file.empty() || renderer == nullptr; }
    // "DejaVu Sans, chromium" for messages.
    std::string Describe() const;
};

// The decoder's options that a page is read with by default: its everyday glyphs first.
inline DecodeOptions WithCommonFirst()
{
    DecodeOptions options;
    options.first = FirstGlyphs::Common;
    return options;
}

struct ProportionalOptions {
    std::vector<std::string> families;  // narrows the search to these names (any case); empty: every proportional family
    bool useCache = true;               // try the cached choices first and keep the new one
    std::string cacheFolder;            // empty: ProportionalCacheFolder()
    // How lines are decoded; where decode.first is FirstGlyphs::Common the page's lines are
    // decoded without the Cyrillic letters first when its samples read none.
    DecodeOptions decode = WithCommonFirst();
    InkRule ink = InkRule::Auto;
    unsigned threads = 0;               // lines read at once; 0: one per core. The reading is the same for any number.
    // Told, before each family the search compares, how many of how many it has compared in
    // this pass (a sharp picture may take a second pass); false stops the search, and the
    // reading is empty and marked bStopped. Called on the caller's thread.
    std::function<bool(int done, int total)> progress;
    // Asked before each kept choice is measured, each family compared and each line decoded
    // (from the threads that decode them): true stops the reading, which is then empty and
    // marked bStopped, so that a Cancel needs no wait for the rest of a large page. Unset: never.
    std::function<bool()> stop;
};

// One line read: its band, the size it was read at and what the decoder found.
struct ProportionalLine {
    TextBand band;
    double size = 0;  // pixels per em
    std::shared_ptr<const LineFont> font;
    DecodedLine decoded;
    std::string text;  // UTF-8, indented by spaces from the page's left margin
};

struct ProportionalReading {
    ProportionalFont font;  // empty when no family explains the page's ink
    std::vector<ProportionalLine> lines;  // top to bottom
    std::string text;  // UTF-8, lines joined by line breaks, wide vertical gaps kept as empty lines
    long long ink = 0;    // ink pixels of the lines read
    long long cost = 0;   // of them and the templates, the pixels that differ
    bool bFromCache = false;  // the cached choice read the page; no search ran
    bool bStopped = false;    // the progress callback stopped the search, or stop the reading: no line is read
    bool bOutOfMemory = false;
    std::vector<std::string> ranking;  // the best candidates of the search, best first: "DejaVu Sans, chromium: 0.021"

    double dInkMilliseconds = 0;
    double dSearchMilliseconds = 0;  // choosing the family, renderer and sizes
    double dDecodeMilliseconds = 0;  // decoding every line
    double dMilliseconds = 0;

    bool Empty() const { return lines.empty(); }
    // Pixels that differ per pixel of ink: 0 for a perfect reading, near 1 for a page the font does not explain.
    double CostPerInk() const { return ink > 0 ? static_cast<double>(cost) / static_cast<double>(ink) : 1.0; }
};

// "DejaVu Sans 13 and 14 px, chromium": the font and the sizes its lines were read at.
std::string DescribeProportional(const ProportionalReading& reading);

// The folder of the cached choices: $XDG_CACHE_HOME/recognize/proportional, else
// ~/.cache/recognize/proportional.
std::string ProportionalCacheFolder();

// Reads a picture of proportional text. An empty picture, or one without ink, reads no line.
// Memory running out gives an empty reading marked bOutOfMemory.
ProportionalReading ReadProportional(const CRaster& picture, const ProportionalOptions& options = {});

// The cost per pixel of ink under which a reading is taken as a page's own font.
inline constexpr double kGoodCostPerInk = 0.15;
