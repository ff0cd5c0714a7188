#include "CDictionary.h"
#include "words/TreeBuilder.h"
#include "words/WordList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The Latin slot table.
struct LatinSlots {
    std::uint8_t slots[256] = {};
    LatinSlots()
    {
        CDictionary latin;
        latin.SetAlphabet(1);
        for (int code = 0; code < 256; ++code)
            slots[code] = static_cast<std::uint8_t>(latin.Slot(static_cast<std::uint8_t>(code)));
    }
};

// The entry of text as keys: slot + 1 for each character.
std::string KeysOf(std::string_view text)
{
    static const LatinSlots latin;
    std::string keys;
    for (char c : text)
        keys += static_cast<char>(latin.slots[static_cast<std::uint8_t>(c)] + 1);
    return keys;
}

std::vector<std::string> EntriesOf(const WordEntries& entries)
{
    std::vector<std::string> all;
    for (std::uint32_t start : entries.starts)
        all.emplace_back(reinterpret_cast<const char*>(entries.keys.data() + start));
    return all;
}

DictionaryLoadReport Read(std::string_view text, WordEntries& entries, WordListBounds bounds = {100, 100000})
{
    static const LatinSlots latin;
    return ReadWordList(text, latin.slots, bounds, entries);
}

}  // namespace

TEST(ReadWordList, LinesBecomeTrimmedEntriesAndAreCountedAsWcDoes)
{
    WordEntries entries;
    const DictionaryLoadReport report = Read("  cat \r\nice cream\n\n   \ndog", entries);
    EXPECT_TRUE(report.bRead && report.bComplete);
    EXPECT_FALSE(report.Unreadable() || report.BoundReached());
    EXPECT_EQ(report.nLines, 5u);  // the unended last line counts
    EXPECT_EQ(report.nKept, 5u);
    const std::vector<std::string> expected = {KeysOf("cat "), KeysOf("ice cream "), KeysOf(" "), KeysOf(" "),
                                               KeysOf("dog ")};
    EXPECT_EQ(EntriesOf(entries), expected);

    // After a last LF nothing is left: no line, no entry (the one-space word stands for it).
    WordEntries ended;
    EXPECT_EQ(Read("cat\n", ended).nLines, 1u);
    EXPECT_EQ(ended.Count(), 1u);
    WordEntries empty;
    EXPECT_EQ(Read("", empty).nLines, 0u);
    EXPECT_EQ(empty.Count(), 0u);
    // A list appends to the entries already there.
    Read("dog\n", ended);
    EXPECT_EQ(EntriesOf(ended), (std::vector<std::string>{KeysOf("cat "), KeysOf("dog ")}));
}

TEST(ReadWordList, BoundsKeepTheFirstLinesAndCountTheRest)
{
    // Two lines at most.
    WordEntries lines;
    DictionaryLoadReport report = Read("b\nc\nd\ne\n", lines, {2, 100000});
    EXPECT_TRUE(report.BoundReached());
    EXPECT_EQ(report.nLines, 4u);
    EXPECT_EQ(report.nKept, 2u);
    EXPECT_EQ(EntriesOf(lines), (std::vector<std::string>{KeysOf("b "), KeysOf("c ")}));

    // Bytes of keys: a line is kept while a longest line would still fit after it.
    WordEntries bytes;
    report = Read("b\nc\nd\n", bytes, {100, kMaxLineLength + 2 + 5});
    EXPECT_TRUE(report.BoundReached());
    EXPECT_EQ(report.nLines, 3u);
    EXPECT_EQ(report.nKept, 2u);

    // A bound met exactly by the last line is no loss.
    WordEntries exact;
    EXPECT_TRUE(Read("b\nc\n", exact, {2, 100000}).bComplete);
}

TEST(BuildTree, PastTheNodeBoundTheMostLeadingEntriesThatFitAreKept)
{
    // Entries in list order "cc", "bb", "bc": their tree needs 6 nodes (root, c, cc, b, bb, bc).
    const auto build = [](std::size_t maxNodes) {
        WordEntries entries;
        for (const char* text : {"cc", "bb", "bc"}) {
            const std::string keys = KeysOf(text);
            entries.Add(reinterpret_cast<const std::uint8_t*>(keys.data()), keys.size());
        }
        return BuildTree(entries, maxNodes);
    };
    EXPECT_EQ(build(6).nKept, 3u);
    EXPECT_EQ(build(6).nodes.size(), 6u);
    // "bc" shares "b" with a kept entry but still needs one node more than 5.
    EXPECT_EQ(build(5).nKept, 2u);
    EXPECT_EQ(build(5).nodes.size(), 5u);
    EXPECT_EQ(build(4).nKept, 1u);
    EXPECT_EQ(build(3).nKept, 1u);
    EXPECT_EQ(build(2).nKept, 0u);
    EXPECT_EQ(build(2).nodes.size(), 1u);  // the root alone
}
