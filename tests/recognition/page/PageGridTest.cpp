// The grid stage: the shared phase of a terminal page found from any offset, lines off it given
// grids of their own, and lines at uneven places each found where they were drawn.

#include "PageGrid.h"

#include "PageCells.h"
#include "PageFixtures.h"

#include <gtest/gtest.h>

#include <random>

using namespace pagefixtures;

namespace {

struct Page {
    CRaster picture;
    std::vector<std::pair<int, int>> places;  // where each non-empty line's first cell was drawn
};

PageGrid GridOf(const CRaster& picture)
{
    static PageGlyphs glyphs = [] {
        PageGlyphs g;
        g.Build(TestGlyphs());
        return g;
    }();
    InkBits ink = InkMask(picture, InkRule::Auto);
    ClearSolidStrips(ink, kH);
    return FindGrid(ink, glyphs, FindLines(ink, kH));
}

// Terminal pages: lines on one grid whose origin lies anywhere, even left of and above the
// picture, lines indented by whole cells, rows left empty, a margin on every side.
TEST(PageGrid, FindsTheSharedPhaseFromAnyOffset)
{
    const CCharImageFont font = TestFont();
    std::mt19937 random(13);
    for (int round = 0; round < 16; ++round) {
        const int ox = static_cast<int>(random() % (3 * kW)) - kW;
        const int oy = static_cast<int>(random() % (3 * kH)) - kH;
        CRaster picture;
        picture.Create(ox + 40 * kW + static_cast<int>(random() % 30), oy + 12 * kH + static_cast<int>(random() % 30),
                       CRaster::kWhite);
        std::vector<std::pair<int, int>> drawn;
        for (int row = oy < 0 ? 1 : 0; row < 12; ++row) {
            if (random() % 5 == 0)
                continue;
            const int indent = static_cast<int>(random() % 6);
            const int x = ox + (ox < 0 ? 1 : 0) * kW + indent * kW;
            const int y = oy + row * kH;
            Draw(picture, font, RandomText(random, 3 + static_cast<int>(random() % 25)), x, y, CRaster::kBlack);
            drawn.emplace_back(x, y);
        }
        const PageGrid grid = GridOf(picture);
        SCOPED_TRACE("round " + std::to_string(round));
        EXPECT_TRUE(grid.bShared);
        EXPECT_EQ(grid.originX, ((ox % kW) + kW) % kW);
        EXPECT_EQ(grid.originY, ((oy % kH) + kH) % kH);
        ASSERT_EQ(grid.lines.size(), drawn.size());
        for (std::size_t i = 0; i < drawn.size(); ++i) {
            EXPECT_EQ(grid.lines[i].top, drawn[i].second);
            EXPECT_EQ(grid.lines[i].left, drawn[i].first);
            EXPECT_FALSE(grid.lines[i].bOwn);
            EXPECT_EQ(grid.lines[i].CellRect(1).left, drawn[i].first + kW);
        }
        for (std::size_t i = 1; i < grid.lines.size(); ++i)
            EXPECT_EQ(grid.lines[i].row - grid.lines[i - 1].row, (grid.lines[i].top - grid.lines[i - 1].top) / kH);
    }
}

// A page on one grid with two lines drawn off it, a few pixels across and down: the page keeps its
// shared grid and the two lines get grids of their own, where they were drawn.
TEST(PageGrid, LinesOffTheSharedGridHaveTheirOwn)
{
    const CCharImageFont font = TestFont();
    std::mt19937 random(17);
    CRaster picture;
    picture.Create(50 * kW, 16 * kH, CRaster::kWhite);
    for (int row = 0; row < 8; ++row)
        Draw(picture, font, RandomText(random, 30), 2 * kW, 5 + row * kH, CRaster::kBlack);
    Draw(picture, font, RandomText(random, 20), 3 * kW + 3, 5 + 9 * kH + 4, CRaster::kBlack);
    Draw(picture, font, RandomText(random, 20), 5 * kW + 2, 5 + 12 * kH + 5, CRaster::kBlack);
    const PageGrid grid = GridOf(picture);
    EXPECT_TRUE(grid.bShared);
    ASSERT_EQ(grid.lines.size(), 10U);
    EXPECT_TRUE(grid.lines[8].bOwn);
    EXPECT_EQ(grid.lines[8].left, 3 * kW + 3);
    EXPECT_EQ(grid.lines[8].top, 5 + 9 * kH + 4);
    EXPECT_TRUE(grid.lines[9].bOwn);
    EXPECT_EQ(grid.lines[9].left, 5 * kW + 2);
    EXPECT_GT(grid.lines[9].row, grid.lines[8].row);
}

// Lines at uneven places, no two on one grid: each line is found where it was drawn.
TEST(PageGrid, UnevenLinesAreEachFoundWhereDrawn)
{
    const CCharImageFont font = TestFont();
    std::mt19937 random(29);
    for (int round = 0; round < 8; ++round) {
        CRaster picture;
        picture.Create(320, 200, 0x1E1E1E);
        std::vector<std::pair<int, int>> drawn;
        for (int y = 2 + static_cast<int>(random() % 4); y + kH < picture.height();
             y += kH + 1 + static_cast<int>(random() % 9)) {
            const int x = 1 + static_cast<int>(random() % 90);
            Draw(picture, font, RandomText(random, 5 + static_cast<int>(random() % 20)), x, y, 0xD0D0D0);
            drawn.emplace_back(x, y);
        }
        const PageGrid grid = GridOf(picture);
        ASSERT_EQ(grid.lines.size(), drawn.size()) << "round " << round;
        for (std::size_t i = 0; i < drawn.size(); ++i) {
            EXPECT_EQ(grid.lines[i].left, drawn[i].first);
            EXPECT_EQ(grid.lines[i].top, drawn[i].second);
        }
    }
}

TEST(PageGrid, CellGeometry)
{
    const LineGrid line = WholePixelLine(-3, 4, 5, 7, 11);
    EXPECT_EQ(line.CellRect(2), (PixelRect{11, 4, 18, 15}));
    EXPECT_EQ(line.Rect(), (PixelRect{-3, 4, 32, 15}));
    EXPECT_EQ(line.CellAt(-3), 0);
    EXPECT_EQ(line.CellAt(10), 1);
    EXPECT_EQ(line.CellAt(11), 2);
    EXPECT_EQ(line.CellAt(32), -1);
    EXPECT_EQ(line.CellAt(-4), -1);
    EXPECT_TRUE(line.Rect().Contains(line.CellRect(4)));
    EXPECT_FALSE(line.CellRect(0).Overlaps(line.CellRect(1)));
}

}  // namespace
