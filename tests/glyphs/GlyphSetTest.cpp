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

TEST(GlyphSet, ToFontKeepsTheGlyphsUnderTheirCodePageCodes)
{
    GlyphSet set;
    set.Reset(6, 3, 1, 2);
    set.Add(U'Ж', GlyphFace::Regular, {0x84, 0x48, 0x30});
    set.Add(U'a', GlyphFace::Regular, {0xFC, 0x00, 0xFC});
    std::string reason;
    const std::optional<CCharImageFont> font = GlyphSetToFont(set, &reason);
    ASSERT_TRUE(font.has_value()) << reason;
    EXPECT_EQ(font->First(), 0);
    EXPECT_EQ(font->Last(), 0xC6);  // Ж
    EXPECT_EQ(font->CellWidth(), 6);
    EXPECT_EQ(font->CellHeight(), 3);
    EXPECT_EQ(font->GetCharImage(0x41)->m_nWidth, 0);  // a code the set lacks: an empty record
    EXPECT_EQ(font->GetCharImage(32)->m_Bits, std::vector<std::uint8_t>(3, 0));  // the blank cell that sizes the font

    // Back through GlyphSetFromFont: the same glyphs, with the space that sized the font.
    const GlyphSet back = GlyphSetFromFont(*font);
    ASSERT_EQ(back.Glyphs(), 3);
    for (char32_t code : {U'Ж', U'a'})
        EXPECT_EQ(std::vector<std::uint8_t>(back.Image(0, back.Find(code)), back.Image(0, back.Find(code)) + 3),
                  std::vector<std::uint8_t>(set.Image(0, set.Find(code)), set.Image(0, set.Find(code)) + 3));
    EXPECT_GE(back.Find(U' '), 0);
}

TEST(GlyphSet, ToFontRefusesWhatGlfCannotHold)
{
    GlyphSet set;
    set.Reset(4, 2, 1, 1);
    set.Add(U'a', GlyphFace::Regular, {0x80, 0x40});
    std::string reason;
    EXPECT_TRUE(GlyphSetToFont(set, &reason).has_value());

    GlyphSet arrows = set;
    arrows.Add(U'→', GlyphFace::Regular, {0x80, 0x40});
    EXPECT_FALSE(GlyphSetToFont(arrows, &reason).has_value());
    EXPECT_EQ(reason, "U+2192 is not in Windows-1251");

    GlyphSet bold = set;
    bold.Add(U'b', GlyphFace::Bold, {0x80, 0x40});
    EXPECT_FALSE(GlyphSetToFont(bold, &reason).has_value());

    GlyphSet phased;
    phased.Reset(4, 2, 4, 1);
    phased.Add(U'a', GlyphFace::Regular, std::vector<std::uint8_t>(8, 0x80));
    EXPECT_FALSE(GlyphSetToFont(phased, &reason).has_value());

    GlyphSet wide;
    wide.Reset(256, 2, 1, 1);
    wide.Add(U'a', GlyphFace::Regular, {});
    EXPECT_FALSE(GlyphSetToFont(wide, &reason).has_value());
    EXPECT_FALSE(GlyphSetToFont(GlyphSet{}, &reason).has_value());
}
