#include "CSimpleRecognizer.h"

#include "CGlyphMatrix.h"
#include "CellRule.h"

#include <algorithm>
#include <cstdint>

namespace {

// Cells captured and matched together: the picture's rows are read once for all of them, the
// glyphs once for every four.
constexpr int kBlockCells = 16;

}  // namespace

SimpleResult CSimpleRecognizer::Recognize(const CRaster& picture, const CCharImageFont& font,
                                          const CellGrid& grid, int cells, double coefficient) const
{
    SimpleResult result;
    if (cells <= 0)
        return result;
    result.text.assign(static_cast<std::size_t>(cells), '\0');
    result.variants.resize(static_cast<std::size_t>(cells));
    result.ranges.resize(static_cast<std::size_t>(cells));
    result.tieStart.reserve(static_cast<std::size_t>(cells) + 1);
    result.tieStart.push_back(0);

    const int width = std::max(grid.width, 0);
    const int height = std::max(grid.height, 0);
    CGlyphMatrix glyphs;
    glyphs.Build(font, width, height);
    const int rows = glyphs.Rows();
    const std::size_t stride = glyphs.Stride();
    CAlignedBytes block(std::max<std::size_t>(stride * kBlockCells, kPackedBlock));
    std::vector<std::int32_t> blockCosts(static_cast<std::size_t>(rows) * kBlockCells);

    // Costs never reach past 8 x 32 x 255 bits, so W x H and the differences below fit an int.
    const int noMatch = width * height;
    std::uint8_t bestCode = static_cast<std::uint8_t>(font.First());
    std::vector<int> chosen;
    for (int first = 0; first < cells; first += kBlockCells) {
        const int count = std::min(kBlockCells, cells - first);
        CaptureCellRun(m_Path, picture, grid.CellLeft(first), grid.top, width, height, count, block.data(), stride);
        XorPopcountBlock(m_Path, block.data(), count, glyphs.Data(), stride, static_cast<std::size_t>(rows),
                         blockCosts.data());

        for (int c = 0; c < count; ++c) {
            const std::int32_t* costs = blockCosts.data() + static_cast<std::size_t>(c) * rows;
            // The best glyph is the first (lowest code) below W x H at the least cost; without
            // one the code of the position before stays.
            const CellDecision decision = DecideCell(CellRule::Simple, costs, rows, noMatch);
            result.ranges[first + c] = {decision.best, decision.worst};
            if (decision.Matched()) {
                bestCode = glyphs.CodeOf(decision.bestGlyph);
                CellTies(decision, costs, rows, chosen);
                for (int g : chosen)
                    result.tieCodes.push_back(glyphs.CodeOf(g));
            }
            result.tieStart.push_back(static_cast<std::uint32_t>(result.tieCodes.size()));
            result.text[first + c] = static_cast<char>(bestCode);

            CCharVariants& variants = result.variants[first + c];
            if (decision.best != 0 && decision.worst != 0) {
                CellVariants(decision, costs, rows, coefficient, chosen);
                for (int g : chosen)
                    variants.Add(glyphs.CodeOf(g), costs[g]);
            } else {
                // An exact match, or nothing compared: the best code alone (the kept one where
                // no glyph was the best), at cost 0.
                for (int r = 0; r < rows; ++r)
                    if (glyphs.CodeOf(r) == bestCode)
                        variants.Add(bestCode, 0);
            }
        }
    }
    return result;
}
