// The alphabet of a word list, told from its letters.
#include "WordListLetters.h"

#include "GlyphFixtures.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

using namespace fixtures;

TEST(WordListLetters, OneAlphabetWhenNineLettersInTenAreItsOwn)
{
    EXPECT_EQ(LettersOf("aardvark\nabacus\n"), WordListLetters::Latin);
    EXPECT_EQ(LettersOf("\xEC\xE8\xF0\n\xA8\xEB\xEA\xE0\n"), WordListLetters::Cyrillic);  // мир, Ёлка
    // A Russian list with a Latin abbreviation is still Russian; half and half is both.
    EXPECT_EQ(LettersOf(std::string(20, '\xE0') + "\nok\n"), WordListLetters::Cyrillic);
    EXPECT_EQ(LettersOf("mir\n\xEC\xE8\xF0\n"), WordListLetters::Both);
    EXPECT_EQ(LettersOf("\n123\n-\n"), WordListLetters::None);
    EXPECT_EQ(LettersOf(""), WordListLetters::None);
}

TEST(WordListLetters, AFileIsReadUpToItsBoundAndAMissingOneHasNoLetters)
{
    TempDir dir;
    const std::string path = (dir.Path() / "list.dic").string();
    std::ofstream(path, std::ios::binary) << "word\n" << std::string(4, '\xE0');
    EXPECT_EQ(ReadWordListLetters(path), WordListLetters::Both);
    EXPECT_EQ(ReadWordListLetters(path, 5), WordListLetters::Latin);
    EXPECT_EQ(ReadWordListLetters((dir.Path() / "none.dic").string()), WordListLetters::None);
}

TEST(WordListLetters, AFontHasCyrillicGlyphsWhenItsCodesReachIntoTheLetters)
{
    EXPECT_FALSE(HasCyrillicGlyphs(MakeNoiseFont(32, 127, 4, 6)));
    EXPECT_TRUE(HasCyrillicGlyphs(MakeNoiseFont(32, 255, 4, 6)));
    EXPECT_TRUE(HasCyrillicGlyphs(MakeNoiseFont(0xF0, 0xF0, 4, 6)));
    EXPECT_FALSE(HasCyrillicGlyphs(CCharImageFont()));
}
