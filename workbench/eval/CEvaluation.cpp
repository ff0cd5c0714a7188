// The evaluation of recognition over a corpus.
#include "CEvaluation.h"

#include "CComplexRecognizer.h"
#include "CRecognizeDoc.h"
#include "CSimpleRecognizer.h"
#include "EditDistance.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>
#include <mutex>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsBetween(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double>(end - start).count();
}

// The shortest text that reads back as value.
std::string ShortestNumber(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

void Score(EvalRecord& record) {
    const std::string_view text = TrimTrailingSpaces(record.text);
    const std::string_view reading = TrimTrailingSpaces(record.reading);
    record.edits = CharacterEditDistance(text, reading);
    record.wordEdits = WordEditDistance(text, reading);
    record.characters = static_cast<int>(text.size());
    record.words = static_cast<int>(SplitWords(text).size());
}

}  // namespace

const char* EvalMethodName(EvalMethod method) {
    switch (method) {
    case EvalMethod::Complex: return "complex";
    case EvalMethod::Open: return "open";
    default: return "simple";
    }
}

bool CEvaluation::Check(const std::vector<CorpusLine>& lines, const EvalSettings& settings, std::string& error) const {
    for (double rate : settings.noises)
        if (!NoiseRateAllowed(rate)) {
            error = "a noise rate must lie between 0 and 0.5";
            return false;
        }
    for (double coefficient : settings.coefficients)
        if (!std::isfinite(coefficient)) {
            error = "a coefficient must be a number";
            return false;
        }
    if (settings.noises.empty() || settings.coefficients.empty()) {
        error = "at least one noise rate and one coefficient are needed";
        return false;
    }
    if (!(settings.unknownPenalty >= 0 && settings.unknownPenalty <= OpenWordsOptions::kMaxPenalty)) {
        error = "the unknown-word penalty must lie between 0 and 10";
        return false;
    }
    if (settings.seeds < 1 || settings.seeds > kMaxEvalSeeds || settings.space < 0 || settings.space > kMaxEvalSpace) {
        error = "the number of seeds or the additional space is out of range";
        return false;
    }
    for (const CorpusLine& line : lines) {
        const std::int64_t cells = static_cast<std::int64_t>(line.text.size()) + settings.space;
        if (cells > CRecognizeDoc::kMaxCells || !PictureGeometry::Of(m_Font, cells).Allowed()) {
            error = "line " + std::to_string(line.number) + ": the text gives a picture larger than a document holds";
            return false;
        }
    }
    return true;
}

CRaster CEvaluation::NoisyPicture(std::string_view text, int space, const NoiseSettings& noise) const {
    // The picture rectangle and text origin of a document with text.size() + space cells.
    const PictureGeometry geometry = PictureGeometry::Of(m_Font, static_cast<std::int64_t>(text.size()) + space);
    CRaster picture;
    if (!geometry.Allowed())
        return picture;
    const CRect rect = geometry.Rect();
    picture.Create(rect.Width(), rect.Height(), CRaster::kWhite);
    m_Font.DrawString(picture, text, geometry.OriginX(), geometry.OriginY());
    AddNoise(picture, noise);
    return picture;
}

void CEvaluation::RunUnit(const CorpusLine& line, const EvalSettings& settings, const Unit& unit,
                          std::vector<EvalRecord>& out) const {
    const double rate = settings.noises[unit.noise];
    const CRaster picture = NoisyPicture(line.text, settings.space,
                                         NoiseSettings{settings.kind, rate, static_cast<std::uint64_t>(unit.seed)});
    const int cells = static_cast<int>(line.text.size()) + settings.space;
    const CellGrid grid = PictureGeometry::Of(m_Font, cells).Grid();
    std::vector<CPrefixList> lists;
    for (double coefficient : settings.coefficients) {
        EvalRecord record;
        record.line = line.number;
        record.text = line.text;
        record.noise = rate;
        record.kind = settings.kind;
        record.seed = unit.seed;
        record.coefficient = coefficient;

        const Clock::time_point start = Clock::now();
        SimpleResult simple = CSimpleRecognizer().Recognize(picture, m_Font, grid, cells, coefficient);
        const Clock::time_point simpleEnd = Clock::now();
        ComplexResult complex =
            CComplexRecognizer().Recognize(cells, simple.variants, m_Dictionary, lists, [](PrefixListsStatus) {});
        const Clock::time_point complexEnd = Clock::now();
        ComplexResult open;
        Clock::time_point openEnd = complexEnd;
        if (settings.bOpenWords) {
            OpenWordsOptions options;
            options.dUnknownPenalty = settings.unknownPenalty;
            options.nCellPixels = grid.width * grid.height;
            open = COpenRecognizer(options).Recognize(cells, simple, m_Dictionary);
            openEnd = Clock::now();
        }

        record.method = EvalMethod::Simple;
        record.reading = simple.text;
        record.seconds = SecondsBetween(start, simpleEnd);
        Score(record);
        out.push_back(record);

        record.method = EvalMethod::Complex;
        record.reading = std::move(complex.text);
        record.cut = complex.bCut;
        record.seconds = SecondsBetween(start, complexEnd);
        Score(record);
        out.push_back(record);

        if (settings.bOpenWords) {
            // Timed as the document runs it: the Simple step, then the open step.
            record.method = EvalMethod::Open;
            record.reading = std::move(open.text);
            record.cut = open.bCut;
            record.seconds = SecondsBetween(start, simpleEnd) + SecondsBetween(complexEnd, openEnd);
            Score(record);
            out.push_back(std::move(record));
        }
    }
}

std::vector<EvalRecord> CEvaluation::Run(const std::vector<CorpusLine>& lines, const EvalSettings& settings,
                                         const Progress& progress, const std::atomic<bool>* cancel,
                                         bool* cancelled) const {
    std::vector<Unit> units;
    for (std::size_t l = 0; l < lines.size(); ++l)
        for (std::size_t n = 0; n < settings.noises.size(); ++n)
            for (int seed = 1; seed <= settings.seeds; ++seed)
                units.push_back({l, n, seed});
    const auto total = static_cast<std::int64_t>(units.size());

    std::vector<std::vector<EvalRecord>> results(units.size());
    std::vector<char> finished(units.size(), 0);
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;  // guards done, failure and the progress calls
    std::int64_t done = 0;
    std::exception_ptr failure;

    auto work = [&] {
        while (!stop.load(std::memory_order_relaxed) && !(cancel != nullptr && cancel->load())) {
            const std::size_t index = next.fetch_add(1);
            if (index >= units.size())
                return;
            // A unit or a progress call that throws stops the run: on a worker thread it would
            // otherwise end the process. The first failure is thrown again to the caller.
            try {
                RunUnit(lines[units[index].line], settings, units[index], results[index]);
                finished[index] = 1;
                const std::lock_guard lock(mutex);
                ++done;
                if (progress)
                    progress(done, total);
            } catch (...) {
                const std::lock_guard lock(mutex);
                if (!failure)
                    failure = std::current_exception();
                stop = true;
                return;
            }
        }
    };

    unsigned threads = settings.threads > 0 ? static_cast<unsigned>(settings.threads) : std::thread::hardware_concurrency();
    threads = std::clamp<unsigned>(threads, 1, static_cast<unsigned>(std::max<std::size_t>(units.size(), 1)));
    {
        std::vector<std::jthread> workers;
        for (unsigned t = 1; t < threads; ++t)
            workers.emplace_back(work);
        work();
    }
    if (failure)
        std::rethrow_exception(failure);

    std::vector<EvalRecord> records;
    bool incomplete = false;
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (!finished[i]) {
            incomplete = true;
            continue;
        }
        for (EvalRecord& record : results[i])
            records.push_back(std::move(record));
    }
    if (cancelled != nullptr)
        *cancelled = incomplete;
    return records;
}

std::vector<EvalSummaryRow> CEvaluation::Summarize(const std::vector<EvalRecord>& records) {
    struct Group {
        EvalSummaryRow row;
        double edits = 0, characters = 0, wordEdits = 0, words = 0, noCut = 0, seconds = 0;
        std::vector<const EvalRecord*> members;
    };
    std::vector<Group> groups;
    for (EvalMethod method : {EvalMethod::Simple, EvalMethod::Complex, EvalMethod::Open}) {
        const std::size_t first = groups.size();
        for (const EvalRecord& record : records) {
            if (record.method != method)
                continue;
            auto it = std::find_if(groups.begin() + static_cast<std::ptrdiff_t>(first), groups.end(), [&](const Group& g) {
                return g.row.noise == record.noise && g.row.coefficient == record.coefficient;
            });
            if (it == groups.end()) {
                groups.emplace_back();
                groups.back().row.method = method;
                groups.back().row.noise = record.noise;
                groups.back().row.coefficient = record.coefficient;
                it = groups.end() - 1;
            }
            it->edits += record.edits;
            it->characters += record.characters;
            it->wordEdits += record.wordEdits;
            it->words += record.words;
            it->noCut += record.cut ? 0 : 1;
            it->seconds += record.seconds;
            it->members.push_back(&record);
        }
    }

    std::vector<EvalSummaryRow> rows;
    for (Group& group : groups) {
        EvalSummaryRow& row = group.row;
        const auto n = static_cast<double>(group.members.size());
        row.readings = static_cast<int>(group.members.size());
        // A text of no characters read wrongly counts each edit as a whole error.
        row.cer = group.edits / std::max(group.characters, 1.0);
        row.wer = group.wordEdits / std::max(group.words, 1.0);
        row.noCut = group.noCut / n;
        row.readingsPerSecond = group.seconds > 0 ? n / group.seconds : 0.0;
        // The CER is a ratio of sums over the samples (each a line at one seed); its variance
        // by the delta method is n / (n - 1) x sum (e_i - CER c_i)^2 / (sum c_i)^2, and the
        // interval CER +- 1.96 standard errors, cut at 0.
        double spread = 0;
        if (n > 1 && group.characters > 0) {
            for (const EvalRecord* record : group.members) {
                const double residual = record->edits - row.cer * record->characters;
                spread += residual * residual;
            }
            const double variance = n / (n - 1) * spread / (group.characters * group.characters);
            spread = 1.96 * std::sqrt(variance);
        }
        row.cerLow = std::max(0.0, row.cer - spread);
        row.cerHigh = row.cer + spread;
        rows.push_back(row);
    }
    return rows;
}

std::string SummaryCsv(const std::vector<EvalSummaryRow>& rows) {
    std::string csv = "method,noise,coefficient,cer,cer_low,cer_high,wer,no_cut,readings_per_second\n";
    for (const EvalSummaryRow& row : rows) {
        csv += EvalMethodName(row.method);
        for (double value : {row.noise, row.coefficient, row.cer, row.cerLow, row.cerHigh, row.wer, row.noCut,
                             row.readingsPerSecond}) {
            csv += ',';
            csv += ShortestNumber(value);
        }
        csv += '\n';
    }
    return csv;
}

std::vector<EvalCurve> EvalCurves(const std::vector<EvalSummaryRow>& rows, EvalAxis axis, double noise) {
    const bool againstNoise = axis == EvalAxis::Noise;
    std::vector<EvalCurve> curves;
    for (const EvalSummaryRow& row : rows) {
        const double coefficient = againstNoise ? row.coefficient : 0.0;
        auto curve = std::find_if(curves.begin(), curves.end(), [&](const EvalCurve& c) {
            return c.method == row.method && c.coefficient == coefficient;
        });
        if (curve == curves.end()) {
            curves.push_back({row.method, coefficient, {}});
            curve = curves.end() - 1;
        }
        if (!againstNoise && row.noise != noise)
            continue;
        curve->points.push_back({againstNoise ? row.noise : row.coefficient, row.cer, row.cerLow, row.cerHigh, row.noCut});
    }
    for (EvalCurve& curve : curves)
        std::stable_sort(curve.points.begin(), curve.points.end(),
                         [](const EvalCurvePoint& a, const EvalCurvePoint& b) { return a.x < b.x; });
    return curves;
}

const EvalRecord* WorstReading(const std::vector<EvalRecord>& records, EvalMethod method, double noise,
                               double coefficient) {
    const EvalRecord* worst = nullptr;
    for (const EvalRecord& record : records)
        if (record.method == method && record.noise == noise && record.coefficient == coefficient &&
            (worst == nullptr || record.edits > worst->edits))
            worst = &record;
    return worst;
}

std::string ReadingTitle(const EvalRecord& record) {
    std::string method = EvalMethodName(record.method);
    if (!method.empty())
        method[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(method[0])));
    const std::string_view kind = NoiseKindName(record.kind);
    char title[160];
    std::snprintf(title, sizeof title, "Line %d, %.*s noise %g %%, seed %d, %s, k = %g", record.line,
                  static_cast<int>(kind.size()), kind.data(), record.noise * 100, record.seed, method.c_str(),
                  record.coefficient);
    return title;
}
