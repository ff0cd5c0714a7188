#include "CDictionaryCache.h"
#include "DictionaryFixtures.h"
#include "GlyphFixtures.h"
#include "words/CDictionaryImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Loads list with the Latin alphabet through a cache of its own over folder, as a new
// process would: the tree comes from the image when there is one. True when the whole list
// was kept.
bool LoadThroughImages(const std::string& folder, CDictionary& dictionary, const std::string& list)
{
    CDictionaryCache cache(folder);
    return cache.Load(dictionary, list, 1).bComplete;
}

}  // namespace

TEST(CDictionaryCache, ImageOfAListStandsForItWhileTheListStaysAsItWas)
{
    fixtures::TempDir dir;
    const std::string folder = dir.File("images");
    const std::string list = dir.File("list.dic");
    // Enough words for an image of several runs of 64 nodes.
    std::string words = "cat\ncatalog\ndog\nzebra\n";
    for (char first : std::string("bcdefg"))
        for (char second = 'a'; second <= 'z'; ++second)
            words += std::string{first, second, '\n'};
    WriteFile(list, words);

    // The first load reads the text and leaves an image; the next one maps it.
    CDictionary read, mapped;
    ASSERT_TRUE(LoadThroughImages(folder, read, list));
    ASSERT_TRUE(LoadThroughImages(folder, mapped, list));
    EXPECT_EQ(Shape(mapped), Shape(read));
    EXPECT_EQ(mapped.NodeCount(), read.NodeCount());
    EXPECT_EQ(mapped.MaxWordLength(), read.MaxWordLength());
    EXPECT_EQ(mapped.LastLoad().nLines, 160u);
    EXPECT_EQ(mapped.LastLoad().nKept, 160u);
    EXPECT_TRUE(mapped.LastLoad().bComplete);
    const std::optional<WordListFile> file = WordListFileOf(list);
    ASSERT_TRUE(file);
    CDictionary latin;
    latin.SetAlphabet(1);
    const std::string image = CDictionaryCache(folder).ImagePath(*file, latin);
    ASSERT_TRUE(std::filesystem::exists(image));

    // A change to a mapped tree copies it first; the image and other trees stay.
    mapped.AddWord("cow ");
    EXPECT_TRUE(IsWord(mapped, "cow"));
    CDictionary again;
    ASSERT_TRUE(LoadThroughImages(folder, again, list));
    EXPECT_FALSE(IsWord(again, "cow"));

    // A damaged image is refused and made again: a child past the block, a cut file, a
    // changed alphabet.
    const auto damage = [&](auto change) {
        std::string bytes;
        {
            std::ifstream in(image, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), {});
        }
        change(bytes);
        WriteFile(image, bytes);
        CDictionary loaded;
        EXPECT_TRUE(LoadThroughImages(folder, loaded, list));
        EXPECT_EQ(Shape(loaded), Shape(read));
    };
    constexpr std::size_t kHeader = CDictionaryImage::kHeaderBytes;
    const auto setNode = [](std::string& bytes, std::size_t index, CDictNode node) {
        std::memcpy(bytes.data() + kHeader + index * sizeof node, &node, sizeof node);
    };
    const auto nodeCount = [](const std::string& bytes) { return (bytes.size() - kHeader) / sizeof(CDictNode); };
    // The root's first child far past the block.
    damage([&](std::string& bytes) {
        setNode(bytes, 0, CDictNode::Make(read.GetRoot()->ChildMask(), false, std::uint64_t{0x7F} << 22));
    });
    damage([](std::string& bytes) { bytes.resize(bytes.size() - 8); });
    damage([](std::string& bytes) { bytes[CDictionaryImage::kAlphabetAt] = 33; });
    damage([](std::string& bytes) { bytes.resize(100); });
    // Within a later run of nodes: a block that ends one past the last node, a slot past the
    // alphabet.
    damage([&](std::string& bytes) { setNode(bytes, 70, CDictNode::Make(0b11, false, nodeCount(bytes) - 1)); });
    damage([&](std::string& bytes) { setNode(bytes, 70, CDictNode::Make(std::uint64_t{1} << 30, false, 1)); });

    // A changed list is read again.
    WriteFile(list, "cat\ncow\n");
    CDictionary changed;
    ASSERT_TRUE(LoadThroughImages(folder, changed, list));
    EXPECT_TRUE(IsWord(changed, "cow"));
    EXPECT_FALSE(IsWord(changed, "dog"));

    // No folder, no image.
    const std::string other = dir.File("other.dic");
    WriteFile(other, "ant\n");
    CDictionary plain;
    ASSERT_TRUE(LoadThroughImages("", plain, other));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
}

TEST(CDictionaryCache, AListRewrittenWithItsSizeAndModificationTimeIsReadAgain)
{
    // A copy or an editor may put the modification time back; the change time still moves.
    fixtures::TempDir dir;
    const std::string folder = dir.File("images");
    const std::string list = dir.File("list.dic");
    WriteFile(list, "cat\n");
    struct stat before {};
    ASSERT_EQ(::stat(list.c_str(), &before), 0);
    CDictionaryCache cache(folder);
    CDictionary first;
    ASSERT_TRUE(cache.Load(first, list, 1).bComplete);
    ASSERT_TRUE(IsWord(first, "cat"));

    // The file's clock ticks coarsely: rewritten until its change time has moved.
    struct stat after {};
    for (int attempt = 0; attempt < 400; ++attempt) {
        WriteFile(list, "cow\n");
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, list.c_str(), times, 0), 0);
        ASSERT_EQ(::stat(list.c_str(), &after), 0);
        if (after.st_ctim.tv_sec != before.st_ctim.tv_sec || after.st_ctim.tv_nsec != before.st_ctim.tv_nsec)
            break;
        ::usleep(5000);
    }
    ASSERT_EQ(after.st_size, before.st_size);
    ASSERT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);

    // Neither the tree this process shares nor the image of the old text stands for it.
    CDictionary shared, mapped;
    cache.Load(shared, list, 1);
    EXPECT_TRUE(IsWord(shared, "cow"));
    EXPECT_FALSE(IsWord(shared, "cat"));
    ASSERT_TRUE(LoadThroughImages(folder, mapped, list));
    EXPECT_TRUE(IsWord(mapped, "cow"));
    EXPECT_TRUE(IsWord(first, "cat"));  // a dictionary keeps the tree it has
}

TEST(CDictionaryCache, MessagesTellAnUnreadableListFromAPartlyKeptOne)
{
    DictionaryLoadReport report;
    EXPECT_EQ(WordListMessage("w.dic", report), "Cannot read the word list w.dic.");
    report.bRead = true;
    report.nLines = 9;
    report.nKept = 4;
    EXPECT_EQ(WordListMessage("w.dic", report),
              "The word list w.dic is larger than the dictionary holds: only its first 4 of 9 words were kept.");
    report.bComplete = true;
    EXPECT_EQ(WordListMessage("w.dic", report), "");
}
