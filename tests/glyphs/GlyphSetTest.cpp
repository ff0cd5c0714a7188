#include "GlyphSet.h"

#include "CodePage1251.h"
#include "GlyphFixtures.h"

#include <gtest/gtest.h>

using namespace fixtures;

TEST(GlyphSet, AddKeepsEveryPhaseOfEveryGlyphAndClearsBitsPastTheWidth)
{
    GlyphSet set;
    set.Reset(5, 2, 3, 1);  // 1 byte a row, 2 bytes an image
    set.Add(U'a', GlyphFace::Regular, {0xFF, 0x01, 0x10, 0x20, 0x30, 0x40});
    set.Add(U'b', GlyphFace::Bold, {0x88, 0x90, 0xA0, 0xB0, 0xC0, 0xD0});
    ASSERT_TRUE(set.Consistent());
    EXPECT_EQ(set.Image(0, 0)[0], 0xF8);  // the three bits past a width of 5 are cleared
    EXPECT_EQ(set.Image(0, 0)[1], 0x00);
    EXPECT_EQ(set.Image(1, 0)[0], 0x10);
    EXPECT_EQ(set.Image(2, 0)[1], 0x40);
    EXPECT_EQ(set.Image(0, 1)[0], 0x88);
    EXPECT_EQ(set.Image(1, 1)[1], 0xB0);
    EXPECT_EQ(set.Image(2, 1)[0], 0xC0);
    EXPECT_EQ(set.Find(U'b', GlyphFace::Bold), 1);
    EXPECT_EQ(set.Find(U'b'), -1);
    EXPECT_TRUE(set.Ink(0, 1, 0, 0));
    EXPECT_FALSE(set.Ink(0, 1, 1, 0));
    EXPECT_FALSE(set.Ink(0, 1, 5, 0));  // outside the cell

    set.Add(U'a', GlyphFace::Regular, {});
    EXPECT_FALSE(set.Consistent());  // one code twice in one face
}

TEST(GlyphSet, CodeClassesKeepControlsOutOfText)
{
    EXPECT_EQ(ClassOfCode(0), CodeClass::Control);
    EXPECT_EQ(ClassOfCode(U'\t'), CodeClass::Control);
    EXPECT_EQ(ClassOfCode(0x7F), CodeClass::Control);
    EXPECT_EQ(ClassOfCode(0x85), CodeClass::Control);
    EXPECT_EQ(ClassOfCode(0xFFFD), CodeClass::Control);
    EXPECT_EQ(ClassOfCode(U' '), CodeClass::Space);
    EXPECT_EQ(ClassOfCode(0xA0), CodeClass::Space);
    EXPECT_EQ(ClassOfCode(U'~'), CodeClass::Printable);
    EXPECT_EQ(ClassOfCode(U'Ж'), CodeClass::Printable);
    EXPECT_EQ(ClassOfCode(U'─'), CodeClass::Printable);
}

TEST(GlyphSet, FromFontTakesTheCellSizeAndMapsCodesToUnicode)
{
    // 33 glyphs of 6 x 3 from code 0xC0 ('А'), but for one of another size.
    const CCharImageFont font = MakeFont(0xC0 - 32, 0xC0 + 4, [](int code) {
        if (code == 0xC1)
            return MakeGlyph(7, 3);
        return MakeGlyph(6, 3, {code == 0xC0 ? "#....#" : "......", "......", "......"});
    });
    const GlyphSet set = GlyphSetFromFont(font);
    ASSERT_TRUE(set.Consistent());
    EXPECT_EQ(set.cellWidth, 6);
    EXPECT_EQ(set.cellHeight, 3);
    EXPECT_EQ(set.Glyphs(), 36);
    EXPECT_EQ(set.Find(Cp1251ToUnicode(0xC1)), -1);
    const int a = set.Find(U'А');
    ASSERT_GE(a, 0);
    EXPECT_TRUE(set.Ink(0, a, 0, 0));
    EXPECT_TRUE(set.Ink(0, a, 5, 0));
    EXPECT_FALSE(set.Ink(0, a, 1, 0));

    EXPECT_TRUE(GlyphSetFromFont(CCharImageFont{}).Empty());
}
