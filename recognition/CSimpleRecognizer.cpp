#include "CSimpleRecognizer.h"

#include "CGlyphMatrix.h"

#include <algorithm>
#include <cstdint>

SimpleResult CSimpleRecognizer::Recognize(const CRaster& picture, const CCharImageFont& font,
                                          const CellGrid& grid, int cells, double coefficient) const
{
    SimpleResult result;
    if (cells <= 0)
        return result;
    result.text.assign(static_cast<std::size_t>(cells), '\0');
    result.variants.resize(static_cast<std::size_t>(cells));

    const int width = std::max(grid.width, 0);
    const int height = std::max(grid.height, 0);
    CGlyphMatrix glyphs;
    glyphs.Build(font, width, height);
    const int rows = glyphs.Rows();
    const std::size_t stride = glyphs.Stride();
    CAlignedBytes block(std::max<std::size_t>(stride * kCellsPerBlock, kPackedBlock));
    std::vector<std::int32_t> blockCosts(static_cast<std::size_t>(rows) * kCellsPerBlock);

    // Costs never reach past 8 x 32 x 255 bits, so W x H and the differences below fit an int.
    const int noMatch = width * height;
    std::uint8_t bestCode = static_cast<std::uint8_t>(font.First());
    for (int first = 0; first < cells; first += kCellsPerBlock) {
        const int count = std::min(kCellsPerBlock, cells - first);
        for (int c = 0; c < count; ++c)
            CaptureCellBits(m_Path, picture, grid.CellLeft(first + c), grid.top, width, height,
                            block.data() + c * stride, stride);
        XorPopcountBlock(m_Path, block.data(), count, glyphs.Data(), stride, static_cast<std::size_t>(rows),
                         blockCosts.data());

        for (int c = 0; c < count; ++c) {
            const int p = first + c;
            const std::int32_t* costs = blockCosts.data() + static_cast<std::size_t>(c) * rows;
            int best = noMatch;
            int worst = 0;
            for (int r = 0; r < rows; ++r) {
                const int cost = costs[r];
                if (cost < best) {
                    best = cost;
                    bestCode = glyphs.CodeOf(r);
                }
                if (cost > worst)
                    worst = cost;
            }
            result.text[p] = static_cast<char>(bestCode);

            CCharVariants& variants = result.variants[p];
            // best x worst of two values below 2^16 is 0 exactly when one of them is 0.
            if (best != 0 && worst != 0) {
                const double reach = coefficient * static_cast<double>(worst - best);
                for (int r = 0; r < rows; ++r)
                    if (static_cast<double>(costs[r] - best) <= reach)
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
