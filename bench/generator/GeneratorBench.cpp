// Glyphmill's long operations: writing a whole 256-glyph font of 72 x 80 cells, the
// "Autocalc chars layout" measurement over all 256 codes, and the fit of a font to an 80 x 24
// terminal screenshot.
#include "GlfFile.h"
#include "MeasureLayout.h"
#include "PictureFile.h"
#include "PictureFit.h"

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

// A whole fit, from the picture to the chosen GLF; arg 0 the sharp, 1 the smoothed screenshot.
void BM_FitFontToPicture(benchmark::State& state)
{
    const bool smoothed = state.range(0) != 0;
    const std::string path = std::string(GLYPHMILL_FIT_DATA) +
                             (smoothed ? "/xterm-dejavu-sans-mono-12pt-aa.png" : "/xterm-liberation-mono-10pt-dark.png");
    const PictureLoad load = LoadPicture(path);
    if (!load.Ok()) {
        state.SkipWithError(load.message.c_str());
        return;
    }
    const CRaster& picture = load.raster;
    GeneratorSettings settings;
    settings.m_Font.m_strFamily = smoothed ? "DejaVu Sans Mono" : "Liberation Mono";
    int candidates = 0;
    for (auto _ : state) {
        const PictureFit fit = FitFontToPicture(picture, settings);
        if (!fit.bFound)
            state.SkipWithError(fit.strProblem.c_str());
        candidates = fit.nCandidates;
    }
    state.counters["fonts"] = candidates;
}
BENCHMARK(BM_FitFontToPicture)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

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
