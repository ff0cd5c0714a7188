// Readings per second of the evaluation over noisy 40-character lines, with one and with two
// worker threads.

#include "CEvaluation.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

const std::string kData = std::string(RECOGNIZE_SOURCE_DIR) + "/data/";

// The shipped English corpus cut into lines of exactly 40 characters.
std::vector<CorpusLine> FortyCharacterLines(int count) {
    std::vector<CorpusLine> corpus;
    std::string error;
    LoadCorpus(kData + "corpus/english.txt", corpus, error);
    std::string stream;
    for (const CorpusLine& line : corpus)
        stream += line.text + ' ';
    std::vector<CorpusLine> lines;
    for (int i = 0; i < count && (i + 1) * 40 <= static_cast<int>(stream.size()); ++i)
        lines.push_back({i + 1, stream.substr(static_cast<std::size_t>(i) * 40, 40)});
    return lines;
}

// Simple and Complex recognition of 200 flip-noisy lines at 5 %: 400 readings per iteration.
void BM_EvalReadings(benchmark::State& state) {
    CCharImageFont font;
    CDictionary dictionary;
    if (!font.LoadFromFile(kData + "Fonts/default.GLF") || !dictionary.SetAlphabet(1) ||
        !dictionary.LoadWords(kData + "dict.dic")) {
        state.SkipWithError("the default font or dict.dic cannot be loaded");
        return;
    }
    const std::vector<CorpusLine> lines = FortyCharacterLines(200);
    EvalSettings settings;
    settings.noises = {0.05};
    settings.threads = static_cast<int>(state.range(0));
    const CEvaluation evaluation(font, dictionary);
    std::size_t readings = 0;
    for (auto _ : state) {
        const std::vector<EvalRecord> records = evaluation.Run(lines, settings);
        readings += records.size();
        benchmark::DoNotOptimize(records.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(readings));
    state.counters["readings_per_second"] =
        benchmark::Counter(static_cast<double>(readings), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EvalReadings)->ArgName("threads")->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
