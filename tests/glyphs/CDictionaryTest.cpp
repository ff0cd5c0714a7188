#include "CDictionary.h"
#include "DictionaryFixtures.h"
#include "GlyphFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

CDictionary& Latin(CDictionary& dictionary, std::string_view text)
{
    EXPECT_TRUE(dictionary.SetAlphabet(1));
    dictionary.LoadWordsFromText(text);
    return dictionary;
}

}  // namespace

TEST(CDictionary, NewAndAlphabets)
{
    CDictionary dictionary;
    EXPECT_EQ(dictionary.GetRoot(), nullptr);
    EXPECT_FALSE(dictionary.AddWord("cat "));
    EXPECT_FALSE(dictionary.SetAlphabet(2));
    EXPECT_EQ(dictionary.GetRoot(), nullptr);

    ASSERT_TRUE(dictionary.SetAlphabet(1));
    EXPECT_EQ(dictionary.AlphabetSize(), 27);
    EXPECT_EQ(dictionary.Slot(' '), 1);
    EXPECT_EQ(dictionary.Slot('b'), 2);
    EXPECT_EQ(dictionary.Slot('z'), 26);
    for (int code : {int{'a'}, int{'{'}, int{'A'}, int{'0'}, 0, 255})
        EXPECT_EQ(dictionary.Slot(static_cast<std::uint8_t>(code)), 0) << code;

    // A refused value keeps the alphabet but starts an empty tree, as a known one does.
    dictionary.AddWord("cat ");
    EXPECT_FALSE(dictionary.SetAlphabet(-1));
    EXPECT_FALSE(IsWord(dictionary, "cat"));
    ASSERT_NE(dictionary.GetRoot(), nullptr);
    EXPECT_EQ(dictionary.AlphabetSize(), 27);
    EXPECT_EQ(dictionary.Slot('b'), 2);

    ASSERT_TRUE(dictionary.SetAlphabet(0));
    EXPECT_EQ(dictionary.AlphabetSize(), 33);
    EXPECT_FALSE(IsWord(dictionary, "cat"));
    EXPECT_EQ(dictionary.Slot(224), 0);
    EXPECT_EQ(dictionary.Slot(255), 31);
    EXPECT_EQ(dictionary.Slot(184), 32);
    EXPECT_EQ(dictionary.Slot('z'), 26);  // left from the Latin alphabet

    // Back to Latin: Cyrillic slots past 26 must not index past the 27-slot tables.
    ASSERT_TRUE(dictionary.SetAlphabet(1));
    for (int code = 0; code < 256; ++code)
        EXPECT_LT(dictionary.Slot(static_cast<std::uint8_t>(code)), 27) << code;
    dictionary.AddWord("\xFF\xB8 ");
    EXPECT_EQ(Follow(dictionary, "\xFF\xB8 ")->IsWordEnd(), 1);
}

TEST(CDictionary, CatAndDogFollowTheirSlotPaths)
{
    CDictionary dictionary;
    Latin(dictionary, "cat\ndog\n");
    const CDictNode* root = dictionary.GetRoot();
    const CDictNode* dead = dictionary.DeadEnd();

    const auto slotPath = [&](std::initializer_list<int> slots) {
        const CDictNode* node = root;
        for (int slot : slots)
            node = dictionary.ChildInSlot(node, slot);
        return node;
    };
    const CDictNode* cat = slotPath({3, 0, 20, 1});
    const CDictNode* dog = slotPath({4, 15, 7, 1});
    EXPECT_EQ(cat, Follow(dictionary, "cat "));
    EXPECT_EQ(cat->IsWordEnd(), 1);
    EXPECT_EQ(dog->IsWordEnd(), 1);
    EXPECT_EQ(Follow(dictionary, "cat")->IsWordEnd(), 0);
    EXPECT_EQ(Follow(dictionary, "cax"), dead);
    EXPECT_EQ(root->IsWordEnd(), 0);

    // 'a', 'A', '1' and every other unlisted code share slot 0.
    EXPECT_TRUE(IsWord(dictionary, "cAt"));
    EXPECT_TRUE(IsWord(dictionary, "c1t"));
    EXPECT_TRUE(IsWord(dictionary, "c{t"));
    EXPECT_EQ(Follow(dictionary, "Cat "), dead);
    EXPECT_EQ(Follow(dictionary, "d1g "), dead);

    // The dead end leads only to itself and ends no word.
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(dictionary.GetChild(dead, static_cast<std::uint8_t>(code)), dead);
    EXPECT_EQ(dead->IsWordEnd(), 0);
    EXPECT_EQ(Follow(dictionary, "zzzzzzzzzz cat "), dead);

    // Every child is a node, never null.
    EXPECT_EQ(dictionary.NodeCount(), 1u + 4 + 4 + 1);  // root, c-a-t-space, d-o-g-space, the lone space
    for (const CDictNode* node : {root, cat, dog, Follow(dictionary, "ca")}) {
        for (int slot = 0; slot < dictionary.AlphabetSize(); ++slot)
            EXPECT_NE(dictionary.ChildInSlot(node, slot), nullptr);
    }
    EXPECT_EQ(dictionary.MaxWordLength(), 4);
}

TEST(CDictionary, LinesAreTrimmedAndLineEndsAgree)
{
    CDictionary lf, crlf, padded;
    Latin(lf, "cat\nice cream\ndog");
    Latin(crlf, "cat\r\nice cream\r\ndog\r\n");
    Latin(padded, "   cat   \n ice cream \r\n\tdog");
    for (const CDictionary* dictionary : {&lf, &crlf, &padded}) {
        EXPECT_TRUE(IsWord(*dictionary, "cat"));
        EXPECT_TRUE(IsWord(*dictionary, "ice cream"));
        EXPECT_FALSE(IsWord(*dictionary, "ice"));
        EXPECT_TRUE(IsWord(*dictionary, ""));  // the one-space entry
        EXPECT_FALSE(IsWord(*dictionary, "cat "));
    }
    EXPECT_TRUE(IsWord(lf, "dog"));
    EXPECT_TRUE(IsWord(crlf, "dog"));
    EXPECT_EQ(lf.NodeCount(), crlf.NodeCount());
    // A tab is no space: it stays, in the shared slot 0.
    EXPECT_FALSE(IsWord(padded, "dog"));
    EXPECT_TRUE(IsWord(padded, "\tdog"));

    // A CR that does not end a line is a character.
    CDictionary inner;
    Latin(inner, "c\rt\nend\r");
    EXPECT_TRUE(IsWord(inner, "c\rt"));
    EXPECT_TRUE(IsWord(inner, "end\r"));
    EXPECT_FALSE(IsWord(inner, "end"));
}

TEST(CDictionary, EmptyAndMissingFiles)
{
    fixtures::TempDir dir;
    const std::string empty = dir.File("empty.dic");
    WriteFile(empty, "");
    CDictionary loaded;
    ASSERT_TRUE(loaded.SetAlphabet(1));
    EXPECT_TRUE(loaded.LoadWords(empty));
    EXPECT_TRUE(IsWord(loaded, ""));
    EXPECT_EQ(loaded.NodeCount(), 2u);  // the root and the space

    CDictionary missing;
    ASSERT_TRUE(missing.SetAlphabet(1));
    EXPECT_FALSE(missing.LoadWords(dir.File("none.dic")));
    EXPECT_FALSE(missing.LoadWords(dir.Path().string()));
    EXPECT_FALSE(IsWord(missing, ""));
    EXPECT_EQ(Follow(missing, " "), missing.DeadEnd());

    // Before an alphabet there is no tree to load into.
    const std::string words = dir.File("words.dic");
    WriteFile(words, "cat\n");
    CDictionary noAlphabet;
    EXPECT_FALSE(noAlphabet.LoadWords(words));
    noAlphabet.LoadWordsFromText("cat\n");
    EXPECT_EQ(noAlphabet.GetRoot(), nullptr);

    // LoadWords adds to what the tree holds.
    EXPECT_TRUE(loaded.LoadWords(words));
    EXPECT_TRUE(IsWord(loaded, "cat"));
}

TEST(CDictionary, LinesLongerThan998CharactersAreCut)
{
    const std::string exact(998, 'b');
    const std::string longer = std::string(998, 'c') + "dd";
    CDictionary dictionary;
    Latin(dictionary, "   " + exact + "\n" + longer + "\n" + std::string(997, 'e') + "  x");
    EXPECT_TRUE(IsWord(dictionary, exact));
    EXPECT_TRUE(IsWord(dictionary, longer.substr(0, 998)));
    EXPECT_EQ(Follow(dictionary, longer), dictionary.DeadEnd());
    // Cut within trailing content: the spaces before the cut are then trimmed.
    EXPECT_TRUE(IsWord(dictionary, std::string(997, 'e')));
    EXPECT_EQ(dictionary.MaxWordLength(), 999);

    // AddWord takes any length as it stands.
    dictionary.AddWord(std::string(5000, 'f'));
    EXPECT_EQ(dictionary.MaxWordLength(), 5000);
}

TEST(CDictionary, AddWordMarksExactEntries)
{
    CDictionary dictionary;
    ASSERT_TRUE(dictionary.SetAlphabet(1));
    EXPECT_TRUE(dictionary.AddWord(""));
    EXPECT_EQ(dictionary.GetRoot()->IsWordEnd(), 1);
    EXPECT_TRUE(dictionary.AddWord("ab"));
    const std::size_t nodes = dictionary.NodeCount();
    EXPECT_TRUE(dictionary.AddWord("ab"));
    EXPECT_EQ(dictionary.NodeCount(), nodes);
    EXPECT_EQ(Follow(dictionary, "ab")->IsWordEnd(), 1);
    EXPECT_EQ(Follow(dictionary, "a")->IsWordEnd(), 0);
    // Extending a former leaf keeps it a word end.
    EXPECT_TRUE(dictionary.AddWord("abc"));
    EXPECT_EQ(Follow(dictionary, "ab")->IsWordEnd(), 1);
    EXPECT_EQ(Follow(dictionary, "abc")->IsWordEnd(), 1);
    EXPECT_EQ(Follow(dictionary, "abb"), dictionary.DeadEnd());
}

TEST(CDictionary, ShippedWordList)
{
    CDictionary dictionary;
    ASSERT_TRUE(dictionary.SetAlphabet(1));
    ASSERT_TRUE(dictionary.LoadWords(fixtures::SourcePath("data/dict.dic")));
    for (const char* word : {"cat", "dog", "the", "recognition", "zoo"})
        EXPECT_TRUE(IsWord(dictionary, word)) << word;
    EXPECT_FALSE(IsWord(dictionary, "xqzv"));
    EXPECT_GT(dictionary.NodeCount(), 10000u);
    EXPECT_GT(dictionary.MaxWordLength(), 10);
    EXPECT_LT(dictionary.MaxWordLength(), 40);
}

#if defined(__SANITIZE_ADDRESS__)
#define RECOGNIZE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RECOGNIZE_ASAN 1
#endif
#endif

TEST(CDictionary, AllocationFailureLeavesTheTreeAsItWas)
{
#ifdef RECOGNIZE_ASAN
    GTEST_SKIP() << "AddressSanitizer aborts on impossible allocations";
#else
    CDictionary dictionary;
    Latin(dictionary, "cat\n");
    const std::size_t nodes = dictionary.NodeCount();
    // An entry whose branch would need petabytes: only its first character is looked at
    // before the memory for the whole branch is asked for, and that fails.
    const char text[] = "x";
    for (std::size_t length : {std::size_t{1} << 45, SIZE_MAX / 8}) {
        EXPECT_THROW(dictionary.AddWord(std::string_view(text, length)), std::bad_alloc);
        EXPECT_EQ(dictionary.NodeCount(), nodes);
        EXPECT_EQ(Follow(dictionary, "x"), dictionary.DeadEnd());
        EXPECT_TRUE(IsWord(dictionary, "cat"));
        EXPECT_EQ(dictionary.MaxWordLength(), 4);
    }
    EXPECT_TRUE(dictionary.AddWord("xy "));
    EXPECT_TRUE(IsWord(dictionary, "xy"));
#endif
}

namespace {

// The slot string of an entry: what the dictionary tells prefixes apart by.
std::string SlotsOf(const CDictionary& dictionary, std::string_view text)
{
    std::string slots;
    for (char c : text)
        slots += static_cast<char>(dictionary.Slot(static_cast<std::uint8_t>(c)));
    return slots;
}

}  // namespace

TEST(CDictionary, OneNodePerSlotPrefixWhateverTheOrderOfTheWords)
{
    // Random lists, sorted, grouped or shuffled, loaded and then extended by AddWord, against
    // a plain set of slot prefixes: the same prefix reaches the same node, different prefixes
    // different nodes, and a node ends a word exactly when an entry has its slot string.
    std::mt19937 random(7);
    const std::string letters[2] = {"abcz A1 ", std::string("\xE0\xE1\xFF\xB8 x", 6)};
    for (int round = 0; round < 60; ++round) {
        const int alphabet = round % 2;
        const std::string& pool = letters[1 - alphabet];
        std::vector<std::string> lines;
        for (int i = std::uniform_int_distribution<int>(0, 40)(random); i > 0; --i) {
            std::string line;
            for (int j = std::uniform_int_distribution<int>(0, round % 5 == 0 ? 20 : 6)(random); j > 0; --j)
                line += pool[std::uniform_int_distribution<std::size_t>(0, pool.size() - 1)(random)];
            lines.push_back(line);
        }
        if (round % 3 == 0)
            std::sort(lines.begin(), lines.end());
        std::string text;
        for (const std::string& line : lines)
            text += line + (round % 4 == 0 ? "\r\n" : "\n");

        CDictionary dictionary;
        ASSERT_TRUE(dictionary.SetAlphabet(alphabet));
        ASSERT_TRUE(dictionary.LoadWordsFromText(text));
        std::set<std::string> words{SlotsOf(dictionary, " ")};
        for (std::string line : lines) {
            const std::size_t first = line.find_first_not_of(' ');
            line.erase(0, first == std::string::npos ? line.size() : first);
            line.erase(line.find_last_not_of(' ') + 1);
            words.insert(SlotsOf(dictionary, line + ' '));
        }
        // The last rounds add enough words one by one that the moved child blocks are dropped.
        std::vector<std::string> added;
        for (int i = 0; i < (round < 58 ? 5 : 3000); ++i) {
            std::string word;
            for (int j = std::uniform_int_distribution<int>(1, 8)(random); j > 0; --j)
                word += pool[std::uniform_int_distribution<std::size_t>(0, pool.size() - 1)(random)];
            dictionary.AddWord(word);
            words.insert(SlotsOf(dictionary, word));
            added.push_back(word);
        }

        std::set<std::string> prefixes{""};
        for (const std::string& word : words)
            for (std::size_t n = 1; n <= word.size(); ++n)
                prefixes.insert(word.substr(0, n));
        EXPECT_EQ(dictionary.NodeCount(), prefixes.size());
        std::map<const CDictNode*, std::string> seen;
        for (const std::string& prefix : prefixes) {
            const CDictNode* node = dictionary.GetRoot();
            for (char slot : prefix)
                node = dictionary.ChildInSlot(node, slot);
            ASSERT_NE(node, dictionary.DeadEnd()) << round;
            const auto [it, fresh] = seen.emplace(node, prefix);
            EXPECT_TRUE(fresh) << "two prefixes share a node, round " << round;
            EXPECT_EQ(node->IsWordEnd(), words.count(prefix) ? 1 : 0) << round;
            // One slot past every prefix of no entry is the dead end.
            for (int slot = 0; slot < dictionary.AlphabetSize(); ++slot) {
                if (!prefixes.count(prefix + static_cast<char>(slot))) {
                    EXPECT_EQ(dictionary.ChildInSlot(node, slot), dictionary.DeadEnd());
                }
            }
        }
        for (const std::string& word : added)
            EXPECT_EQ(Follow(dictionary, word)->IsWordEnd(), 1);
    }
}

TEST(CDictionary, SharedTreesAreCopiedBeforeAChange)
{
    CDictionary first;
    Latin(first, "cat\n");
    CDictionary second;
    second.ShareTree(first);
    EXPECT_EQ(second.GetRoot(), first.GetRoot());
    EXPECT_EQ(first.TreeUseCount(), 2);
    second.AddWord("dog ");
    EXPECT_TRUE(IsWord(second, "dog"));
    EXPECT_FALSE(IsWord(first, "dog"));
    EXPECT_TRUE(IsWord(first, "cat"));
    EXPECT_EQ(first.TreeUseCount(), 1);
    // Loading into a tree that holds words adds to them.
    EXPECT_TRUE(second.LoadWordsFromText("bird\n"));
    EXPECT_TRUE(IsWord(second, "cat") && IsWord(second, "dog") && IsWord(second, "bird"));
    EXPECT_EQ(second.LastLoad().nLines, 1u);
    EXPECT_EQ(second.LastLoad().nKept, 1u);
    second.Clear();
    EXPECT_EQ(second.GetRoot(), nullptr);
    EXPECT_EQ(second.AlphabetSize(), 0);
}

TEST(CDictionary, FilesReadWholeOrInPiecesGiveTheTreeOfTheText)
{
    // A regular file is read whole and a sorted one laid out straight from its text; a pipe
    // is read in pieces into entries. Both must give the tree and report of the same text
    // in memory, lines of every kind included.
    fixtures::TempDir dir;
    std::mt19937 random(11);
    const std::string pool = "abcdz A\r";
    for (int round = 0; round < 8; ++round) {
        std::vector<std::string> lines;
        for (int i = 0; i < 400; ++i) {
            std::string line;
            const int length = std::uniform_int_distribution<int>(0, i % 50 == 0 ? 1200 : 24)(random);
            for (int j = 0; j < length; ++j)
                line += pool[std::uniform_int_distribution<std::size_t>(0, pool.size() - 1)(random)];
            lines.push_back(line);
        }
        if (round % 2 == 0)
            std::sort(lines.begin(), lines.end());
        std::string text;
        for (const std::string& line : lines)
            text += line + (round % 3 == 0 ? "\r\n" : "\n");
        if (round % 4 == 1)
            text += "  unended\r";

        CDictionary memory;
        Latin(memory, text);
        const std::string file = dir.File("list.dic");
        WriteFile(file, text);
        CDictionary whole;
        ASSERT_TRUE(whole.SetAlphabet(1));
        EXPECT_TRUE(whole.LoadWords(file));

        const std::string fifo = dir.File("list.fifo");
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        std::thread writer([&] {
            const int fd = ::open(fifo.c_str(), O_WRONLY);
            for (std::size_t at = 0; fd >= 0 && at < text.size();) {
                const ssize_t n = ::write(fd, text.data() + at, std::min<std::size_t>(text.size() - at, 777));
                if (n <= 0)
                    break;
                at += static_cast<std::size_t>(n);
            }
            if (fd >= 0)
                ::close(fd);
        });
        CDictionary pieces;
        ASSERT_TRUE(pieces.SetAlphabet(1));
        EXPECT_TRUE(pieces.LoadWords(fifo));
        writer.join();
        ::unlink(fifo.c_str());

        const std::string expected = Shape(memory);
        for (const CDictionary* loaded : {&whole, &pieces}) {
            EXPECT_EQ(Shape(*loaded), expected) << round;
            EXPECT_EQ(loaded->NodeCount(), memory.NodeCount()) << round;
            EXPECT_EQ(loaded->MaxWordLength(), memory.MaxWordLength()) << round;
            EXPECT_EQ(loaded->LastLoad().nLines, memory.LastLoad().nLines) << round;
            EXPECT_EQ(loaded->LastLoad().nKept, memory.LastLoad().nKept) << round;
            EXPECT_TRUE(loaded->LastLoad().bComplete);
        }
        EXPECT_EQ(memory.LastLoad().nLines, lines.size() + (round % 4 == 1 ? 1 : 0));
    }
}
