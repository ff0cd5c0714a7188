// The character error rate over UTF-8 code points and its two ways of counting white space.
#include "EditDistance.h"

#include <gtest/gtest.h>

TEST(CharacterErrorRate, CountsCodePointsNotBytes) {
    // One wrong letter of ten: a byte count would give 1 of 14.
    EXPECT_DOUBLE_EQ(CharacterErrorRate("ls -l файл", "ls -l фаил", WhitespaceRule::LayoutKept), 0.1);
    // A Latin o read for a Cyrillic о is an error, though they look alike.
    EXPECT_DOUBLE_EQ(CharacterErrorRate("слово", "слoво", WhitespaceRule::RunsAsOne), 0.2);
    EXPECT_EQ(CodePoints("aё€𝄞"), std::u32string(U"aё€𝄞"));
}

TEST(CharacterErrorRate, WhitespaceRules) {
    const char* truth = "  total 24\n  drwxr-xr-x 2 anna";
    const char* read = "total 24 drwxr-xr-x  2 anna\n";
    // The indentation and the line break lost but for one space between the lines, and a space added.
    EXPECT_DOUBLE_EQ(CharacterErrorRate(truth, read, WhitespaceRule::LayoutKept), 5.0 / 30.0);
    EXPECT_DOUBLE_EQ(CharacterErrorRate(truth, read, WhitespaceRule::RunsAsOne), 0.0);
    // Blanks ending a line, blank lines and a form feed ending the text do not count in either rule.
    EXPECT_DOUBLE_EQ(CharacterErrorRate("ab\ncd", "ab   \ncd\t\n\n\f", WhitespaceRule::LayoutKept), 0.0);
    // Blank lines inside the text do.
    EXPECT_DOUBLE_EQ(CharacterErrorRate("ab\n\ncd", "ab\ncd", WhitespaceRule::LayoutKept), 1.0 / 6.0);
}

TEST(CharacterErrorRate, EmptyTextsAndInvalidBytes) {
    EXPECT_DOUBLE_EQ(CharacterErrorRate("", "", WhitespaceRule::LayoutKept), 0.0);
    EXPECT_DOUBLE_EQ(CharacterErrorRate(" \n", "x", WhitespaceRule::RunsAsOne), 1.0);
    EXPECT_DOUBLE_EQ(CharacterErrorRate("abc", "", WhitespaceRule::LayoutKept), 1.0);
    // A stray byte, a cut sequence, an overlong form and a surrogate are one character each.
    EXPECT_EQ(CodePoints("a\xff" "b\xd0"), std::u32string(U"a\uFFFDb\uFFFD"));
    EXPECT_EQ(CodePoints("\xc0\xaf\xed\xa0\x80").size(), 5u);
    EXPECT_DOUBLE_EQ(CharacterErrorRate("ab", "a\xff", WhitespaceRule::LayoutKept), 0.5);
}
