// "&Recognize (Simple)" on small hand-made fonts and pictures.
#include "RecognitionFixtures.h"

#include <gtest/gtest.h>

namespace {

using recfixtures::CTestDoc;

// A glyph of width x height whose first ink pixels, row after row, number ink.
CCharImage GlyphWithInk(int width, int height, int ink)
{
    CCharImage glyph = fixtures::MakeGlyph(width, height);
    for (int i = 0; i < ink; ++i)
        glyph.m_Bits[(i / width) * glyph.m_nBytesPerRow + (i % width) / 8] |= static_cast<std::uint8_t>(0x80 >> (i % width % 8));
    return glyph;
}

// A font of the codes first..last in which every glyph is blank except those given by code.
CCharImageFont FontOf(int width, int height, const std::vector<std::pair<int, CCharImage>>& glyphs,
                      int first = 32, int last = 127)
{
    CCharImageFont font = fixtures::MakeFont(first, last, [&](int) { return fixtures::MakeGlyph(width, height); });
    for (const auto& [code, glyph] : glyphs)
        font.m_Glyphs[code - first] = glyph;
    return font;
}

std::vector<std::pair<int, int>> VariantsOf(const CCharVariants& v)
{
    std::vector<std::pair<int, int>> out;
    for (int i = 0; i < v.m_nCount; ++i)
        out.emplace_back(v.m_Codes[i], v.m_Costs[i]);
    return out;
}

}  // namespace

TEST(SimpleRecognition, CleanPictureGivesEachGlyphAloneWithCostZero)
{
    // 16 x 6 cells; 'B' and 'b' have the same bits, so 'B' (the lower code) wins.
    const CCharImage a = fixtures::MakeNoiseGlyph(16, 6, 1);
    const CCharImage b = fixtures::MakeNoiseGlyph(16, 6, 2);
    CTestDoc t(FontOf(16, 6, {{'a', a}, {'B', b}, {'b', b}}));
    t.Draw("ab a", 2);
    t.doc.OnRecognizeSimple();

    EXPECT_EQ("aB a  ", t.doc.m_strResultText);
    ASSERT_EQ(6u, t.doc.m_pCharVariants.size());
    EXPECT_EQ((std::vector<std::pair<int, int>>{{'a', 0}}), VariantsOf(t.doc.m_pCharVariants[0]));
    EXPECT_EQ((std::vector<std::pair<int, int>>{{'B', 0}}), VariantsOf(t.doc.m_pCharVariants[1]));
    // A blank cell matches every blank glyph exactly: the space is the lowest of them.
    EXPECT_EQ((std::vector<std::pair<int, int>>{{' ', 0}}), VariantsOf(t.doc.m_pCharVariants[4]));
    EXPECT_EQ(1, t.doc.m_bResultChanged);
    EXPECT_EQ(1, t.doc.m_bResultPicture);
    EXPECT_EQ(1, t.view.updates);
    EXPECT_TRUE(t.sink.messages.empty());
    // The document keeps the last cell captured: blank, 16 x 6.
    EXPECT_EQ(16, t.doc.m_CellImage.Width());
    EXPECT_EQ(std::vector<std::uint8_t>(12, 0), t.doc.m_CellImage.m_Bits);
}

TEST(SimpleRecognition, CoefficientDecidesTheVariants)
{
    // On a blank cell a glyph costs its ink pixels. Best 10, worst 110, k = 0.2: 30 is in
    // (20 <= 20), 31 is out. The other glyphs cost 110; none is blank.
    CCharImageFont font = FontOf(16, 8, {}, 0, 40);
    for (CCharImage& glyph : font.m_Glyphs)
        glyph = GlyphWithInk(16, 8, 110);
    font.m_Glyphs[32] = GlyphWithInk(16, 8, 60);
    font.m_Glyphs[33] = GlyphWithInk(16, 8, 10);
    font.m_Glyphs[34] = GlyphWithInk(16, 8, 30);
    font.m_Glyphs[35] = GlyphWithInk(16, 8, 31);
    CTestDoc t(font);
    t.Draw("", 1);
    t.doc.OnRecognizeSimple();
    EXPECT_EQ("!", t.doc.m_strResultText);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{33, 10}, {34, 30}}), VariantsOf(t.doc.m_pCharVariants[0]));

    // k = 0 with best 7: exactly the glyphs that cost 7.
    font.m_Glyphs[33] = GlyphWithInk(16, 8, 7);
    font.m_Glyphs[36] = GlyphWithInk(16, 8, 7);
    CTestDoc zero(font);
    zero.Draw("", 1);
    zero.doc.m_dCoefficient = 0;
    zero.doc.OnRecognizeSimple();
    EXPECT_EQ((std::vector<std::pair<int, int>>{{33, 7}, {36, 7}}), VariantsOf(zero.doc.m_pCharVariants[0]));

    // k = 1: every glyph of the cell's size; a coefficient past 1 changes nothing more, one
    // below 0 leaves no variant at all.
    for (double k : {1.0, 3.0, -0.5}) {
        CTestDoc other(font);
        other.Draw("", 1);
        other.doc.m_dCoefficient = k;
        other.doc.OnRecognizeSimple();
        EXPECT_EQ(k >= 1 ? 41 : 0, other.doc.m_pCharVariants[0].m_nCount) << k;
    }
}

TEST(SimpleRecognition, CellWidthNotAMultipleOf8SeesTheNextGlyph)
{
    // 5 x 2 cells: the last byte of each row also reads 3 pixels of the next cell, where
    // 'x' has ink at its left edge, and compares them with the bits past the glyph's width.
    CCharImage x = fixtures::MakeGlyph(5, 2, {"#....", "#...."});
    CTestDoc t(FontOf(5, 2, {{'x', x}}));
    t.Draw(" x", 0);
    t.doc.OnRecognizeSimple();
    EXPECT_EQ(" x", t.doc.m_strResultText);
    EXPECT_EQ((std::vector<std::pair<int, int>>{{'x', 0}}), VariantsOf(t.doc.m_pCharVariants[1]));
    // The blank cell before 'x' is no exact match any more: every blank glyph costs 2.
    const CCharVariants& first = t.doc.m_pCharVariants[0];
    ASSERT_GT(first.m_nCount, 0);
    EXPECT_EQ(' ', first.m_Codes[0]);
    EXPECT_EQ(2, first.m_Costs[0]);
}

TEST(SimpleRecognition, NoGlyphBelowTheCellAreaKeepsThePreviousCharacter)
{
    // 8 x 1 cells, W x H = 8. Blank positions match the space; a full row matches nothing
    // below 8 because the font has no glyph with ink: the position before's character stays.
    const CCharImageFont font = FontOf(8, 1, {}, 1, 40);
    CTestDoc t(font);
    t.Draw("", 3);
    for (int x = 0; x < 8; ++x)
        t.doc.m_Picture.SetPixel(t.doc.TextOriginX() + 8 + x, t.doc.TextOriginY(), CRaster::kBlack);
    t.doc.OnRecognizeSimple();
    EXPECT_EQ("\x01\x01\x01", t.doc.m_strResultText);
    // There every glyph costs W x H: all of them are variants at that cost.
    EXPECT_EQ(40, t.doc.m_pCharVariants[1].m_nCount);
    EXPECT_EQ(8, t.doc.m_pCharVariants[1].m_Costs[0]);

    // At the first position the font's first code stands in.
    CTestDoc first(font);
    first.Draw("", 1);
    for (int x = 0; x < 8; ++x)
        first.doc.m_Picture.SetPixel(first.doc.TextOriginX() + x, first.doc.TextOriginY(), CRaster::kBlack);
    first.doc.OnRecognizeSimple();
    EXPECT_EQ("\x01", first.doc.m_strResultText);
}

TEST(SimpleRecognition, FontsWithoutAComparableGlyphStillGiveAResult)
{
    // No glyphs at all: nothing to compare, the first code everywhere, no variants.
    CCharImageFont empty;
    empty.m_nFirst = 65;
    empty.m_nLast = 90;
    CTestDoc none(empty);
    none.doc.m_nCells = 3;
    none.doc.OnRecognizeSimple();
    EXPECT_EQ("AAA", none.doc.m_strResultText);
    EXPECT_EQ(0, none.doc.m_pCharVariants[2].m_nCount);

    // Fewer than 33 glyphs: the cell is 0 x 0 and only the 0 x 0 glyphs compare, each at
    // cost 0; with no best glyph the first code stays, its own variant when it compares.
    CCharImageFont small = FontOf(4, 4, {{66, fixtures::MakeGlyph(0, 0)}}, 65, 70);
    CTestDoc zero(small);
    zero.doc.m_nCells = 2;
    zero.doc.OnRecognizeSimple();
    EXPECT_EQ("AA", zero.doc.m_strResultText);
    EXPECT_EQ(0, zero.doc.m_pCharVariants[0].m_nCount);
    small.m_Glyphs[0] = fixtures::MakeGlyph(0, 0);
    CTestDoc zeroFirst(small);
    zeroFirst.doc.m_nCells = 1;
    zeroFirst.doc.OnRecognizeSimple();
    EXPECT_EQ((std::vector<std::pair<int, int>>{{65, 0}}), VariantsOf(zeroFirst.doc.m_pCharVariants[0]));
}

TEST(SimpleRecognition, NoPositionsChangeNothing)
{
    CTestDoc t(FontOf(8, 4, {}));
    t.doc.m_strResultText = "earlier";
    t.doc.m_pCharVariants.resize(2);
    t.doc.OnRecognizeSimple();
    EXPECT_EQ("earlier", t.doc.m_strResultText);
    EXPECT_EQ(2u, t.doc.m_pCharVariants.size());
    EXPECT_EQ(0, t.doc.m_bResultChanged);
    EXPECT_EQ(0, t.view.updates);
}
