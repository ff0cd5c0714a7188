// Glyphmill's long operations: writing a whole 256-glyph font of 72 x 80 cells, and the
// "Autocalc chars layout" measurement over all 256 codes.
#include "GlfFile.h"
#include "MeasureLayout.h"

#include <QDir>
#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

void BM_RenderGlfFile(benchmark::State& state)
{
    const GeneratorSettings settings;   // 256 codes, W 72, H 80
    std::vector<std::uint8_t> bytes;
    std::string error;
    for (auto _ : state) {
        if (!RenderGlfFile(settings, {}, bytes, error))
            state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_RenderGlfFile)->Unit(benchmark::kMillisecond);

void BM_SaveGlfFile(benchmark::State& state)
{
    const GeneratorSettings settings;
    const std::string path = QDir::tempPath().toStdString() + "/glyphmill-bench.GLF";
    std::string error;
    for (auto _ : state) {
        if (!SaveGlfFile(path, settings, {}, error))
            state.SkipWithError(error.c_str());
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_SaveGlfFile)->Unit(benchmark::kMillisecond);

void BM_MeasureLayout(benchmark::State& state)
{
    const GeneratorSettings settings;
    for (auto _ : state) {
        const LayoutBox box = MeasureLayout(settings);
        benchmark::DoNotOptimize(box);
    }
}
BENCHMARK(BM_MeasureLayout)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
