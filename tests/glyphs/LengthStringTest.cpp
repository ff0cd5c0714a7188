#include "LengthString.h"

#include <gtest/gtest.h>

using Bytes = std::vector<std::uint8_t>;

TEST(LengthString, WritesTheShortestFormAndReadsItBack)
{
    struct Case {
        std::size_t length;
        Bytes prefix;
    };
    const Case cases[] = {
        {0, {0}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {65533, {0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        std::string text(c.length, 'x');
        if (!text.empty())
            text.back() = '\xE9';
        CByteWriter writer;
        WriteLengthString(writer, text);
        const Bytes& bytes = writer.Bytes();
        ASSERT_EQ(bytes.size(), c.prefix.size() + c.length) << c.length;
        EXPECT_TRUE(std::equal(c.prefix.begin(), c.prefix.end(), bytes.begin())) << c.length;

        CByteReader reader(bytes);
        std::string back = "old";
        ASSERT_TRUE(ReadLengthString(reader, back)) << c.length;
        EXPECT_EQ(back, text);
        EXPECT_TRUE(reader.AtEnd());
    }
}

TEST(LengthString, ReadsTheUtf16FormIntoCodePage1251)
{
    // "Hé Жё€😀": the emoji lies outside the code page and becomes one '?'.
    const Bytes bytes = {0xFF, 0xFE, 0xFF, 9,    'H',  0,    0xE9, 0,    ' ',  0,    0x16, 0x04,
                         0x51, 0x04, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE, 0x41, 0x00};
    CByteReader reader(bytes);
    std::string text;
    ASSERT_TRUE(ReadLengthString(reader, text));
    EXPECT_EQ(text, "H? \xC6\xB8\x88?A");
    EXPECT_TRUE(reader.AtEnd());

    // The inner length may take the long forms too.
    const Bytes longForm = {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 'Z', 0};
    CByteReader longReader(longForm);
    ASSERT_TRUE(ReadLengthString(longReader, text));
    EXPECT_EQ(text, "Z");

    // A second UTF-16 marker is not a length.
    const Bytes nested = {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 1, 'Z', 0};
    CByteReader nestedReader(nested);
    EXPECT_FALSE(ReadLengthString(nestedReader, text));
}

TEST(LengthString, LengthsBeyondTheInputFailWithoutAllocating)
{
    const Bytes cases[] = {
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b'},              // 4 GiB - 1
        {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 0},  // 8 GiB of UTF-16
        {0xFF, 0xFE, 0xFF, 2, 'a', 0, 'b'},                               // 2 units in 3 bytes
        {5, 'a', 'b', 'c', 'd'},
        {0xFF, 0x01},  // ends inside the 16-bit length
    };
    for (const Bytes& bytes : cases) {
        CByteReader reader(bytes);
        std::string text = "unchanged";
        EXPECT_FALSE(ReadLengthString(reader, text));
        EXPECT_TRUE(reader.HitEndOfFile());
        EXPECT_EQ(text, "unchanged");
    }
}
