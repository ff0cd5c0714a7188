#pragma once

#include "CCharImageFont.h"
#include "CDictionary.h"
#include "COpenRecognizer.h"
#include "CRaster.h"
#include "EvalCorpus.h"
#include "NoiseGenerator.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// How a reading was made: Simple recognition, Complex recognition with the list-only
// dictionary step, or with the open dictionary step.
enum class EvalMethod { Simple, Complex, Open };

// "simple", "complex" or "open".
const char* EvalMethodName(EvalMethod method);

// What one evaluation run covers: every corpus line at every noise rate, seed 1..seeds and
// coefficient.
struct EvalSettings {
    std::vector<double> noises{0.0};        // rates, 0..kMaxNoiseRate
    NoiseKind kind = NoiseKind::Flip;
    std::vector<double> coefficients{0.2};
    int seeds = 1;                          // 1..kMaxEvalSeeds
    int space = 3;                          // additional space of the documents, 0..kMaxEvalSpace
    int threads = 0;                        // worker threads; 0 for one per core
    bool bOpenWords = false;                // also read by the open dictionary step
    double unknownPenalty = OpenWordsOptions::kDefaultPenalty;  // of the open step, 0..1
};

inline constexpr int kMaxEvalSeeds = 1000000;
inline constexpr int kMaxEvalSpace = 1000;

// One reading of one noisy picture.
struct EvalRecord {
    int line = 0;              // line number in the corpus file
    std::string text;          // Windows-1251
    double noise = 0.0;
    NoiseKind kind = NoiseKind::Flip;
    int seed = 1;
    double coefficient = 0.2;
    EvalMethod method = EvalMethod::Simple;
    std::string reading;       // the result text, Windows-1251
    bool cut = true;           // false when Complex recognition found no cut into words
    int edits = 0;             // character edits between text and reading, trailing spaces removed
    int wordEdits = 0;         // word edits between the same
    int characters = 0;        // characters of the text without trailing spaces
    int words = 0;             // words of the text
    double seconds = 0.0;      // time of the reading (Complex: its Simple step included)
};

// The readings of one method at one noise rate and coefficient, summed up.
struct EvalSummaryRow {
    EvalMethod method = EvalMethod::Simple;
    double noise = 0.0;
    double coefficient = 0.2;
    int readings = 0;
    double cer = 0.0;          // character edits / characters
    double cerLow = 0.0;       // 95 % confidence interval of the CER
    double cerHigh = 0.0;
    double wer = 0.0;          // word edits / words
    double noCut = 0.0;        // share of readings without a cut into words
    double readingsPerSecond = 0.0;  // readings / their summed times: the rate of one thread
};

// The evaluation of Simple and Complex recognition over a corpus. Each line is rendered as
// "Set te&xt..." renders it in a new document with the font, noise is added and the picture
// is read by both methods as "Recognize (Simple)" and "Recognize (Complex)" read it. The font
// and dictionary are only read, by every worker thread at once.
class CEvaluation {
public:
    CEvaluation(const CCharImageFont& font, const CDictionary& dictionary) : m_Font(font), m_Dictionary(dictionary) {}

    // Called after each finished unit (a line at one rate and seed) with the units done and
    // the units in all; from the worker threads, one call at a time.
    using Progress = std::function<void(std::int64_t done, std::int64_t total)>;

    // False, with the reason in error, when a setting is out of range or a line would give a
    // picture larger than a document holds ("line N: ...").
    bool Check(const std::vector<CorpusLine>& lines, const EvalSettings& settings, std::string& error) const;

    // Runs the evaluation over settings.threads std::jthreads. The records come in unit order
    // (line, rate, seed, coefficient, then Simple, Complex and Open) whatever the thread count.
    // When cancel becomes true the threads stop after their current unit and the records of
    // the units finished so far are returned, still in order; cancelled is then set.
    std::vector<EvalRecord> Run(const std::vector<CorpusLine>& lines, const EvalSettings& settings,
                                const Progress& progress = {}, const std::atomic<bool>* cancel = nullptr,
                                bool* cancelled = nullptr) const;

    // The picture of text with the noise, as the run reads it: a white raster of the picture
    // rectangle of text.size() + space cells with the text drawn at the text origin.
    CRaster NoisyPicture(std::string_view text, int space, const NoiseSettings& noise) const;

    // The summary rows, by method (Simple, Complex, Open), then rate and coefficient in the order they
    // first appear in the records.
    static std::vector<EvalSummaryRow> Summarize(const std::vector<EvalRecord>& records);

private:
    struct Unit {
        std::size_t line;
        std::size_t noise;
        int seed;
    };
    void RunUnit(const CorpusLine& line, const EvalSettings& settings, const Unit& unit,
                 std::vector<EvalRecord>& out) const;

    const CCharImageFont& m_Font;
    const CDictionary& m_Dictionary;
};

// The summary rows as CSV: a header line and one line per row, numbers in full precision.
std::string SummaryCsv(const std::vector<EvalSummaryRow>& rows);

// What a curve of the summary is drawn against.
enum class EvalAxis { Noise, Coefficient };

// One point of a curve: the noise rate or the coefficient, and the CER there with its 95 %
// confidence interval.
struct EvalCurvePoint {
    double x = 0.0;
    double cer = 0.0;
    double cerLow = 0.0;
    double cerHigh = 0.0;
    double noCut = 0.0;  // share of readings without a cut into words

    bool operator==(const EvalCurvePoint&) const = default;
};

// The CER of one method against the noise rate at one coefficient, or against the
// coefficient at one noise rate; its points in ascending x.
struct EvalCurve {
    EvalMethod method = EvalMethod::Simple;
    double coefficient = 0.0;  // against the noise rate: the coefficient of every point; else 0
    std::vector<EvalCurvePoint> points;
};

// The curves of the summary rows, in the order their first rows come. Against the noise rate:
// one curve per method and coefficient. Against the coefficient: one curve per method, of the
// rows at noise rate noise (a method without rows there has a curve without points).
std::vector<EvalCurve> EvalCurves(const std::vector<EvalSummaryRow>& rows, EvalAxis axis, double noise = 0.0);

// The reading of the method at that noise rate and coefficient with the most character
// edits, the first of equals in record order; nullptr when there is none.
const EvalRecord* WorstReading(const std::vector<EvalRecord>& records, EvalMethod method, double noise,
                               double coefficient);

// A title naming a reading: "Line 12, flip noise 5 %, seed 3, Complex, k = 0.2".
std::string ReadingTitle(const EvalRecord& record);
