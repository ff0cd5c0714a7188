// The line stage: bands found where lines were drawn, at random offsets and gaps, and runs of
// touching lines cut into pieces no taller than a cell.

#include "PageLines.h"

#include "PageFixtures.h"

#include <gtest/gtest.h>

#include <random>

using namespace pagefixtures;

namespace {

// Draws text into an ink mask at (x, y).
void DrawInk(InkBits& ink, const CCharImageFont& font, const std::string& text, int x, int y)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const CCharImage* glyph = font.GetCharImage(static_cast<unsigned char>(text[i]));
        for (int r = 0; r < kH; ++r)
            for (int c = 0; c < kW; ++c)
                if (glyph->Pixel(c, r))
                    SetInk(ink, x + static_cast<int>(i) * kW + c, y + r);
    }
}

// Text without the bar, whose glyphs ink rows 1..kH - 3 of their cells.
std::string BarlessText(std::mt19937& random, int length)
{
    std::string text = RandomText(random, length);
    std::replace(text.begin(), text.end(), '|', '#');
    return text;
}

TEST(PageLines, BandsLieWhereLinesWereDrawn)
{
    const CCharImageFont font = TestFont();
    std::mt19937 random(5);
    for (int round = 0; round < 20; ++round) {
        InkBits ink = BlankInk(100 + static_cast<int>(random() % 300), 400);
        struct Drawn {
            int x, y, length;
        };
        std::vector<Drawn> drawn;
        // Uneven gaps, from the ink of one line touching the cell of the next (a gap of 3 blank
        // rows between inks) to wide margins.
        for (int y = static_cast<int>(random() % 30) - 1; y + kH < ink.height; y += kH + static_cast<int>(random() % 20)) {
            const int length = 4 + static_cast<int>(random() % 10);
            const int x = static_cast<int>(random() % std::max(1, ink.width - length * kW));
            DrawInk(ink, font, BarlessText(random, length), x, y);
            drawn.push_back({x, y, length});
        }
        ink.CountRows();
        const std::vector<TextBand> bands = FindLines(ink, kH);
        ASSERT_EQ(bands.size(), drawn.size()) << "round " << round;
        for (std::size_t i = 0; i < drawn.size(); ++i) {
            EXPECT_EQ(bands[i].top, std::max(drawn[i].y + 1, 0));
            EXPECT_EQ(bands[i].bottom, drawn[i].y + kH - 2);
            EXPECT_GE(bands[i].left, drawn[i].x);
            EXPECT_LE(bands[i].right, drawn[i].x + drawn[i].length * kW);
            EXPECT_LT(bands[i].left, drawn[i].x + kW);  // the first glyph holds ink in its cell
        }
    }
}

TEST(PageLines, TouchingLinesAreCutIntoCellHighPieces)
{
    const CCharImageFont font = TestFont();
    InkBits ink = BlankInk(200, 120);
    // Seven lines on a pitch of one cell, each with a bar the whole cell high: one run of rows.
    for (int r = 0; r < 7; ++r)
        DrawInk(ink, font, "ab|cd", 10, 9 + r * kH);
    ink.CountRows();
    const std::vector<TextBand> bands = FindLines(ink, kH);
    ASSERT_GE(bands.size(), 7U);
    EXPECT_EQ(bands.front().top, 9);
    EXPECT_EQ(bands.back().bottom, 9 + 7 * kH);
    for (std::size_t i = 0; i < bands.size(); ++i) {
        EXPECT_LE(bands[i].Height(), kH);
        EXPECT_GT(bands[i].Height(), 0);
        if (i > 0) {
            EXPECT_EQ(bands[i].top, bands[i - 1].bottom);
        }
    }
    // No cell height: the run stays whole; no ink, or counts out of step, no band.
    EXPECT_EQ(FindLines(ink, 0).size(), 1U);
    EXPECT_TRUE(FindLines(BlankInk(50, 50), kH).empty());
    InkBits uncounted = ink;
    uncounted.rowInk.clear();
    EXPECT_TRUE(FindLines(uncounted, kH).empty());
}

}  // namespace
