// The rule that reads one cell from its costs, as Simple recognition and the page reader use it.

#include "CellRule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

std::vector<int> Variants(const CellDecision& d, const std::vector<std::int32_t>& costs, double k)
{
    std::vector<int> out;
    CellVariants(d, costs.data(), static_cast<int>(costs.size()), k, out);
    return out;
}

TEST(CellRule, SimpleAndPageDifferOnlyWhereNamed)
{
    const std::vector<std::int32_t> costs = {7, 3, 9, 3, 12};
    const std::uint8_t rank[] = {0, 2, 0, 0, 1};  // glyph 1 a control code, glyph 3 printable
    const CellDecision simple = DecideCell(CellRule::Simple, costs.data(), 5, 20);
    EXPECT_EQ(simple.bestGlyph, 1);  // the lowest code among equals
    EXPECT_EQ(simple.best, 3);
    EXPECT_EQ(simple.worst, 12);
    const CellDecision page = DecideCell(CellRule::Page, costs.data(), 5, 20, rank);
    EXPECT_EQ(page.bestGlyph, 3);  // the printable one among equals
    std::vector<int> ties;
    CellTies(page, costs.data(), 5, ties);
    EXPECT_EQ(ties, (std::vector<int>{1, 3}));

    // Nothing below W x H: Simple has no best glyph, the page takes the least.
    const std::vector<std::int32_t> far = {20, 20};
    EXPECT_FALSE(DecideCell(CellRule::Simple, far.data(), 2, 20).Matched());
    EXPECT_EQ(DecideCell(CellRule::Simple, far.data(), 2, 20).best, 20);
    EXPECT_EQ(DecideCell(CellRule::Page, far.data(), 2, 20).bestGlyph, 0);
    EXPECT_FALSE(DecideCell(CellRule::Page, far.data(), 0, 20).Matched());
}

TEST(CellRule, VariantsWithinReach)
{
    // Best 10, worst 110: k = 0.2 reaches 30 but not 31; k = 0 keeps the ties only.
    const std::vector<std::int32_t> costs = {10, 30, 31, 110, 10};
    const CellDecision d = DecideCell(CellRule::Simple, costs.data(), 5, 1000);
    EXPECT_EQ(Variants(d, costs, 0.2), (std::vector<int>{0, 1, 4}));
    EXPECT_EQ(Variants(d, costs, 0.0), (std::vector<int>{0, 4}));
    EXPECT_EQ(Variants(d, costs, 1.0).size(), 5U);
    EXPECT_TRUE(Variants(d, costs, -0.5).empty());
    EXPECT_TRUE(Variants(d, costs, std::nan("")).empty());
    // An exact match keeps the best glyph alone.
    const std::vector<std::int32_t> exact = {4, 0, 0, 9};
    const CellDecision e = DecideCell(CellRule::Simple, exact.data(), 4, 1000);
    EXPECT_EQ(Variants(e, exact, 1.0), std::vector<int>{1});
}

}  // namespace
