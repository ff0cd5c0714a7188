// Glyph sets of the screen repertoire rendered as Xft and Chromium draw them, with the faces
// cached or opened afresh, and the fontconfig lookups the font search makes.

#include "FontMatch.h"
#include "RenderGlyphSet.h"
#include "Repertoire.h"
#include "TerminalCells.h"

#include <benchmark/benchmark.h>

#include <optional>
#include <string>

namespace {

struct Family {
    const char* name;
    double pixels;
};
constexpr Family kFamilies[] = {{"DejaVu Sans Mono", 16}, {"Liberation Mono", 14}};

std::optional<GlyphSetRequest> RequestFor(const Family& family, const char* preset, int phases, CFaceRenderer& renderer)
{
    FontRequest request;
    request.family = family.name;
    request.pixelSize = family.pixels;
    const std::optional<MatchedFont> font = MatchFont(request, ScreenRenderer::Xft);
    if (!font || !font->familyFound || !renderer.SetFace(font->file, font->index) || !renderer.SetSize(font->size64))
        return std::nullopt;
    GlyphSetRequest set;
    set.faces = {{GlyphFace::Regular, font->file, font->index, false}};
    set.size64 = font->size64;
    set.settings = *FindRenderPreset(preset);
    renderer.SetSettings(set.settings);
    const TerminalCell cell = TerminalCellOf(Terminal::Xterm, renderer);
    set.cellWidth = cell.width;
    set.cellHeight = cell.height;
    set.baseline = cell.baseline;
    set.phases = phases;
    set.codes = ScreenRepertoire();
    return set;
}

// A renderer kept between sets (the font search's case), or a new one each time.
void BM_RenderGlyphSet(benchmark::State& state, const char* preset, bool warm)
{
    const Family& family = kFamilies[state.range(0)];
    const int phases = static_cast<int>(state.range(1));
    CFaceRenderer renderer;
    const std::optional<GlyphSetRequest> request = RequestFor(family, preset, phases, renderer);
    if (!request) {
        state.SkipWithError("the family is not installed");
        return;
    }
    int glyphs = 0;
    for (auto _ : state) {
        if (warm) {
            glyphs = RenderGlyphSet(renderer, *request).Glyphs();
        } else {
            CFaceRenderer fresh;
            glyphs = RenderGlyphSet(fresh, *request).Glyphs();
        }
        benchmark::DoNotOptimize(glyphs);
    }
    state.SetLabel(std::string(family.name) + ", " + std::to_string(glyphs) + " glyphs");
    state.counters["glyph images/s"] =
        benchmark::Counter(static_cast<double>(glyphs) * phases, benchmark::Counter::kIsIterationInvariantRate);
}

// Cutting rendered templates into cells again, as a search trying other baselines does.
void BM_CutGlyphSet(benchmark::State& state)
{
    CFaceRenderer renderer;
    std::optional<GlyphSetRequest> request = RequestFor(kFamilies[0], "xft", 4, renderer);
    if (!request) {
        state.SkipWithError("the family is not installed");
        return;
    }
    const std::vector<FaceTemplates> templates = RenderTemplates(renderer, *request);
    int glyphs = 0;
    for (auto _ : state) {
        ++request->baseline;
        glyphs = CutGlyphSet(templates, *request).Glyphs();
        --request->baseline;
    }
    state.SetLabel(std::to_string(glyphs) + " glyphs x 4 phases");
}

void BM_MatchFont(benchmark::State& state)
{
    FontRequest request;
    request.family = "DejaVu Sans Mono";
    request.pixelSize = 16;
    for (auto _ : state)
        benchmark::DoNotOptimize(MatchFont(request, ScreenRenderer::Xft));
}

void BM_FixedWidthFamilies(benchmark::State& state)
{
    std::size_t families = 0;
    for (auto _ : state)
        families = FixedWidthFamilies().size();
    state.SetLabel(std::to_string(families) + " fixed-width families");
}

}  // namespace

BENCHMARK_CAPTURE(BM_RenderGlyphSet, xft_warm, "xft", true)->ArgsProduct({{0, 1}, {1, 4}})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RenderGlyphSet, xft_cold, "xft", false)->ArgsProduct({{0, 1}, {4}})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RenderGlyphSet, xft_mono, "xft-mono", true)->ArgsProduct({{0}, {4}})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RenderGlyphSet, skia, "skia", true)->ArgsProduct({{0}, {4}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CutGlyphSet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatchFont)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FixedWidthFamilies)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
