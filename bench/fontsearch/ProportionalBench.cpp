// Proportional text in DejaVu Sans 13 px as Chromium draws it (the renderer's own templates,
// black on white): an 800 x 600 page of 36 lines read whole with the family named and its
// fonts warm, as a second picture of the same screen is read; and single lines of 25 to 400
// glyphs decoded with the font, to show that the time grows with the line's length. The
// counters give the glyphs matched in full and the states expanded per glyph of the line.
//
// PROPORTIONAL_BENCH_PAGE=FILE.pnm writes the page as a Netpbm picture, to time another
// reader on it.

#include "FaceRenderer.h"
#include "FontMatch.h"
#include "PageDecode.h"
#include "PageInk.h"
#include "PageLines.h"
#include "ProportionalSearch.h"
#include "RenderLineFont.h"
#include "RenderSettings.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double kSize = 13;
constexpr int kLinePitch = 16;
constexpr int kMargin = 8;

const char32_t kText[] =
    U"The reader decodes each line of text as the sequence of glyphs whose templates, placed at "
    U"their advances and kerned as the font kerns them, explain the ink at least cost. Short "
    U"lines, long lines, numbers like 1234.56 or 0x7fff, names such as Qwerty_Zap and "
    U"punctuation (commas, colons: semicolons; quotes \"like these\") all read alike. ";

// DejaVu Sans at 13 px as Chromium draws it at a device scale of 1; empty when not installed.
std::shared_ptr<const LineFont> Font()
{
    static const std::shared_ptr<const LineFont> font = [] {
        FontRequest request;
        request.family = "DejaVu Sans";
        request.pixelSize = kSize;
        const std::optional<MatchedFont> match = MatchFont(request, ScreenRenderer::Skia);
        if (!match || !match->familyFound)
            return std::make_shared<const LineFont>();
        CFaceRenderer renderer;
        LineFontRequest line;
        line.faces.push_back(LineFontFace{GlyphFace::Regular, match->file, match->index});
        line.size64 = static_cast<int>(kSize * 64);
        line.settings = FindRenderPreset("skia").value_or(RenderSettings{});
        line.layout = TextLayout::Chromium;
        return std::make_shared<const LineFont>(RenderLineFont(renderer, line));
    }();
    return font;
}

// Draws text from pen x at baseline y with the font's templates and kerning; returns the pen
// after it, or x when the text does not fit before the picture's right edge less the margin.
long long DrawText(CRaster& picture, const LineFont& font, const std::u32string& text, long long pen16, int baseline)
{
    std::map<char32_t, int> glyphOf;
    for (int g = 0; g < font.Glyphs(); ++g) {
        const LineGlyph& glyph = font.glyphs[static_cast<std::size_t>(g)];
        if (glyph.text.size() == 1)
            glyphOf.emplace(glyph.text[0], g);
        for (char32_t code : glyph.lookAlikes)
            glyphOf.emplace(code, g);
    }
    int previous = -1;
    for (char32_t code : text) {
        const auto found = glyphOf.find(code);
        if (found == glyphOf.end())
            continue;
        const int g = found->second;
        if (previous >= 0)
            pen16 += font.Kerning(previous, g);
        const long long phase = PenPhase(pen16, font.phases, font.pen);
        const long long pixel = phase >= 0 ? phase / font.phases : -((-phase + font.phases - 1) / font.phases);
        const LineGlyphImage& image = font.Image(g, static_cast<int>(phase - pixel * font.phases));
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                if (font.Ink(image, x, y))
                    picture.SetPixel(static_cast<int>(pixel) + image.left + x, baseline - image.top + y, 0x000000);
        pen16 += font.glyphs[static_cast<std::size_t>(g)].advance16;
        previous = g;
    }
    return pen16;
}

// The page: lines of the text broken at spaces before the right margin.
CRaster MakePage(const LineFont& font)
{
    CRaster picture;
    picture.Create(800, 600, 0xFFFFFF);
    const std::u32string text(kText);
    std::size_t at = 0;
    const long long right = static_cast<long long>(800 - kMargin) << 16;
    for (int baseline = kMargin + 12; baseline + 4 <= 600 - kMargin; baseline += kLinePitch) {
        // The longest run of whole words that fits.
        std::u32string line;
        std::u32string word;
        for (std::size_t i = 0;; ++i) {
            const char32_t code = text[(at + i) % text.size()];
            if (code != U' ') {
                word += code;
                continue;
            }
            CRaster scratch;
            scratch.Create(1, 1, 0xFFFFFF);
            const std::u32string longer = line.empty() ? word : line + U" " + word;
            if (DrawText(scratch, font, longer, static_cast<long long>(kMargin) << 16, -100) > right)
                break;
            line = longer;
            word.clear();
            at = (at + i + 1) % text.size();
            i = static_cast<std::size_t>(-1);
        }
        DrawText(picture, font, line, static_cast<long long>(kMargin) << 16, baseline);
    }
    return picture;
}

void WritePage(const CRaster& picture)
{
    const char* path = std::getenv("PROPORTIONAL_BENCH_PAGE");
    if (path == nullptr || path[0] == '\0')
        return;
    if (std::FILE* out = std::fopen(path, "wb")) {
        std::fprintf(out, "P5\n%d %d\n255\n", picture.width(), picture.height());
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                std::fputc(picture.Pixel(x, y) == 0 ? 0 : 255, out);
        std::fclose(out);
    }
}

void BM_ReadPageWarm(benchmark::State& state)
{
    const std::shared_ptr<const LineFont> font = Font();
    if (font->Empty()) {
        state.SkipWithError("DejaVu Sans is not installed");
        return;
    }
    const CRaster picture = MakePage(*font);
    WritePage(picture);
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "bench-proportional-cache";
    std::filesystem::remove_all(folder);
    ProportionalOptions options;
    options.families = {"DejaVu Sans"};
    options.cacheFolder = folder.string();
    ProportionalReading reading = ReadProportional(picture, options);  // the search, once
    for (auto _ : state) {
        reading = ReadProportional(picture, options);
        benchmark::DoNotOptimize(reading.text.data());
    }
    state.counters["lines"] = static_cast<double>(reading.lines.size());
    state.counters["chars"] = static_cast<double>(reading.text.size());
    state.counters["fromCache"] = reading.bFromCache ? 1 : 0;
    state.counters["search_ms"] = reading.dSearchMilliseconds;
    state.counters["decode_ms"] = reading.dDecodeMilliseconds;
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ReadPageWarm)->Unit(benchmark::kMillisecond);

// One line of state.range(0) glyphs of the text, decoded with the font it was drawn with: with
// every glyph at once (state.range(1) 0), or with the Latin ones first (2), as a page whose
// samples read no Cyrillic letter is.
void BM_DecodeLine(benchmark::State& state)
{
    const std::shared_ptr<const LineFont> font = Font();
    if (font->Empty()) {
        state.SkipWithError("DejaVu Sans is not installed");
        return;
    }
    const std::u32string all(kText);
    std::u32string text;
    while (static_cast<long long>(text.size()) < state.range(0))
        text += all[text.size() % all.size()];
    CRaster picture;
    picture.Create(static_cast<int>(state.range(0)) * 14 + 40, 24, 0xFFFFFF);
    DrawText(picture, *font, text, 8LL << 16, 16);
    const InkBits ink = InkMask(picture, InkRule::Auto);
    const std::vector<TextBand> bands = FindLines(ink, 0);
    if (bands.size() != 1) {
        state.SkipWithError("the line is not found as one band");
        return;
    }
    DecodeOptions options;
    options.first = static_cast<FirstGlyphs>(state.range(1));
    DecodedLine line;
    for (auto _ : state) {
        line = DecodeLine(ink, bands.front(), 16, *font, options);
        benchmark::DoNotOptimize(line.text.data());
    }
    const double glyphs = static_cast<double>(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["matched/glyph"] = static_cast<double>(line.matched) / glyphs;
    state.counters["states/glyph"] = static_cast<double>(line.states) / glyphs;
    state.counters["exact"] = line.text == text ? 1 : 0;
}
BENCHMARK(BM_DecodeLine)
    ->ArgsProduct({benchmark::CreateRange(25, 400, 2),
                   {static_cast<long long>(FirstGlyphs::All), static_cast<long long>(FirstGlyphs::Latin)}})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
