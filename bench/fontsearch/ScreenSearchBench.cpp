// A terminal screenshot read again with the font found before, as the next picture of the same
// screen is: the xterm test screen of 80 x 24 cells (DejaVu Sans Mono, 724 x 436), its pitch
// measured, the kept font tried and the page read. The search itself runs once, untimed.
// And the search itself, with no font kept, on a coloured screen of bold text and bars: htop in
// a VTE terminal (80 x 20 cells, 642 x 342), every installed fixed-width family tried.

#include "FontCache.h"
#include "FontSearch.h"
#include "PageInk.h"
#include "PictureFile.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

void BM_FindScreenFontWarm(benchmark::State& state)
{
    const PictureLoad load = LoadPicture(std::string(RECOGNIZE_SCREENS) + "/dev/xterm-dejavu-gpl.png");
    if (!load.Ok()) {
        state.SkipWithError("the test screen does not load");
        return;
    }
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "bench-screen-cache";
    std::filesystem::remove_all(folder);
    FontSearchOptions options;
    options.cacheFile = FontCacheFile(folder.string());
    options.read.layout = PageLayout::Screen;
    FontSearchResult found = FindScreenFont(load.raster, InkMask(load.raster, InkRule::Auto), options);  // the search, once
    if (!found.Found()) {
        state.SkipWithError("no installed family reads the screen");
        return;
    }
    for (auto _ : state) {
        // As recognize-cli reads a picture: the picture's ink, then the search from the cache.
        found = FindScreenFont(load.raster, InkMask(load.raster, InkRule::Auto), options);
        benchmark::DoNotOptimize(found.page.text.data());
    }
    state.counters["fromCache"] = found.bFromCache ? 1 : 0;
    state.counters["cells"] = static_cast<double>(found.page.CellCount());
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_FindScreenFontWarm)->Unit(benchmark::kMillisecond);

void BM_FindScreenFontCold(benchmark::State& state)
{
    const PictureLoad load = LoadPicture(std::string(RECOGNIZE_SCREENS) + "/dev/vte-dejavu-htop.png");
    if (!load.Ok()) {
        state.SkipWithError("the test screen does not load");
        return;
    }
    FontSearchResult found;
    for (auto _ : state) {
        found = FindScreenFont(load.raster, InkMask(load.raster, InkRule::Auto), FontSearchOptions());
        benchmark::DoNotOptimize(found.page.text.data());
    }
    if (!found.Found()) {
        state.SkipWithError("no installed family reads the screen");
        return;
    }
    state.counters["tried"] = found.tried;
    state.counters["cells"] = static_cast<double>(found.page.CellCount());
}
BENCHMARK(BM_FindScreenFontCold)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
