// The sample of cells a font search compares candidates on: cells found on the grid of one font
// fit another font's glyphs once shifted onto its own grid, which on a browser's fractional pitch
// may lie most of a pixel away.

#include "CellSample.h"

#include "PageGrid.h"
#include "PageInk.h"

#include <gtest/gtest.h>

namespace {

constexpr int kW = 7;
constexpr int kH = 9;
constexpr int kPhases = 4;
constexpr long long kStep = kSubpixels / kPhases;
constexpr long long kPitch = 6 * kSubpixels + kStep;  // 6.25 pixels, as a browser lays text out
constexpr long long kLeft = 10 * kSubpixels;
constexpr int kTop = 2;
constexpr int kCells = 12;

// Whether glyph g drawn at phase p inks (x, y) of its cell: a stroke of its own and a mark of the
// phase, so that a cell compared at another phase or pixel differs from it.
bool Inked(int g, int p, int x, int y)
{
    switch (g) {
    case 0:
        if ((x == 1 && y >= 1 && y <= 7) || (y == 1 && x >= 1 && x <= 4))
            return true;
        break;
    case 1:
        if ((x == 3 && y >= 1 && y <= 7) || (y == 7 && x >= 1 && x <= 4))
            return true;
        break;
    default:
        if (y == 4 && x >= 1 && x <= 5)
            return true;
        break;
    }
    return x == 5 && y == 1 + 2 * p;
}

GlyphSet Glyphs()
{
    GlyphSet set;
    set.Reset(kW, kH, kPhases, kH - 2);
    for (int g = 0; g < 3; ++g) {
        std::vector<std::uint8_t> images(static_cast<std::size_t>(kPhases) * set.ImageBytes(), 0);
        for (int p = 0; p < kPhases; ++p)
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x)
                    if (Inked(g, p, x, y))
                        images[static_cast<std::size_t>(p) * set.ImageBytes() + static_cast<std::size_t>(y * set.BytesPerRow() + x / 8)] |=
                            static_cast<std::uint8_t>(0x80 >> (x % 8));
        set.Add(U'A' + static_cast<char32_t>(g), GlyphFace::Regular, images);
    }
    return set;
}

// A line of the glyphs drawn at the pitch from kLeft, each at the phase its position rounds to.
InkBits Page()
{
    CRaster picture;
    picture.Create(static_cast<int>((kLeft + kCells * kPitch) / kSubpixels) + 10, kTop + kH + 2, CRaster::kWhite);
    for (int i = 0; i < kCells; ++i) {
        const CellPlace place = PlaceAt(kLeft + i * kPitch, kPhases);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                if (Inked(i % 3, place.phase, x, y))
                    picture.SetPixel(static_cast<int>(place.pixel) + x, kTop + y, CRaster::kBlack);
    }
    return InkMask(picture, InkRule::Black);
}

// The line's cells as another font's grid found them: its origin offset phases right and rows down.
std::vector<SampleCell> SampleOffBy(long long offset, int rows)
{
    std::vector<SampleCell> sample;
    for (int i = 0; i < kCells; ++i)
        sample.push_back({kTop + rows, kLeft + offset, i, 1});
    return sample;
}

}  // namespace

TEST(FitSample, CellsFoundOnAnotherGridFitOnceShiftedOntoTheirOwn)
{
    const GlyphSet glyphs = Glyphs();
    const InkBits ink = Page();
    ASSERT_EQ(FitSample(ink, glyphs, kPitch, SampleOffBy(0, 0)).meanCost, 0.0);
    // A row up and up to a pixel either way across: beyond the phase beside.
    for (const long long offset : {3 * kStep, -3 * kStep, kSubpixels, -kStep}) {
        SCOPED_TRACE(offset);
        const SampleFit fit = FitSample(ink, glyphs, kPitch, SampleOffBy(offset, -1));
        EXPECT_EQ(fit.meanCost, 0.0);
        EXPECT_EQ(fit.dxSub, -offset);
        EXPECT_EQ(fit.dy, 1);
    }
}
