#pragma once

#include "CCharImageFont.h"
#include "CCharVariants.h"
#include "CRaster.h"
#include "MatchKernels.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Where the cells of the picture lie: cell p is the width x height rectangle whose top-left
// pixel is (left + p x width, top).
struct CellGrid {
    long long left = 0;
    long long top = 0;
    int width = 0;   // W, the font's cell width
    int height = 0;  // H, the font's cell height

    long long CellLeft(int p) const { return left + static_cast<long long>(p) * width; }
};

// The least and the greatest cost of the glyphs comparable with one cell. best is W x H when
// no glyph differs in fewer pixels; worst is 0 when none is comparable.
struct CellCostRange {
    int best = 0;
    int worst = 0;
};

// The result of Simple recognition: one character, one variants record and one cost range
// per position, and the glyphs tied with each position's best one.
struct SimpleResult {
    std::string text;
    std::vector<CCharVariants> variants;
    std::vector<CellCostRange> ranges;
    // The codes of every glyph whose cost equals position p's best cost, ascending: entries
    // tieStart[p] .. tieStart[p + 1] - 1 of tieCodes. None where no glyph differs in fewer than
    // W x H pixels. An exact match keeps only the lowest of them among its variants.
    std::vector<std::uint8_t> tieCodes;
    std::vector<std::uint32_t> tieStart;

    std::span<const std::uint8_t> Ties(int p) const {
        if (p < 0 || static_cast<std::size_t>(p) + 1 >= tieStart.size())
            return {};
        return std::span<const std::uint8_t>(tieCodes).subspan(tieStart[p], tieStart[p + 1] - tieStart[p]);
    }
};

// Simple recognition: every cell of the picture is compared with every glyph of the cell's
// size; the glyph with the fewest differing pixels (the lowest code among equals) gives the
// position's character, and the glyphs within the coefficient's reach of it its variants.
//
// A position where no glyph differs in fewer than W x H pixels keeps the character of the
// position before it, and position 0 takes the font's first code. A font without glyphs has
// no glyph to compare.
class CSimpleRecognizer {
public:
    explicit CSimpleRecognizer(MatchPath path = FastestMatchPath()) : m_Path(path) {}

    SimpleResult Recognize(const CRaster& picture, const CCharImageFont& font, const CellGrid& grid,
                           int cells, double coefficient) const;

    MatchPath Path() const { return m_Path; }

private:
    MatchPath m_Path;
};
