// The open dictionary step on worked cases, and against its literal version on random rows.
#include "COpenRecognizer.h"
#include "CRecognizeDoc.h"
#include "LiteralRecognition.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

// One position of a hand-made row: Simple's character and best cost, its variants and the
// codes tied with the best.
struct Cell {
    char simple;
    int best;
    std::vector<std::pair<char, int>> variants;
    std::string ties;
};

SimpleResult Row(const std::vector<Cell>& cells)
{
    SimpleResult r;
    r.tieStart.push_back(0);
    for (const Cell& c : cells) {
        r.text += c.simple;
        r.ranges.push_back({c.best, 400});
        CCharVariants v;
        for (const auto& [code, cost] : c.variants)
            v.Add(static_cast<std::uint8_t>(code), cost);
        r.variants.push_back(v);
        for (char t : c.ties)
            r.tieCodes.push_back(static_cast<std::uint8_t>(t));
        r.tieStart.push_back(static_cast<std::uint32_t>(r.tieCodes.size()));
    }
    return r;
}

// A clean row: every position an exact match of its own character.
SimpleResult CleanRow(const std::string& text)
{
    std::vector<Cell> cells;
    for (char c : text)
        cells.push_back({c, 0, {{c, 0}}, std::string(1, c)});
    return Row(cells);
}

void Fill(CDictionary& dictionary, int alphabet, std::initializer_list<std::string_view> words)
{
    dictionary.SetAlphabet(alphabet);
    for (std::string_view word : words)
        dictionary.AddWord(std::string(word) + ' ');
}

ComplexResult Read(const SimpleResult& row, const CDictionary& dictionary, double penalty = 0.2)
{
    OpenWordsOptions options;
    options.dUnknownPenalty = penalty;
    options.nCellPixels = 400;
    return COpenRecognizer(options).Recognize(static_cast<int>(row.text.size()), row, dictionary);
}

TEST(COpenRecognizer, WordsOutsideTheListSignsAndDigitsKeepTheirLine)
{
    CDictionary dictionary;
    Fill(dictionary, 1, {"and", "god", "said", "works"});
    // The list-only step finds no cut here: "vexingly", "1:3" and the capitals are not words.
    const ComplexResult result = Read(CleanRow("And God said, vexingly (works.) 1:3   "), dictionary);
    EXPECT_TRUE(result.bCut);
    EXPECT_EQ(result.text, "And God said, vexingly (works.) 1:3   ");
    std::vector<std::pair<std::string, bool>> words;
    for (const CutWord& w : result.words)
        words.emplace_back(result.text.substr(w.start, w.end - w.start), w.bKnown);
    const std::vector<std::pair<std::string, bool>> expected{
        {"And ", true}, {"God ", true}, {"said, ", true}, {"vexingly ", false}, {"(works.) ", true}, {"1:3   ", false}};
    EXPECT_EQ(words, expected);
}

TEST(COpenRecognizer, CheapestVariantKeepsTheNodeAndItsCase)
{
    CDictionary dictionary;
    Fill(dictionary, 1, {"and", "end"});
    // 'A' comes first and shares the slot of 'a', but 'a' costs 15 and 'e' 55: "and".
    const SimpleResult row = Row({{'a', 15, {{'A', 20}, {'a', 15}, {'e', 55}}, "a"},
                                  {'n', 5, {{'n', 5}}, "n"},
                                  {'d', 5, {{'d', 5}}, "d"},
                                  {' ', 0, {{' ', 0}}, " "}});
    EXPECT_EQ(Read(row, dictionary).text, "and ");
    // Among equal costs the lower code: the capital.
    const SimpleResult tie = Row({{'A', 15, {{'A', 15}, {'a', 15}}, "Aa"},
                                  {'n', 5, {{'n', 5}}, "n"},
                                  {'d', 5, {{'d', 5}}, "d"},
                                  {' ', 0, {{' ', 0}}, " "}});
    EXPECT_EQ(Read(tie, dictionary).text, "And ");
}

TEST(COpenRecognizer, TwinsOfTheOtherAlphabetReadCyrillicWords)
{
    // "мир" drawn with a font whose р is identical to the Latin p: Simple reads the p (the
    // lower code) and keeps only it among the variants of the exact match.
    CDictionary dictionary;
    Fill(dictionary, 0, {"\xEC\xE8\xF0"});
    const SimpleResult row = Row({{'\xEC', 0, {{'\xEC', 0}}, "\xEC"},
                                  {'\xE8', 0, {{'\xE8', 0}}, "\xE8"},
                                  {'p', 0, {{'p', 0}}, "p\xF0"},
                                  {' ', 0, {{' ', 0}}, " "}});
    const ComplexResult result = Read(row, dictionary);
    EXPECT_EQ(result.text, "\xEC\xE8\xF0 ");
    ASSERT_EQ(result.words.size(), 1u);
    EXPECT_TRUE(result.words[0].bKnown);
    // A word outside the list takes the twin of its own alphabet too.
    EXPECT_EQ(Read(CleanRow("x"), dictionary).text, "x");
    const SimpleResult other = Row({{'p', 0, {{'p', 0}}, "p\xF0"}, {' ', 0, {{' ', 0}}, " "}});
    EXPECT_EQ(Read(other, dictionary).text, "\xF0 ");
}

TEST(COpenRecognizer, PenaltyDecidesBetweenSimpleReadingAndNearbyWord)
{
    CDictionary dictionary;
    Fill(dictionary, 1, {"bast"});
    // Simple read "hast" at cost 4 x 100; "bast" costs 10 more. Each unknown letter costs
    // P x 100^2 / 400 = 25 P more: the list wins from P = 0.1 on (4 x 2.5 = 10, ties go to the list).
    const SimpleResult row = Row({{'h', 100, {{'b', 110}, {'h', 100}}, "h"},
                                  {'a', 100, {{'a', 100}}, "a"},
                                  {'s', 100, {{'s', 100}}, "s"},
                                  {'t', 100, {{'t', 100}}, "t"},
                                  {' ', 0, {{' ', 0}}, " "}});
    EXPECT_EQ(Read(row, dictionary, 0.0).text, "hast ");
    EXPECT_EQ(Read(row, dictionary, 0.09).text, "hast ");
    EXPECT_EQ(Read(row, dictionary, 0.1).text, "bast ");
    EXPECT_EQ(Read(row, dictionary, 0.1).totalCost, 410u);
    // A clean picture costs nothing to read as Simple did, whatever the penalty.
    EXPECT_EQ(Read(CleanRow("hast "), dictionary, 10.0).text, "hast ");
}

TEST(COpenRecognizer, SpaceAfterDictionaryWordIsReadFromTheVariants)
{
    CDictionary dictionary;
    Fill(dictionary, 1, {"be", "light"});
    // Noise made Simple read the space as a sign; the space is among its variants.
    std::vector<Cell> cells;
    for (char c : std::string("be"))
        cells.push_back({c, 50, {{c, 50}}, std::string(1, c)});
    cells.push_back({'_', 50, {{' ', 52}, {'_', 50}}, "_"});
    for (char c : std::string("light"))
        cells.push_back({c, 50, {{c, 50}}, std::string(1, c)});
    EXPECT_EQ(Read(Row(cells), dictionary).text, "be light");
}

TEST(COpenRecognizer, NoPositionsOrNoDictionary)
{
    CDictionary none;
    EXPECT_TRUE(Read(SimpleResult{}, none).bCut);
    EXPECT_EQ(Read(CleanRow("ab c"), none).text, "ab c");
    EXPECT_EQ(COpenRecognizer({}).Recognize(3, SimpleResult{}, none).text, "   ");
}

// Random rows against the literal version: text, total cost and words.
TEST(COpenRecognizer, EqualsTheLiteralStepOnRandomRows)
{
    std::mt19937 random(2024);
    auto uniform = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    static const char kCodes[] = "abcdeAB1. ";
    for (int round = 0; round < 3000; ++round) {
        CDictionary dictionary;
        dictionary.SetAlphabet(uniform(0, 9) == 0 ? 0 : 1);
        for (int i = uniform(0, 10); i > 0; --i) {
            std::string word;
            for (int k = uniform(1, 4); k > 0; --k)
                word += kCodes[uniform(0, 6)];
            dictionary.AddWord(word + ' ');
        }
        const int cells = uniform(0, 9);
        SimpleResult row;
        row.tieStart.push_back(0);
        for (int p = 0; p < cells; ++p) {
            const int best = uniform(0, 3) == 0 ? 0 : uniform(1, 60);
            const char simple = kCodes[uniform(0, 9)];
            row.text += simple;
            row.ranges.push_back({best, best + 100});
            CCharVariants v;
            std::vector<int> codes;
            for (int i = uniform(0, 4); i > 0; --i)
                codes.push_back(kCodes[uniform(0, 9)]);
            std::sort(codes.begin(), codes.end());
            codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
            for (int code : codes)
                v.Add(static_cast<std::uint8_t>(code), code == simple ? best : best + uniform(0, 30));
            row.variants.push_back(v);
            row.tieCodes.push_back(static_cast<std::uint8_t>(simple));
            if (uniform(0, 4) == 0)
                row.tieCodes.push_back(static_cast<std::uint8_t>(uniform(0, 1) ? 0xF0 : 'd'));
            row.tieStart.push_back(static_cast<std::uint32_t>(row.tieCodes.size()));
        }
        const double penalty = uniform(0, 3) * 0.3;
        OpenWordsOptions options;
        options.dUnknownPenalty = penalty;
        options.nCellPixels = 400;
        const ComplexResult fast = COpenRecognizer(options).Recognize(cells, row, dictionary);
        const literal::OpenReading plain = literal::OpenStep(cells, row, dictionary, penalty, 400);
        ASSERT_EQ(fast.text, plain.text) << "round " << round;
        ASSERT_EQ(fast.totalCost, plain.totalCost) << "round " << round;
        ASSERT_EQ(fast.words.size(), plain.wordEnds.size()) << "round " << round;
        for (std::size_t w = 0; w < fast.words.size(); ++w) {
            EXPECT_EQ(fast.words[w].end, plain.wordEnds[w]) << "round " << round;
            EXPECT_EQ(fast.words[w].bKnown, plain.wordKnown[w]) << "round " << round;
        }
    }
}

}  // namespace

namespace {

// The Russian pangram drawn with the shipped default font, whose Cyrillic letters are partly
// identical to Latin ones, reads back exactly with the Russian list, also at 10 % noise.
TEST(COpenRecognizer, RussianPangramWithTheDefaultFont)
{
    const std::string dict = RECOGNIZE_DICT_RU;
    if (dict.empty() || !std::ifstream(dict))
        GTEST_SKIP() << "dict-ru.dic was not made";
    // "съешь же ещё этих мягких французских булок да выпей чаю" in Windows-1251.
    const std::string pangram = "\xF1\xFA\xE5\xF8\xFC \xE6\xE5 \xE5\xF9\xB8 \xFD\xF2\xE8\xF5 \xEC\xFF\xE3\xEA\xE8\xF5 "
                                "\xF4\xF0\xE0\xED\xF6\xF3\xE7\xF1\xEA\xE8\xF5 \xE1\xF3\xEB\xEE\xEA \xE4\xE0 "
                                "\xE2\xFB\xEF\xE5\xE9 \xF7\xE0\xFE";
    for (const double rate : {0.0, 0.1}) {
        for (std::uint64_t seed = 1; seed <= (rate > 0 ? 3u : 1u); ++seed) {
            CRecognizeDoc doc;
            doc.SetDictionaryChoice(dict, 0);
            ASSERT_TRUE(doc.NewDocument(std::string(RECOGNIZE_SOURCE_DIR) + "/data/Fonts/default.GLF", dict));
            ASSERT_TRUE(doc.SetText(pangram));
            ASSERT_TRUE(doc.OnAddNoise({NoiseKind::Flip, rate, seed}));
            doc.OnRecognizeComplex();
            // Without the open step the Latin twins leave no cut.
            EXPECT_NE(doc.m_strResultText.substr(0, pangram.size()), pangram);
            doc.SetOpenWords(true);
            doc.OnRecognizeComplex();
            EXPECT_EQ(doc.m_strResultText, pangram + "   ") << "rate " << rate << " seed " << seed;
            EXPECT_TRUE(doc.Trace().bOpenWords);
            for (const TraceWord& word : doc.Trace().words)
                EXPECT_TRUE(word.bKnown) << word.text;
        }
    }
}

}  // namespace
