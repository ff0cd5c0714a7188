#include "ByteStream.h"
#include "CDictionary.h"
#include "GlyphFixtures.h"
#include "words/CDictionaryImage.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> Bytes(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(ReadWholeFile(path, bytes)) << path;
    return bytes;
}

bool IsWord(const CDictionary& dictionary, std::string_view reading)
{
    const CDictNode* node = dictionary.GetRoot();
    for (char c : std::string(reading) + ' ')
        node = dictionary.GetChild(node, static_cast<std::uint8_t>(c));
    return node->IsWordEnd() == 1;
}

// The key of the golden image: a made-up file and the Latin alphabet.
DictionaryImageKey GoldenKey(const CDictionary& dictionary)
{
    DictionaryImageKey key;
    key.nDevice = 1;
    key.nInode = 2;
    key.nSize = 18;
    key.nModified = 3;
    key.nChanged = 4;
    dictionary.DescribeAlphabet(key);
    return key;
}

}  // namespace

TEST(CDictionaryImage, ThreeWordListGivesTheGoldenBytesAndBack)
{
    // cat, dog and ice cream: the 512-byte header, then 20 nodes depth after depth, the
    // children of a node side by side in slot order.
    const std::string golden = fixtures::SourcePath("tests/glyphs/data/three-words.tree");
    CDictionary dictionary;
    ASSERT_TRUE(dictionary.SetAlphabet(1));
    ASSERT_TRUE(dictionary.LoadWords(fixtures::SourcePath("tests/glyphs/data/three-words.dic")));
    fixtures::TempDir dir;
    ASSERT_TRUE(dictionary.SaveImage(dir.File("three.tree"), GoldenKey(dictionary)));
    EXPECT_EQ(Bytes(dir.File("three.tree")), Bytes(golden));

    CDictionary mapped;
    ASSERT_TRUE(mapped.SetAlphabet(1));
    ASSERT_TRUE(mapped.UseImage(CDictionaryImage::Map(golden, GoldenKey(mapped))));
    for (const char* word : {"cat", "dog", "ice cream", ""})
        EXPECT_TRUE(IsWord(mapped, word)) << word;
    EXPECT_FALSE(IsWord(mapped, "ice"));
    EXPECT_EQ(mapped.NodeCount(), 20u);
    EXPECT_EQ(mapped.LastLoad().nLines, 3u);
    EXPECT_EQ(mapped.LastLoad().nKept, 3u);

    // Another key, or a dictionary of another alphabet, does not take the image.
    DictionaryImageKey moved = GoldenKey(mapped);
    moved.nChanged = 5;
    EXPECT_EQ(CDictionaryImage::Map(golden, moved), nullptr);
    CDictionary cyrillic;
    ASSERT_TRUE(cyrillic.SetAlphabet(0));
    EXPECT_FALSE(cyrillic.UseImage(CDictionaryImage::Map(golden, GoldenKey(mapped))));
    EXPECT_EQ(cyrillic.NodeCount(), 1u);
}
