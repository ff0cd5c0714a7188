// The fast engine, as the document runs it, against the literal algorithms on random fonts,
// texts, noise, dictionaries and coefficients.
#include "CComplexRecognizer.h"
#include "CSimpleRecognizer.h"
#include "LiteralRecognition.h"
#include "RecognitionFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>

namespace {

#ifdef RECOGNITION_TEST_SCALE
constexpr int kScale = RECOGNITION_TEST_SCALE;
#else
constexpr int kScale = 1;
#endif

using Random = std::mt19937;

int Uniform(Random& random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

bool Chance(Random& random, int percent)
{
    return Uniform(random, 0, 99) < percent;
}

CCharImage RandomGlyph(Random& random, int width, int height)
{
    CCharImage glyph = fixtures::MakeGlyph(width, height);
    for (std::uint8_t& byte : glyph.m_Bits)
        byte = static_cast<std::uint8_t>(random());
    return glyph;
}

// Flips a few bits anywhere in the rows, the bits past the width included.
CCharImage Mutate(Random& random, CCharImage glyph, int flips)
{
    for (int i = 0; i < flips && !glyph.m_Bits.empty(); ++i) {
        const int bit = Uniform(random, 0, static_cast<int>(glyph.m_Bits.size()) * 8 - 1);
        glyph.m_Bits[bit / 8] ^= static_cast<std::uint8_t>(0x80 >> (bit % 8));
    }
    return glyph;
}

// A font whose glyphs are variations of a few patterns, so that cells have several close
// candidates; some glyphs are exact copies, some of another size, the space mostly blank.
CCharImageFont RandomFont(Random& random)
{
    CCharImageFont font;
    const int kind = Uniform(random, 0, 99);
    if (kind < 70) {
        font.m_nFirst = Uniform(random, 0, 32);
        font.m_nLast = std::min(255, 104 + Uniform(random, 0, 30));
    } else {
        font.m_nFirst = Uniform(random, 0, 220);
        font.m_nLast = std::min(255, font.m_nFirst + Uniform(random, 0, 60));
    }
    static const int kWidths[] = {1, 3, 5, 7, 8, 9, 12, 15, 16, 17, 23, 24, 31, 32, 33};
    const int width = kWidths[Uniform(random, 0, std::size(kWidths) - 1)];
    const int height = Uniform(random, 1, 7);
    std::vector<CCharImage> patterns;
    for (int i = Uniform(random, 1, 5); i > 0; --i)
        patterns.push_back(RandomGlyph(random, width, height));

    int count = font.m_nLast - font.m_nFirst + 1;
    if (kind >= 95)
        count = Uniform(random, 0, count);  // fewer glyphs than codes, or none at all
    for (int i = 0; i < count; ++i) {
        const int code = font.m_nFirst + i;
        CCharImage glyph;
        if (code == ' ' && Chance(random, 80))
            glyph = fixtures::MakeGlyph(width, height);
        else if (Chance(random, 8))
            glyph = RandomGlyph(random, std::max(0, width + Uniform(random, -1, 1)), std::max(0, height + Uniform(random, -1, 1)));
        else if (i > 0 && Chance(random, 5))
            glyph = font.m_Glyphs[Uniform(random, 0, i - 1)];
        else
            glyph = Mutate(random, patterns[Uniform(random, 0, static_cast<int>(patterns.size()) - 1)], Uniform(random, 0, 4));
        font.m_Glyphs.push_back(std::move(glyph));
    }
    return font;
}

std::string RandomWord(Random& random)
{
    static const char kLetters[] = "abcdefghAB1";
    std::string word;
    for (int i = Uniform(random, 1, 4); i > 0; --i)
        word += kLetters[Uniform(random, 0, 10)];
    return word;
}

double RandomCoefficient(Random& random)
{
    switch (Uniform(random, 0, 9)) {
    case 0: return 0.0;
    case 1: return 1.0;
    case 2: return 0.2;
    case 3: return Chance(random, 50) ? -0.5 : -0.0;
    case 4: return 1.5;
    case 5: return 1e9;
    case 6: return Chance(random, 50) ? std::numeric_limits<double>::quiet_NaN() : std::numeric_limits<double>::infinity();
    default: return std::uniform_real_distribution<double>(0.0, 1.0)(random);
    }
}

void AddNoise(Random& random, CRaster& picture)
{
    static const std::uint32_t kColours[] = {CRaster::kBlack, CRaster::kWhite, 0x000001, 0x010000, 0x808080, 0xFFFFFE};
    if (picture.empty())
        return;
    for (int i = Uniform(random, 0, picture.width() * picture.height() / 6); i > 0; --i)
        picture.SetPixel(Uniform(random, 0, picture.width() - 1), Uniform(random, 0, picture.height() - 1),
                         kColours[Uniform(random, 0, std::size(kColours) - 1)]);
}

// A copy of the picture cut to, or padded white to, another size.
CRaster Resized(const CRaster& picture, int width, int height)
{
    CRaster out;
    out.Create(width, height, CRaster::kWhite);
    for (int y = 0; y < std::min(height, picture.height()); ++y)
        for (int x = 0; x < std::min(width, picture.width()); ++x)
            out.SetPixel(x, y, picture.Pixel(x, y));
    return out;
}

// A document with a random font, dictionary, picture and coefficient.
std::unique_ptr<recfixtures::CTestDoc> RandomDocument(Random& random)
{
    // Now and then a dictionary that never chose an alphabet, and so has no root.
    const bool alphabet = Chance(random, 95);
    auto t = std::make_unique<recfixtures::CTestDoc>(RandomFont(random), alphabet);
    CRecognizeDoc& doc = t->doc;
    std::vector<std::string> words;
    for (int i = Uniform(random, 0, 12); i > 0; --i)
        words.push_back(RandomWord(random));
    if (alphabet) {
        for (const std::string& word : words)
            doc.m_Dictionary.AddWord(word + ' ');
        if (Chance(random, 85))
            doc.m_Dictionary.AddWord(" ");
    }

    std::string text;
    for (int i = Uniform(random, 0, 4); i > 0; --i) {
        if (!words.empty() && Chance(random, 70))
            text += words[Uniform(random, 0, static_cast<int>(words.size()) - 1)];
        else
            text += static_cast<char>(Uniform(random, doc.m_Font.First(), doc.m_Font.Last()));
        if (Chance(random, 80))
            text += ' ';
    }
    t->Draw(text, Uniform(random, 0, 3));
    AddNoise(random, doc.m_Picture);
    const int shape = Uniform(random, 0, 99);
    if (shape < 10)
        doc.m_Picture = Resized(doc.m_Picture, Uniform(random, 0, doc.m_Picture.width()), Uniform(random, 0, doc.m_Picture.height()));
    else if (shape < 18)
        doc.m_Picture = Resized(doc.m_Picture, doc.m_Picture.width() + Uniform(random, 1, 40), doc.m_Picture.height() + Uniform(random, 1, 9));
    else if (shape < 21)
        doc.m_nCells += Uniform(random, 1, 4);  // cells past the picture's right edge
    doc.m_dCoefficient = RandomCoefficient(random);
    return t;
}

literal::State LiteralStateOf(const CRecognizeDoc& doc)
{
    literal::State state;
    state.picture = &doc.m_Picture;
    state.font = &doc.m_Font;
    state.dictionary = &doc.m_Dictionary;
    state.cells = doc.m_nCells;
    state.coefficient = doc.m_dCoefficient;
    state.resultText = doc.m_strResultText;
    return state;
}

void ExpectSameVariants(const std::vector<CCharVariants>& expected, const std::vector<CCharVariants>& actual)
{
    ASSERT_EQ(expected.size(), actual.size());
    for (std::size_t p = 0; p < expected.size(); ++p) {
        ASSERT_EQ(expected[p].m_nCount, actual[p].m_nCount) << "position " << p;
        for (int i = 0; i < expected[p].m_nCount; ++i) {
            EXPECT_EQ(expected[p].m_Codes[i], actual[p].m_Codes[i]) << "position " << p << " variant " << i;
            EXPECT_EQ(expected[p].m_Costs[i], actual[p].m_Costs[i]) << "position " << p << " variant " << i;
        }
    }
}

void ExpectSameLists(const std::vector<literal::PrefixList>& expected, const std::vector<CPrefixList>& actual)
{
    ASSERT_EQ(expected.size(), actual.size());
    for (std::size_t k = 0; k < expected.size(); ++k) {
        const literal::PrefixList& e = expected[k];
        const CPrefixList& a = actual[k];
        ASSERT_EQ(e.count, a.Count()) << "list " << k;
        EXPECT_EQ(e.capacity, a.Capacity()) << "list " << k;
        for (int i = 0; i < e.count; ++i) {
            EXPECT_EQ(e.node[i], a.Node(i)) << "list " << k << " entry " << i;
            EXPECT_EQ(e.slot[i], a.SlotOf(i)) << "list " << k << " entry " << i;
            EXPECT_EQ(e.parent[i], a.Parent(i)) << "list " << k << " entry " << i;
            EXPECT_EQ(e.cost[i], a.Cost(i)) << "list " << k << " entry " << i;
        }
        EXPECT_EQ(e.BestWordEnd(), a.BestWordEnd()) << "list " << k;
    }
}

void ExpectSameDocument(const literal::State& expected, const recfixtures::CTestDoc& t)
{
    const CRecognizeDoc& doc = t.doc;
    EXPECT_EQ(expected.resultText, doc.m_strResultText);
    ExpectSameVariants(expected.variants, doc.m_pCharVariants);
    ExpectSameLists(expected.prefixLists, doc.m_pPrefixLists);
    EXPECT_EQ(expected.messages, t.sink.messages);
    EXPECT_TRUE(t.sink.badCaptions.empty());
    EXPECT_EQ(expected.resultChanged, doc.m_bResultChanged);
    EXPECT_EQ(expected.resultPicture, doc.m_bResultPicture);
    EXPECT_EQ(expected.updates, t.view.updates);
    EXPECT_EQ(expected.cellImage.width, doc.m_CellImage.Width());
    EXPECT_EQ(expected.cellImage.height, doc.m_CellImage.Height());
    EXPECT_EQ(expected.cellImage.bits, doc.m_CellImage.m_Bits);
}

// The document's trace tells what the literal run computed: per position the variants, the
// cost range and both characters; after Complex recognition the cut with M[start][end].
void ExpectTraceOf(const literal::State& expected, const CRecognizeDoc& doc, bool complex)
{
    const RecognitionTrace& trace = doc.Trace();
    if (!complex && doc.m_nCells == 0) {
        EXPECT_TRUE(trace.Empty());
        return;
    }
    EXPECT_EQ(trace.kind, complex ? RecognitionTrace::Kind::Complex : RecognitionTrace::Kind::Simple);
    ASSERT_EQ(trace.positions.size(), expected.variants.size());
    for (std::size_t p = 0; p < trace.positions.size(); ++p) {
        const TracePosition& position = trace.positions[p];
        const CCharVariants& variants = expected.variants[p];
        ASSERT_EQ(position.variants.size(), static_cast<std::size_t>(variants.m_nCount)) << "position " << p;
        for (int i = 0; i < variants.m_nCount; ++i)
            EXPECT_EQ(position.variants[i], (TraceVariant{variants.m_Codes[i], variants.m_Costs[i]})) << "position " << p;
        EXPECT_EQ(std::make_pair(position.best, position.worst), expected.costRanges[p]) << "position " << p;
        EXPECT_EQ(position.simple, static_cast<std::uint8_t>(expected.simpleText[p])) << "position " << p;
        EXPECT_EQ(position.final, static_cast<std::uint8_t>(expected.resultText[p])) << "position " << p;
    }
    if (!complex)
        return;
    const bool cut = !expected.boundaries.empty() || doc.m_nCells == 0;
    EXPECT_EQ(trace.bCut, cut);
    std::vector<TraceWord> words;
    for (std::size_t w = 0; w + 1 < expected.boundaries.size(); ++w) {
        const int a = expected.boundaries[w];
        const int e = expected.boundaries[w + 1];
        words.push_back({a, e, static_cast<std::uint32_t>(expected.wordCosts[a][e]),
                         expected.resultText.substr(static_cast<std::size_t>(a), static_cast<std::size_t>(e - a))});
    }
    EXPECT_EQ(trace.words, words);
    if (cut && doc.m_nCells > 0) {
        EXPECT_EQ(trace.totalCost, static_cast<std::uint32_t>(expected.totalCost));
    }
}

}  // namespace

TEST(RecognitionDifferential, SimpleRecognitionEqualsLiteralAlgorithm)
{
    Random random(20240611);
    for (int run = 0; run < 1500 / kScale; ++run) {
        const auto document = RandomDocument(random);
        recfixtures::CTestDoc& t = *document;
        literal::State expected = LiteralStateOf(t.doc);
        literal::RecognizeSimple(expected);
        t.doc.OnRecognizeSimple();
        SCOPED_TRACE("run " + std::to_string(run));
        ExpectSameDocument(expected, t);
        ExpectTraceOf(expected, t.doc, false);
        if (HasFailure())
            return;
    }
}

TEST(RecognitionDifferential, ComplexRecognitionEqualsLiteralAlgorithm)
{
    Random random(77123);
    int cuts = 0;
    int failures = 0;
    const int runs = 2000 / kScale;
    for (int run = 0; run < runs; ++run) {
        const auto document = RandomDocument(random);
        recfixtures::CTestDoc& t = *document;
        literal::State expected = LiteralStateOf(t.doc);
        literal::RecognizeComplex(expected);
        t.doc.OnRecognizeComplex();
        SCOPED_TRACE("run " + std::to_string(run));
        ExpectSameDocument(expected, t);
        ExpectTraceOf(expected, t.doc, true);
        if (HasFailure())
            return;
        const bool noCut = !expected.messages.empty() && expected.messages.back() == recfixtures::kNoVariants;
        (noCut ? failures : cuts) += t.doc.m_nCells > 0 ? 1 : 0;
    }
    // Both outcomes must be common for the comparison to mean something.
    EXPECT_GT(cuts, runs / 10);
    EXPECT_GT(failures, runs / 10);
}

// The dictionary step alone, over variants made up freely: costs of -1, costs that overflow
// 32 bits when added, codes that share a dictionary slot, positions without variants.
TEST(RecognitionDifferential, DictionaryStepEqualsLiteralAlgorithm)
{
    Random random(5150);
    static const std::uint8_t kCodes[] = {' ', 'a', 'b', 'c', 'd', 'A', 'B', '1', 200};
    int cuts = 0;
    const int runs = 3000 / kScale;
    for (int run = 0; run < runs; ++run) {
        CDictionary dictionary;
        if (!Chance(random, 5)) {
            dictionary.SetAlphabet(Chance(random, 90) ? 1 : 0);
            for (int i = Uniform(random, 0, 15); i > 0; --i) {
                std::string word;
                for (int j = Uniform(random, 0, 5); j > 0; --j)
                    word += static_cast<char>(kCodes[Uniform(random, 0, std::size(kCodes) - 1)]);
                dictionary.AddWord(word + (Chance(random, 90) ? " " : ""));
            }
            if (Chance(random, 80))
                dictionary.AddWord(" ");
        }
        const int cells = Uniform(random, 0, 16);
        std::vector<CCharVariants> variants(static_cast<std::size_t>(cells));
        for (CCharVariants& v : variants) {
            for (int code : kCodes) {
                if (!Chance(random, 35))
                    continue;
                int cost = Uniform(random, 0, 20);
                if (Chance(random, 4))
                    cost = -1;
                else if (Chance(random, 3))
                    cost = 0x7FFFFFF0 + Uniform(random, 0, 15);
                v.Add(static_cast<std::uint8_t>(code), cost);
            }
        }
        literal::State expected;
        expected.dictionary = &dictionary;
        expected.cells = cells;
        expected.variants = variants;
        literal::DictionaryStep(expected);

        std::vector<std::string> messages;
        std::vector<CPrefixList> lists;
        const ComplexResult result = CComplexRecognizer().Recognize(cells, variants, dictionary, lists,
            [&](PrefixListsStatus status) {
                messages.emplace_back(status == PrefixListsStatus::NoDictionary ? recfixtures::kNoDictionary : "other");
            });
        if (!result.bCut)
            messages.emplace_back(recfixtures::kNoVariants);

        SCOPED_TRACE("run " + std::to_string(run));
        EXPECT_EQ(expected.resultText, result.text);
        EXPECT_EQ(expected.messages, messages);
        ExpectSameLists(expected.prefixLists, lists);

        // A rebuild from any start, the one past the last position included.
        if (cells > 0) {
            const int a = Uniform(random, 0, cells);
            std::vector<std::int32_t> expectedRow(cells + 10, 7), row(cells + 10, 7);
            literal::BuildPrefixLists(expected, a, expectedRow.data());
            BuildPrefixLists(lists, a, cells, variants, dictionary, row.data());
            EXPECT_EQ(expectedRow, row);
            ExpectSameLists(expected.prefixLists, lists);
        }
        if (HasFailure())
            return;
        cuts += result.bCut && cells > 0 ? 1 : 0;
    }
    EXPECT_GT(cuts, runs / 10);
}

// Every instruction set the CPU offers gives the same Simple result as the literal algorithm.
TEST(RecognitionDifferential, EveryMatchPathEqualsLiteralAlgorithm)
{
    Random random(31337);
    for (int run = 0; run < 300 / kScale; ++run) {
        const auto document = RandomDocument(random);
        recfixtures::CTestDoc& t = *document;
        literal::State expected = LiteralStateOf(t.doc);
        literal::RecognizeSimple(expected);
        const int width = t.doc.m_Font.CellWidth();
        const int height = t.doc.m_Font.CellHeight();
        const CellGrid grid{width / 2, height / 2, width, height};
        for (MatchPath path : SupportedMatchPaths()) {
            SCOPED_TRACE("run " + std::to_string(run) + " path " + std::string(MatchPathName(path)));
            const SimpleResult result = CSimpleRecognizer(path).Recognize(t.doc.m_Picture, t.doc.m_Font, grid,
                                                                          t.doc.m_nCells, t.doc.m_dCoefficient);
            if (t.doc.m_nCells > 0) {
                EXPECT_EQ(expected.resultText, result.text);
            }
            ExpectSameVariants(expected.variants, result.variants);
        }
        if (HasFailure())
            return;
    }
}
