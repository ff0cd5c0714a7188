#include "CBitImage.h"

#include <gtest/gtest.h>

using Bytes = std::vector<std::uint8_t>;

TEST(CBitImage, SetSize)
{
    CBitImage image;
    EXPECT_TRUE(image.SetSize(2, 9));
    EXPECT_EQ(image.BytesPerRow(), 2);
    EXPECT_EQ(image.m_Bits.size(), 4u);
    image.Bits()[3] = 0x5A;

    EXPECT_FALSE(image.SetSize(-1, 5));
    EXPECT_FALSE(image.SetSize(5, -1));
    EXPECT_EQ(image.Height(), 2);
    EXPECT_EQ(image.Width(), 9);
    EXPECT_EQ(image.Bits()[3], 0x5A);

    EXPECT_FALSE(image.SetSize(0, 10));
    EXPECT_EQ(image.Width(), 10);
    EXPECT_EQ(image.BytesPerRow(), 2);
    EXPECT_FALSE(image.HasBits());
    EXPECT_FALSE(image.SetSize(10, 0));
    EXPECT_EQ(image.Height(), 10);
    EXPECT_EQ(image.BytesPerRow(), 0);
    EXPECT_FALSE(image.HasBits());

    // Bytes per row of the largest width does not overflow.
    EXPECT_FALSE(image.SetSize(0, INT32_MAX));
    EXPECT_EQ(image.BytesPerRow(), 268435456);
}

TEST(CBitImage, BlocksRoundTrip)
{
    const Bytes block = {20, 0, 0, 0, 2, 0, 0, 0, 1, 2, 3, 4, 5, 6};
    CBitImage image;
    CByteReader reader(block);
    ASSERT_TRUE(image.ReadBlock(reader));
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_EQ(image.Width(), 20);
    EXPECT_EQ(image.Height(), 2);
    EXPECT_EQ(image.BytesPerRow(), 3);
    CByteWriter writer;
    image.WriteBlock(writer);
    EXPECT_EQ(writer.Bytes(), block);

    const Bytes noWidth = {0, 0, 0, 0, 7, 0, 0, 0};
    CBitImage empty;
    CByteReader emptyReader(noWidth);
    EXPECT_TRUE(empty.ReadBlock(emptyReader));
    EXPECT_EQ(empty.Height(), 7);
    EXPECT_FALSE(empty.HasBits());
    CByteWriter emptyWriter;
    empty.WriteBlock(emptyWriter);
    EXPECT_EQ(emptyWriter.Bytes(), noWidth);
}

TEST(CBitImage, BadBlocksAreRefused)
{
    // Negative sizes: refused, image left empty, not an end-of-file.
    for (const Bytes& block : {Bytes{0xFF, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0}, Bytes{8, 0, 0, 0, 0, 0, 0, 0x80}}) {
        CBitImage image;
        CByteReader reader(block);
        EXPECT_FALSE(image.ReadBlock(reader));
        EXPECT_FALSE(reader.HitEndOfFile());
        EXPECT_EQ(image.Width(), 0);
        EXPECT_EQ(image.Height(), 0);
    }

    // Bits shorter than announced, up to 2^31 x 2^28 bytes: refused without allocating them;
    // the image keeps the size it read.
    for (const Bytes& block : {Bytes{20, 0, 0, 0, 2, 0, 0, 0, 1, 2, 3, 4, 5},
                               Bytes{0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2}}) {
        CBitImage image;
        CByteReader reader(block);
        EXPECT_FALSE(image.ReadBlock(reader));
        EXPECT_FALSE(reader.HitEndOfFile());
        EXPECT_FALSE(image.HasBits());
        EXPECT_GT(image.Width(), 0);
    }

    // Ending inside the width or height is the stream's end-of-file.
    const Bytes cut = {20, 0, 0, 0, 2, 0};
    CBitImage image;
    CByteReader reader(cut);
    EXPECT_FALSE(image.ReadBlock(reader));
    EXPECT_TRUE(reader.HitEndOfFile());
}
