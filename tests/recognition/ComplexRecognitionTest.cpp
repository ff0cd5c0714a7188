// "Recognize (&Complex)" and its dictionary step on worked cases.
#include "CComplexRecognizer.h"
#include "RecognitionFixtures.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

using recfixtures::CTestDoc;
using recfixtures::kNoDictionary;
using recfixtures::kNoVariants;

CCharVariants Variants(std::initializer_list<std::pair<char, int>> list)
{
    CCharVariants v;
    for (const auto& [code, cost] : list)
        v.Add(static_cast<std::uint8_t>(code), cost);
    return v;
}

// A Latin dictionary of the words given, each with its trailing space.
void Fill(CDictionary& dictionary, std::initializer_list<std::string_view> words)
{
    dictionary.SetAlphabet(1);
    for (std::string_view word : words)
        dictionary.AddWord(std::string(word) + ' ');
}

struct StepResult {
    ComplexResult result;
    std::vector<CPrefixList> lists;
    int notices = 0;
};

StepResult RunStep(const std::vector<CCharVariants>& variants, const CDictionary& dictionary)
{
    StepResult out;
    out.result = CComplexRecognizer().Recognize(static_cast<int>(variants.size()), variants, dictionary, out.lists,
                                                [&](PrefixListsStatus) { ++out.notices; });
    return out;
}

// A font of 8 x 8 glyphs of their own noise for the letters, blank elsewhere (the space too).
CCharImageFont LetterFont()
{
    return fixtures::MakeFont(32, 127, [](int code) {
        return code >= 'a' && code <= 'z' ? fixtures::MakeNoiseGlyph(8, 8, static_cast<unsigned>(code)) : fixtures::MakeGlyph(8, 8);
    });
}

}  // namespace

TEST(ComplexRecognition, CleanPictureIsCutIntoItsWords)
{
    CTestDoc t(LetterFont());
    t.AddWords({"cat", "dog", ""});
    t.Draw("cat dog", 3);
    t.doc.OnRecognizeComplex();
    EXPECT_EQ("cat dog   ", t.doc.m_strResultText);
    EXPECT_TRUE(t.sink.messages.empty());
    EXPECT_EQ(2, t.view.updates);  // the Simple result, then the Complex one
    EXPECT_EQ(1, t.doc.m_bResultChanged);
    // The lists left behind are those built from position 0.
    ASSERT_EQ(11u, t.doc.m_pPrefixLists.size());
    EXPECT_EQ(t.doc.m_Dictionary.GetRoot(), t.doc.m_pPrefixLists[0].Node(0));
    EXPECT_EQ(1, t.doc.m_pPrefixLists[4].Node(0)->IsWordEnd());  // "cat "
}

TEST(ComplexRecognition, WordCostsAndCutOfTheWorkedExample)
{
    CDictionary dictionary;
    Fill(dictionary, {"a", "ab", "b", ""});
    const std::vector<CCharVariants> variants{Variants({{'a', 0}}), Variants({{' ', 5}, {'b', 3}}), Variants({{' ', 0}})};

    std::vector<CPrefixList> lists;
    std::vector<std::int32_t> row(4, 77);
    ASSERT_EQ(PrefixListsStatus::Built, BuildPrefixLists(lists, 0, 3, variants, dictionary, row.data()));
    EXPECT_EQ((std::vector<std::int32_t>{-1, -1, 5, 3}), row);
    ASSERT_EQ(PrefixListsStatus::Built, BuildPrefixLists(lists, 2, 3, variants, dictionary, row.data()));
    EXPECT_EQ(0, row[3]);
    EXPECT_EQ(0, lists[0].Count());

    const StepResult step = RunStep(variants, dictionary);
    EXPECT_TRUE(step.result.bCut);
    EXPECT_EQ("ab ", step.result.text);
}

TEST(ComplexRecognition, DictionaryOverrulesTheBestGlyph)
{
    // 'o' and 'a' differ in 4 pixels; the cell shows 'o' with 2 stray pixels, so 'o' costs 2,
    // 'a' 6, and with the default coefficient 'a' is a variant. Only "cat" is a word.
    CCharImageFont font = LetterFont();
    CCharImage& o = font.m_Glyphs['o' - 32];
    CCharImage& a = font.m_Glyphs['a' - 32];
    a = o;
    for (int bit : {0, 9, 18, 27})
        a.m_Bits[bit / 8] ^= static_cast<std::uint8_t>(0x80 >> (bit % 8));
    CTestDoc t(font);
    t.AddWords({"cat", ""});
    t.Draw("cot", 1);
    const int x = t.doc.TextOriginX() + 8;
    const int y = t.doc.TextOriginY();
    for (int i : {36, 45}) {
        const bool ink = (o.m_Bits[i / 8] & (0x80 >> (i % 8))) != 0;
        t.doc.m_Picture.SetPixel(x + i % 8, y + i / 8, ink ? CRaster::kWhite : CRaster::kBlack);
    }

    t.doc.OnRecognizeSimple();
    EXPECT_EQ("cot ", t.doc.m_strResultText);
    t.doc.OnRecognizeComplex();
    EXPECT_EQ("cat ", t.doc.m_strResultText);
}

TEST(ComplexRecognition, TiesGoToTheFirstArrivalAndTheLongestLastWord)
{
    CDictionary dictionary;
    Fill(dictionary, {"a", "x", "xy", ""});
    // 'A' and 'a' share a dictionary slot: 'A', first in the record, reaches the node first,
    // although 'a' is cheaper.
    StepResult step = RunStep({Variants({{'A', 9}, {'a', 1}}), Variants({{' ', 0}})}, dictionary);
    EXPECT_EQ("A ", step.result.text);

    // "xy " and "x " + " " cost 1 each: the cut whose last word starts earliest wins.
    step = RunStep({Variants({{'x', 0}}), Variants({{' ', 1}, {'y', 1}}), Variants({{' ', 0}})}, dictionary);
    EXPECT_EQ("xy ", step.result.text);
}

TEST(ComplexRecognition, NoCutLeavesSpacesAndTellsWhy)
{
    // An exact match keeps its glyph as the only variant: "cot" cannot be read as a word.
    CTestDoc t(LetterFont());
    t.AddWords({"cat", ""});
    t.Draw("cot", 2);
    t.doc.OnRecognizeComplex();
    EXPECT_EQ("     ", t.doc.m_strResultText);
    EXPECT_EQ((std::vector<std::string>{std::string(kNoVariants)}), t.sink.messages);
    EXPECT_TRUE(t.sink.badCaptions.empty());
    EXPECT_EQ(1, t.view.updates);  // only the Simple step's
    EXPECT_EQ(5u, t.doc.m_pCharVariants.size());
    // The lists left behind are those built from the last position.
    ASSERT_EQ(6u, t.doc.m_pPrefixLists.size());
    EXPECT_EQ(0, t.doc.m_pPrefixLists[3].Count());
    EXPECT_EQ(1, t.doc.m_pPrefixLists[4].Count());
}

TEST(ComplexRecognition, WithoutADictionaryEveryStartComplains)
{
    CTestDoc t(LetterFont(), false);
    t.Draw("ab", 1);
    t.doc.OnRecognizeComplex();
    std::vector<std::string> expected(3, std::string(kNoDictionary));
    expected.emplace_back(kNoVariants);
    EXPECT_EQ(expected, t.sink.messages);
    EXPECT_EQ("   ", t.doc.m_strResultText);
    ASSERT_EQ(4u, t.doc.m_pPrefixLists.size());
    for (const CPrefixList& list : t.doc.m_pPrefixLists)
        EXPECT_EQ(0, list.Count());

    // The document's own rebuild says it once per call and leaves the row alone.
    std::vector<std::int32_t> row(4, 5);
    t.doc.BuildPrefixLists(1, row.data());
    EXPECT_EQ(5u, t.sink.messages.size());
    EXPECT_EQ(std::vector<std::int32_t>(4, 5), row);
}

TEST(ComplexRecognition, NoPositionsGiveAnEmptyResult)
{
    CTestDoc t(LetterFont());
    t.doc.m_pPrefixLists.resize(2);
    t.doc.OnRecognizeComplex();
    EXPECT_EQ("", t.doc.m_strResultText);
    EXPECT_EQ(1, t.doc.m_bResultChanged);
    EXPECT_EQ(1, t.view.updates);
    EXPECT_TRUE(t.sink.messages.empty());
    EXPECT_EQ(2u, t.doc.m_pPrefixLists.size());  // no rebuild happened
}

TEST(ComplexRecognition, LongRowsNeedNoSquareMatrix)
{
    // 30,000 positions: a full word-cost matrix would take 3.6 GB.
    CDictionary dictionary;
    Fill(dictionary, {"ab", "b", ""});
    std::vector<CCharVariants> variants(30000);
    for (std::size_t p = 0; p < variants.size(); ++p)
        variants[p] = p % 3 == 2 ? Variants({{' ', 0}}) : Variants({{' ', 2}, {'a', 1}, {'b', 1}});
    const StepResult step = RunStep(variants, dictionary);
    ASSERT_TRUE(step.result.bCut);
    EXPECT_EQ("ab ab ", step.result.text.substr(0, 6));
    EXPECT_EQ("ab ", step.result.text.substr(variants.size() - 3));
    EXPECT_EQ(variants.size() + 1, step.lists.size());
}
