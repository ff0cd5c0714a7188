// The evaluation over a corpus: corpus files, edit distances, records and summary.
#include "CEvaluation.h"
#include "CRecognizeDoc.h"
#include "EditDistance.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>

namespace {

const std::string kDefaultFont = std::string(RECOGNIZE_SOURCE_DIR) + "/data/Fonts/default.GLF";

// The shipped default font and a dictionary of the words of the lines below.
class EvaluationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(font.LoadFromFile(kDefaultFont));
        dictionary.SetAlphabet(1);
        dictionary.LoadWordsFromText("the\nquick\nbrown\nfox\njumps\nover\nlazy\ndog\nhello\nworld\n");
        std::string error;
        ASSERT_TRUE(ParseCorpus("the quick brown fox\n\nhello world\njumps over the lazy dog\n", lines, error));
    }

    CCharImageFont font;
    CDictionary dictionary;
    std::vector<CorpusLine> lines;
};

// Equal apart from the times.
bool SameRecords(const std::vector<EvalRecord>& a, const std::vector<EvalRecord>& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const EvalRecord& x = a[i];
        const EvalRecord& y = b[i];
        if (x.line != y.line || x.text != y.text || x.noise != y.noise || x.seed != y.seed ||
            x.coefficient != y.coefficient || x.method != y.method || x.reading != y.reading || x.cut != y.cut ||
            x.edits != y.edits || x.wordEdits != y.wordEdits)
            return false;
    }
    return true;
}

}  // namespace

TEST(EditDistance, HandMadeCases) {
    EXPECT_EQ(CharacterEditDistance("kitten", "sitting"), 3);
    EXPECT_EQ(CharacterEditDistance("", "abc"), 3);
    EXPECT_EQ(CharacterEditDistance("abc", "abc"), 0);
    EXPECT_EQ(CharacterEditDistance("ab", "ba"), 2);
    EXPECT_EQ(WordEditDistance("the quick brown fox", "the quick fox"), 1);
    EXPECT_EQ(WordEditDistance("a b c", "a  x   c"), 1);
    EXPECT_EQ(WordEditDistance("", "one two"), 2);
    EXPECT_EQ(TrimTrailingSpaces("ab  "), "ab");
    EXPECT_EQ(TrimTrailingSpaces("   "), "");
}

TEST(EvalCorpus, SkipsEmptyLinesAndRefusesABadLine) {
    std::vector<CorpusLine> lines;
    std::string error;
    ASSERT_TRUE(ParseCorpus("one\r\n\n\xd0\xb4\xd0\xb0\nlast", lines, error));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].number, 3);
    EXPECT_EQ(lines[1].text, "\xe4\xe0");  // "да" in Windows-1251
    EXPECT_EQ(lines[2].text, "last");
    EXPECT_FALSE(ParseCorpus("fine\n\nalso fine\nnot \xe6\x97\xa5 fine\n", lines, error));
    EXPECT_EQ(error.rfind("line 4:", 0), 0u) << error;
    EXPECT_TRUE(lines.empty());
}

TEST_F(EvaluationTest, CleanCorpusReadsWithoutErrors) {
    EvalSettings settings;
    settings.coefficients = {0.0, 0.2};
    const std::vector<EvalRecord> records = CEvaluation(font, dictionary).Run(lines, settings);
    ASSERT_EQ(records.size(), 3u * 2 * 2);
    EXPECT_EQ(records[0].line, 1);
    EXPECT_EQ(records[1].method, EvalMethod::Complex);
    for (const EvalSummaryRow& row : CEvaluation::Summarize(records)) {
        EXPECT_EQ(row.cer, 0.0);
        EXPECT_EQ(row.wer, 0.0);
        EXPECT_EQ(row.noCut, 0.0);
        EXPECT_EQ(row.cerHigh, 0.0);
        EXPECT_EQ(row.readings, 3);
    }
}

TEST_F(EvaluationTest, RecordsAreTheSameForAnyThreadCount) {
    EvalSettings settings;
    settings.noises = {0.0, 0.3, 0.45};
    settings.seeds = 3;
    settings.coefficients = {0.2, 0.6};
    settings.threads = 1;
    const CEvaluation evaluation(font, dictionary);
    const std::vector<EvalRecord> one = evaluation.Run(lines, settings);
    settings.threads = 2;
    const std::vector<EvalRecord> two = evaluation.Run(lines, settings);
    ASSERT_EQ(one.size(), 3u * 3 * 3 * 2 * 2);
    EXPECT_TRUE(SameRecords(one, two));
    // Heavy noise makes errors, and the interval holds the CER.
    const std::vector<EvalSummaryRow> summary = CEvaluation::Summarize(one);
    ASSERT_EQ(summary.size(), 2u * 3 * 2);
    EXPECT_GT(summary[4].cer, 0.0);
    for (const EvalSummaryRow& row : summary)
        EXPECT_TRUE(row.cerLow <= row.cer && row.cer <= row.cerHigh);
}

// The open step reads a line with a word outside the list, which the list-only step blanks;
// its records follow the Complex ones and its summary rows come last.
TEST_F(EvaluationTest, OpenWordsAddTheirOwnRecordsAndRows) {
    std::vector<CorpusLine> open;
    std::string error;
    ASSERT_TRUE(ParseCorpus("the quick brown fox\nhello vexing world, 1:3\n", open, error));
    EvalSettings settings;
    settings.noises = {0.0, 0.1};
    settings.bOpenWords = true;
    const std::vector<EvalRecord> records = CEvaluation(font, dictionary).Run(open, settings);
    ASSERT_EQ(records.size(), 2u * 2 * 3);
    EXPECT_EQ(records[2].method, EvalMethod::Open);
    EXPECT_EQ(records[3].method, EvalMethod::Simple);
    EXPECT_FALSE(records[7].cut);  // Complex, line 2, clean
    EXPECT_EQ(records[8].reading.rfind("hello vexing world, 1:3", 0), 0u) << records[8].reading;
    EXPECT_EQ(records[8].edits, 0);
    const std::vector<EvalSummaryRow> summary = CEvaluation::Summarize(records);
    ASSERT_EQ(summary.size(), 3u * 2);
    EXPECT_EQ(summary[4].method, EvalMethod::Open);
    EXPECT_EQ(summary[4].cer, 0.0);
    EXPECT_EQ(summary[4].noCut, 0.0);
    EXPECT_STREQ(EvalMethodName(EvalMethod::Open), "open");
}

TEST_F(EvaluationTest, PicturesAreTheDocumentsAndCancelStops) {
    CRecognizeDoc doc;
    ASSERT_TRUE(doc.NewDocument(kDefaultFont, ""));
    ASSERT_TRUE(doc.SetText(lines[0].text));
    ASSERT_TRUE(doc.OnAddNoise({NoiseKind::Flip, 0.2, 5}));
    EXPECT_EQ(CEvaluation(font, dictionary).NoisyPicture(lines[0].text, 3, {NoiseKind::Flip, 0.2, 5}), doc.m_Picture);

    std::atomic<bool> cancel{true};
    bool cancelled = false;
    EXPECT_TRUE(CEvaluation(font, dictionary).Run(lines, EvalSettings(), {}, &cancel, &cancelled).empty());
    EXPECT_TRUE(cancelled);

    // A progress call that throws, on any of the threads, comes back to the caller.
    EvalSettings settings;
    settings.noises = {0.0, 0.3};
    settings.seeds = 2;
    settings.threads = 2;
    EXPECT_THROW(CEvaluation(font, dictionary).Run(lines, settings,
                                                   [](std::int64_t done, std::int64_t) {
                                                       if (done >= 2)
                                                           throw std::runtime_error("the progress bar is gone");
                                                   }),
                 std::runtime_error);
}

TEST_F(EvaluationTest, CheckRefusesBadSettings) {
    const CEvaluation evaluation(font, dictionary);
    std::string error;
    EvalSettings settings;
    EXPECT_TRUE(evaluation.Check(lines, settings, error));
    settings.noises = {0.6};
    EXPECT_FALSE(evaluation.Check(lines, settings, error));
    settings = EvalSettings();
    std::vector<CorpusLine> huge{{7, std::string(CRecognizeDoc::kMaxCells, 'a')}};
    EXPECT_FALSE(evaluation.Check(huge, settings, error));
    EXPECT_EQ(error.rfind("line 7:", 0), 0u) << error;
}
