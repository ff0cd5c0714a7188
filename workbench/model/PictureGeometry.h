#pragma once

#include "CCharImageFont.h"
#include "CRaster.h"
#include "CRect.h"
#include "CSimpleRecognizer.h"

#include <algorithm>
#include <climits>
#include <cstdint>

// Where a document's text lies for a font's cell of W x H pixels and a count of character
// positions: the picture rectangle R = (0, 0, W x (cells + 1), 2 x H), and the text origin
// (W / 2, (R.height - H) / 2) at which the text is drawn and the first cell begins. Sizes are
// 64-bit, so that any count, a negative one read from a file included, can be asked about.
struct PictureGeometry {
    std::int64_t cellWidth = 0;   // W
    std::int64_t cellHeight = 0;  // H
    std::int64_t cells = 0;

    static PictureGeometry Of(const CCharImageFont& font, std::int64_t cells) {
        return {font.CellWidth(), font.CellHeight(), cells};
    }

    std::int64_t Width() const { return cellWidth * (cells + 1); }
    std::int64_t Height() const { return 2 * cellHeight; }
    int OriginX() const { return static_cast<int>(cellWidth / 2); }
    int OriginY() const { return static_cast<int>((Height() - cellHeight) / 2); }
    // Whether a picture of R's size may be made.
    bool Allowed() const { return CRaster::SizeAllowed(Width(), Height()); }
    // R, its width clamped to 0..INT_MAX.
    CRect Rect() const {
        return {0, 0, static_cast<int>(std::clamp<std::int64_t>(Width(), 0, INT_MAX)), static_cast<int>(Height())};
    }
    // The cells that recognition reads: cell p begins at the origin plus p cell widths.
    CellGrid Grid() const { return {OriginX(), OriginY(), static_cast<int>(cellWidth), static_cast<int>(cellHeight)}; }
};
