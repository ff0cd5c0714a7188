#include "CSimpleRecognizer.h"

#include "CGlyphMatrix.h"

#include <algorithm>
#include <cmath>
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
    for (int first = 0; first < cells; first += kBlockCells) {
        const int count = std::min(kBlockCells, cells - first);
        CaptureCellRun(m_Path, picture, grid.CellLeft(first), grid.top, width, height, count, block.data(), stride);
        XorPopcountBlock(m_Path, block.data(), count, glyphs.Data(), stride, static_cast<std::size_t>(rows),
                         blockCosts.data());

        for (int c = 0; c < count; ++c) {
            const std::int32_t* costs = blockCosts.data() + static_cast<std::size_t>(c) * rows;
            int least = noMatch;
            int worst = 0;
            for (int r = 0; r < rows; ++r) {
                least = std::min(least, costs[r]);
                worst = std::max(worst, costs[r]);
            }
            // The best glyph is the first (lowest code) below W x H at the least cost; without
            // one the code of the position before stays.
            const int best = least;
            result.ranges[first + c] = {best, worst};
            if (least < noMatch) {
                bestCode = glyphs.CodeOf(static_cast<int>(std::find(costs, costs + rows, least) - costs));
                for (int r = 0; r < rows; ++r)
                    if (costs[r] == least)
                        result.tieCodes.push_back(glyphs.CodeOf(r));
            }
            result.tieStart.push_back(static_cast<std::uint32_t>(result.tieCodes.size()));
            result.text[first + c] = static_cast<char>(bestCode);

            CCharVariants& variants = result.variants[first + c];
            // best x worst of two values below 2^16 is 0 exactly when one of them is 0.
            if (best != 0 && worst != 0) {
                // Every cost here is at least best, so the test (cost - best) <= reach in double
                // precision holds exactly for the integer differences up to floor(reach).
                const double reach = coefficient * static_cast<double>(worst - best);
                if (!(reach >= 0))
                    continue;
                const int limit = reach >= 1e9 ? 1000000000 : static_cast<int>(std::floor(reach));
                for (int r = 0; r < rows; ++r)
                    if (costs[r] - best <= limit)
                        variants.Add(glyphs.CodeOf(r), costs[r]);
            } else {
                for (int r = 0; r < rows; ++r)
                    if (glyphs.CodeOf(r) == bestCode)
                        variants.Add(bestCode, 0);
            }
        }
    }
    return result;
}
