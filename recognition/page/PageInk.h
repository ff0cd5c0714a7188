#pragma once

// The first stage of the page reader: which pixels of a picture are ink.

#include "CRaster.h"
#include "MatchKernels.h"

#include <cstdint>
#include <optional>
#include <vector>

// The largest of the three channel differences of two colours (0xRRGGBB).
inline int ColourDistance(std::uint32_t a, std::uint32_t b)
{
    int distance = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        distance = d > distance ? d : (-d > distance ? -d : distance);
    }
    return distance;
}

// Which pixels of a picture are ink.
enum class InkRule {
    Auto,   // far from the background colour (see InkMask); the default for pages
    Black,  // exactly black, as cell capture reads a drawn picture
};

// One bit per pixel, rows from the top, 64-bit words, bit 63 of a word the leftmost of its 64
// pixels, 1 = ink. Bits past the width of a row are 0. rowInk holds the ink pixels of each row
// and is kept in step with the bits by every stage that changes them.
struct InkBits {
    int width = 0;
    int height = 0;
    int wordsPerRow = 0;  // (width + 63) / 64
    std::vector<std::uint64_t> words;
    std::vector<int> rowInk;              // ink pixels per row
    std::uint32_t background = 0xFFFFFF;  // the colour taken as paper, 0xRRGGBB
    int contrast = 0;                     // Auto: the largest distance of a pixel from the paper
    int threshold = 0;                    // Auto: a pixel is ink when its distance exceeds this
    bool bLocal = false;                  // each pixel was taken against the background around it

    const std::uint64_t* Row(int y) const { return words.data() + static_cast<std::size_t>(y) * wordsPerRow; }
    std::uint64_t* Row(int y) { return words.data() + static_cast<std::size_t>(y) * wordsPerRow; }
    bool Ink(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height && ((Row(y)[x / 64] >> (63 - x % 64)) & 1U) != 0;
    }
    // Counts the ink of every row again.
    void CountRows();
};

// The ink of a picture. Auto: the background is the picture's most common colour; the
// contrast is the largest distance of any pixel from it, a distance being the largest of the
// three channel differences; a pixel is ink when its distance exceeds half the contrast. A
// picture of one colour has no ink. Black: only exactly black pixels are ink. path chooses the
// instruction set the pixels are read with; every path gives the same bits. Memory beyond the
// mask itself is bounded (a few hundred KiB whatever the picture); the mask's own allocation
// throws std::bad_alloc when memory runs out.
InkBits InkMask(const CRaster& picture, InkRule rule, MatchPath path = FastestMatchPath());

// The picture's most common colour, as the Auto rule takes it (0xRRGGBB; white when empty).
std::uint32_t MostCommonColour(const CRaster& picture, MatchPath path = FastestMatchPath());

// The ink of a screen whose cells are cellWidth x cellHeight. Where the picture has one
// background it is InkMask's Auto rule. Where regions of other colours hold text (a
// reverse-video bar, a selection, a terminal on a desktop of another colour), every pixel is
// taken against the background around it instead (bLocal): a background is a run of one colour
// at least a cell wide on two rows at once; a pixel in one is paper, any other pixel is
// compared with the nearest background above it in its column or beside it in its row, and is
// ink when it differs from it by more than half the contrast of that background's colour.
InkBits ScreenInkMask(const CRaster& picture, int cellWidth, int cellHeight, MatchPath path = FastestMatchPath());
// The same where the global rule's bits are at hand: autoInk is InkMask(picture, InkRule::Auto),
// whose paper and bits are taken rather than made again.
InkBits ScreenInkMask(const CRaster& picture, const InkBits& autoInk, int cellWidth, int cellHeight);

// ScreenInkMask's local rule only: nothing where the picture has one background (or no cell),
// so that a caller holding the global rule's bits need not have them made again.
std::optional<InkBits> LocalScreenInkMask(const CRaster& picture, int cellWidth, int cellHeight,
                                          MatchPath path = FastestMatchPath());
// The same with the picture's most common colour (MostCommonColour) known.
std::optional<InkBits> LocalScreenInkMask(const CRaster& picture, std::uint32_t paper, int cellWidth, int cellHeight);

// A run of pixel rows that the ink fills from side to side: a window's margin, a bar.
struct SolidStrip {
    int top = 0;
    int bottom = 0;  // one past the last row
};

// The solid strips of the ink. A strip is a run of at least half a cell height of rows, each inked from its first inked
// pixel to its last but for a tenth, and spanning more pixels than a cell is high: no glyph of a
// row of text fills a row like that.
std::vector<SolidStrip> FindSolidStrips(const InkBits& ink, int cellHeight);
// Clears the rows of strips out of the ink, so that no later stage sees them.
void ClearStrips(InkBits& ink, const std::vector<SolidStrip>& strips);
// Both: finds the solid strips, clears them and returns them.
std::vector<SolidStrip> ClearSolidStrips(InkBits& ink, int cellHeight);
