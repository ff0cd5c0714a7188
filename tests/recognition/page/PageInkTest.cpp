// The ink stage: the ink rule, its instruction-set paths, the row counts and the solid strips.

#include "PageInk.h"

#include "PageFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <random>

using namespace pagefixtures;

namespace {

TEST(PageInk, InkRule)
{
    CRaster picture;
    // Black on white, antialiased: dark grey is ink, light grey is not (contrast 255, half 127).
    picture.Create(8, 4, CRaster::kWhite);
    picture.SetPixel(0, 0, 0x000000);
    picture.SetPixel(1, 0, 0x404040);
    picture.SetPixel(2, 0, 0x808080);  // distance 127: not more than half the contrast
    picture.SetPixel(3, 0, 0x7F7F7F);  // distance 128
    picture.SetPixel(4, 0, 0xC0C0C0);
    InkBits ink = InkMask(picture, InkRule::Auto);
    EXPECT_EQ(ink.background, CRaster::kWhite);
    EXPECT_EQ(ink.threshold, 127);
    EXPECT_TRUE(ink.Ink(0, 0) && ink.Ink(1, 0) && ink.Ink(3, 0));
    EXPECT_FALSE(ink.Ink(2, 0) || ink.Ink(4, 0) || ink.Ink(5, 0) || ink.Ink(0, 1));

    // Light on dark and coloured: the most common colour is paper, one channel decides.
    picture.Create(70, 3, 0x202020);
    picture.SetPixel(65, 1, 0xE0E0E0);
    picture.SetPixel(66, 1, 0x303030);
    ink = InkMask(picture, InkRule::Auto);
    EXPECT_EQ(ink.background, 0x202020U);
    EXPECT_TRUE(ink.Ink(65, 1));
    EXPECT_FALSE(ink.Ink(66, 1));
    EXPECT_EQ(ink.wordsPerRow, 2);
    picture.Create(5, 5, 0x0000AA);
    picture.SetPixel(2, 2, 0xFFFF55);
    picture.SetPixel(3, 2, 0x0000FF);  // only blue differs, by 85 of the contrast 255
    ink = InkMask(picture, InkRule::Auto);
    EXPECT_TRUE(ink.Ink(2, 2));
    EXPECT_FALSE(ink.Ink(3, 2));

    // A picture of more colours than the counting table keeps: the most common still wins.
    picture.Create(300, 300);
    for (int i = 0; i < 300 * 300; ++i)
        picture.SetPixel(i % 300, i / 300, static_cast<std::uint32_t>(i) * 97U + 5U);
    for (int x = 0; x < 3; ++x)
        picture.SetPixel(x, 7, 0x123456);
    EXPECT_EQ(InkMask(picture, InkRule::Auto).background, 0x123456U);

    // One colour has no ink, whatever it is; Black takes exactly black only.
    picture.Create(9, 9, CRaster::kBlack);
    ink = InkMask(picture, InkRule::Auto);
    EXPECT_TRUE(std::all_of(ink.words.begin(), ink.words.end(), [](std::uint64_t w) { return w == 0; }));
    picture.Create(3, 1, CRaster::kWhite);
    picture.SetPixel(0, 0, 0x000000);
    picture.SetPixel(1, 0, 0x010101);
    ink = InkMask(picture, InkRule::Black);
    EXPECT_TRUE(ink.Ink(0, 0));
    EXPECT_FALSE(ink.Ink(1, 0));
}

TEST(PageInk, InkMaskPathsAgree)
{
    std::mt19937 random(3);
    const std::uint32_t palette[] = {0xFFFFFF, 0x000000, 0x808080, 0x7F7F7F, 0x1E90FF, 0xFF00FF, 0x010101, 0x00FF00};
    for (int round = 0; round < 40; ++round) {
        CRaster picture;
        picture.Create(1 + static_cast<int>(random() % 200), 1 + static_cast<int>(random() % 5), palette[round % 8]);
        for (int i = static_cast<int>(random() % 300); i > 0; --i) {
            const int x = static_cast<int>(random() % picture.width());
            const int y = static_cast<int>(random() % picture.height());
            picture.SetPixel(x, y, random() % 3 == 0 ? static_cast<std::uint32_t>(random() & 0xFFFFFF) : palette[random() % 8]);
        }
        for (InkRule rule : {InkRule::Auto, InkRule::Black}) {
            const InkBits plain = InkMask(picture, rule, MatchPath::Portable);
            for (MatchPath path : SupportedMatchPaths()) {
                const InkBits fast = InkMask(picture, rule, path);
                EXPECT_EQ(fast.words, plain.words) << MatchPathName(path) << " round " << round;
                EXPECT_EQ(fast.background, plain.background);
                EXPECT_EQ(fast.threshold, plain.threshold);
                EXPECT_EQ(fast.rowInk, plain.rowInk);
            }
        }
    }
}

// The screen's ink made from the global rule's bits at hand is the ink made afresh: on pictures of
// one paper, of bars of other colours holding text, of uniform edge columns, and on degenerate
// ones.
TEST(PageInk, ScreenInkFromTheGlobalBitsIsTheSame)
{
    std::mt19937 random(11);
    const std::uint32_t palette[] = {0xFFFFFF, 0x000000, 0x1E90FF, 0x303030, 0xFFFF55, 0x808080};
    int local = 0;
    for (int round = 0; round < 30; ++round) {
        CRaster picture;
        picture.Create(1 + static_cast<int>(random() % 160), 1 + static_cast<int>(random() % 60), palette[round % 6]);
        for (int bar = static_cast<int>(random() % 3); bar > 0; --bar) {  // bars of another colour
            const int top = static_cast<int>(random() % picture.height());
            const std::uint32_t colour = palette[random() % 6];
            for (int y = top; y < std::min(picture.height(), top + 12); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    picture.SetPixel(x, y, colour);
        }
        for (int i = static_cast<int>(random() % 400); i > 0; --i)  // glyph-like specks
            picture.SetPixel(static_cast<int>(random() % picture.width()), static_cast<int>(random() % picture.height()),
                             palette[random() % 6]);
        const int cellWidth = static_cast<int>(random() % 12), cellHeight = static_cast<int>(random() % 20);
        const InkBits fresh = ScreenInkMask(picture, cellWidth, cellHeight);
        const InkBits given = ScreenInkMask(picture, InkMask(picture, InkRule::Auto), cellWidth, cellHeight);
        SCOPED_TRACE("round " + std::to_string(round));
        EXPECT_EQ(given.words, fresh.words);
        EXPECT_EQ(given.rowInk, fresh.rowInk);
        EXPECT_EQ(given.bLocal, fresh.bLocal);
        EXPECT_EQ(given.background, fresh.background);
        EXPECT_EQ(given.threshold, fresh.threshold);
        local += fresh.bLocal ? 1 : 0;
    }
    EXPECT_GT(local, 3);
    EXPECT_LT(local, 27);
    const CRaster empty;
    EXPECT_TRUE(ScreenInkMask(empty, InkMask(empty, InkRule::Auto), 8, 16).words.empty());
}

// Solid strips on each side of the text: rows filled across the picture are cleared from the
// ink, counts included; a strip lower than half a cell, a glyph row as wide as a cell is high,
// and rows with gaps stay.
TEST(PageInk, SolidStripsLeaveTheInk)
{
    constexpr int H = 10;
    const int width = 200;
    for (int side = 0; side < 4; ++side) {
        InkBits ink = BlankInk(width, 60);
        // Text-like ink in rows 20..29: a short row that is solid, and scattered pixels.
        for (int x = 40; x < 40 + H; ++x)
            SetInk(ink, x, 22);
        for (int x = 30; x < 170; x += 3)
            SetInk(ink, x, 25);
        // The strip: above, below, left and right of the text (a vertical bar is no strip).
        const int top = side == 0 ? 2 : side == 1 ? 40 : 0;
        const int bottom = side == 0 ? 2 + H / 2 : side == 1 ? 55 : 60;
        for (int y = top; y < bottom; ++y)
            for (int x = side == 3 ? width - 6 : 0; x < (side == 2 ? 6 : width); ++x)
                SetInk(ink, x, y);
        // Gaps of less than a tenth inside a strip row still count as solid.
        SetInk(ink, 100, top, false);
        ink.CountRows();
        const std::vector<SolidStrip> strips = ClearSolidStrips(ink, H);
        if (side >= 2) {
            EXPECT_TRUE(strips.empty()) << "side " << side;
            continue;
        }
        ASSERT_EQ(strips.size(), 1U) << "side " << side;
        EXPECT_EQ(strips[0].top, top);
        EXPECT_EQ(strips[0].bottom, bottom);
        for (int y = top; y < bottom; ++y) {
            EXPECT_EQ(ink.rowInk[static_cast<std::size_t>(y)], 0);
            EXPECT_FALSE(ink.Ink(50, y));
        }
        EXPECT_TRUE(ink.Ink(40, 22));
        EXPECT_EQ(ink.rowInk[22], H);
        const InkBits counted = [&] { InkBits copy = ink; copy.CountRows(); return copy; }();
        EXPECT_EQ(counted.rowInk, ink.rowInk);
    }

    // Lower than half a cell: a thin rule under a heading, not a strip.
    InkBits thin = BlankInk(width, 20);
    for (int y = 5; y < 5 + H / 2 - 1; ++y)
        for (int x = 0; x < width; ++x)
            SetInk(thin, x, y);
    thin.CountRows();
    EXPECT_TRUE(ClearSolidStrips(thin, H).empty());
    EXPECT_TRUE(ClearSolidStrips(thin, 0).empty());
}

}  // namespace
