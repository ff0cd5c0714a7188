// The page reader on screenshots full of text in a 10 x 19 font of 191 glyphs (a 16 px
// monospaced face): an 80 x 24 terminal, and pages of 960 x 540, 1920 x 1080 and 3840 x 2160
// pixels to show that the time grows with the area, and a 4K page whose lines lie on no common
// grid. The counters give each stage's share: ink mask, search (lines and grid) and matching
// the found cells once. Coloured screens (80 x 24 and 4K) are read with the screen layout, every
// cell against its own colours and styled.

#include "PageReader.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <utility>

namespace {

constexpr int kW = 10;
constexpr int kH = 19;

// Codes 32..126 and 160..255; the space is blank, the others noise of about a fifth ink inside
// the margins a real face leaves (a column each side, four rows above, three below).
CCharImageFont MakeFont()
{
    CCharImageFont font;
    font.m_nFirst = 32;
    font.m_nLast = 255;
    std::mt19937 random(5);
    for (int code = 32; code <= 255; ++code) {
        CCharImage glyph;
        const bool kept = code <= 126 || code >= 160;
        glyph.m_nWidth = kept ? kW : 0;
        glyph.m_nHeight = kept ? kH : 0;
        glyph.m_nBytesPerRow = (glyph.m_nWidth + 7) / 8;
        glyph.m_Bits.assign(static_cast<std::size_t>(glyph.m_nBytesPerRow) * glyph.m_nHeight, 0);
        if (kept && code != ' ')
            for (int y = 4; y < kH - 3; ++y)
                for (int x = 1; x < kW - 1; ++x)
                    if (random() % 5 == 0)
                        glyph.m_Bits[static_cast<std::size_t>(y) * glyph.m_nBytesPerRow + x / 8] |=
                            static_cast<std::uint8_t>(0x80 >> (x % 8));
        font.m_Glyphs.push_back(glyph);
    }
    return font;
}

const CCharImageFont& Font()
{
    static const CCharImageFont font = MakeFont();
    return font;
}

const GlyphSet& Glyphs()
{
    static const GlyphSet glyphs = GlyphSetFromFont(Font());
    return glyphs;
}

const PageGlyphs& Packed()
{
    static const PageGlyphs packed = [] {
        PageGlyphs p;
        p.Build(Glyphs());
        return p;
    }();
    return packed;
}

// A picture of width x height pixels, light grey text on a dark background, every row of cells
// full of text with a space in about six cells, and antialiased edges: the pixel right of
// each ink pixel is a mid tone that must not count as ink. On one grid from (3, 2); scattered,
// each line starts at its own pixel (a line feed of H + 1..8 pixels, a margin of 0..299).
CRaster MakePage(int width, int height, bool scattered = false)
{
    CRaster picture;
    picture.Create(width, height, 0x1E1E1E);
    std::mt19937 random(9);
    for (int top = 2; top + kH <= height; top += scattered ? kH + 1 + static_cast<int>(random() % 8) : kH)
        for (int left = scattered ? 3 + static_cast<int>(random() % 300) : 3; left + kW <= width; left += kW) {
            int code = 33 + static_cast<int>(random() % 94);
            if (random() % 6 == 0)
                code = ' ';
            const CCharImage* glyph = Font().GetCharImage(code);
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x)
                    if (glyph->Pixel(x, y)) {
                        picture.SetPixel(left + x, top + y, 0xD0D0D0);
                        if (x + 1 < kW && !glyph->Pixel(x + 1, y))
                            picture.SetPixel(left + x + 1, top + y, 0x606060);
                    }
        }
    return picture;
}

// A terminal's screen in colour, width x height pixels on one grid from (3, 2): on a dark
// background, runs of text in six foreground colours, a reverse-video status bar every twelfth
// row, a selection of a few cells now and then on a blue background, and a cursor block.
CRaster MakeColouredScreen(int width, int height)
{
    constexpr std::uint32_t kBackground = 0x1C1C1C;
    constexpr std::uint32_t kForegrounds[] = {0xD0D0D0, 0xCD0000, 0x00CD00, 0xCDCD00, 0x5C5CFF, 0x00CDCD};
    CRaster picture;
    picture.Create(width, height, kBackground);
    std::mt19937 random(11);
    int row = 0;
    for (int top = 2; top + kH <= height; top += kH, ++row) {
        const bool bar = row % 12 == 11;
        std::uint32_t fg = kForegrounds[0];
        int selection = 0;
        for (int left = 3; left + kW <= width; left += kW) {
            if (random() % 9 == 0)
                fg = kForegrounds[random() % 6];
            if (!bar && selection == 0 && random() % 40 == 0)
                selection = 3 + static_cast<int>(random() % 10);
            std::uint32_t ink = fg, paper = kBackground;
            if (bar)
                ink = kBackground, paper = 0x00CD00;
            else if (selection > 0)
                ink = 0xFFFFFF, paper = 0x4A90D9, --selection;
            if (row == 1 && left == 3 + 40 * kW)
                std::swap(ink, paper);  // the cursor
            int code = 33 + static_cast<int>(random() % 94);
            if (random() % 6 == 0)
                code = ' ';
            picture.FillRect(left, top, left + kW, top + kH, paper);
            const CCharImage* glyph = Font().GetCharImage(code);
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x)
                    if (glyph->Pixel(x, y))
                        picture.SetPixel(left + x, top + y, ink);
        }
    }
    return picture;
}

// The whole reading; the counters give the wall-clock share of each stage.
void BM_ReadPage(benchmark::State& state)
{
    const CRaster picture =
        MakePage(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), state.range(2) != 0);
    PageReading page;
    double ink = 0, search = 0, match = 0;
    for (auto _ : state) {
        page = ReadPage(picture, Glyphs(), PageOptions{});
        ink += page.dInkMilliseconds;
        search += page.dSearchMilliseconds;
        match += page.dMatchMilliseconds;
        benchmark::DoNotOptimize(page.text.data());
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["ink_ms"] = ink / runs;
    state.counters["search_ms"] = search / runs;
    state.counters["match_ms"] = match / runs;
    state.counters["lines"] = static_cast<double>(page.lines.size());
    state.counters["cells"] = static_cast<double>(page.CellCount());
    const double pixels = static_cast<double>(state.range(0)) * static_cast<double>(state.range(1));
    state.counters["px/s"] = benchmark::Counter(pixels, benchmark::Counter::kIsIterationInvariantRate);
}

// A coloured screen read with the screen layout, every cell with its colours and attributes.
void BM_ReadColouredScreen(benchmark::State& state)
{
    const CRaster picture = MakeColouredScreen(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    PageOptions options;
    options.layout = PageLayout::Screen;
    PageReading page;
    double ink = 0, search = 0, match = 0, style = 0;
    for (auto _ : state) {
        page = ReadPage(picture, Glyphs(), options);
        ink += page.dInkMilliseconds;
        search += page.dSearchMilliseconds;
        match += page.dMatchMilliseconds;
        style += page.dStyleMilliseconds;
        benchmark::DoNotOptimize(page.text.data());
    }
    const double runs = static_cast<double>(state.iterations());
    state.counters["ink_ms"] = ink / runs;
    state.counters["search_ms"] = search / runs;
    state.counters["match_ms"] = match / runs;
    state.counters["style_ms"] = style / runs;
    state.counters["rows"] = static_cast<double>(page.screen.rows);
    state.counters["columns"] = static_cast<double>(page.screen.columns);
}

// One stage alone, so that its CPU time can be read apart from the others': 0 the ink mask,
// 1 the search (FindLines and FindGrid), 2 matching the found cells once (MatchCells).
void BM_Stage(benchmark::State& state)
{
    const CRaster picture = MakePage(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const InkBits ink = InkMask(picture, InkRule::Auto);
    const PageGrid grid = FindGrid(ink, Packed(), FindLines(ink, kH));
    for (auto _ : state) {
        switch (state.range(2)) {
        case 0: benchmark::DoNotOptimize(InkMask(picture, InkRule::Auto).words.data()); break;
        case 1: benchmark::DoNotOptimize(FindGrid(ink, Packed(), FindLines(ink, kH)).lines.data()); break;
        default: benchmark::DoNotOptimize(MatchCells(ink, Packed(), grid, 0.2).data()); break;
        }
    }
}

void PageSizes(benchmark::internal::Benchmark* b, bool stages)
{
    for (auto [w, h] : {std::pair{806, 460}, std::pair{960, 540}, std::pair{1920, 1080}, std::pair{3840, 2160}}) {
        if (!stages)
            b->Args({w, h, 0});
        else
            for (int stage = 0; stage < 3; ++stage)
                b->Args({w, h, stage});
    }
}

BENCHMARK(BM_ReadPage)
    ->ArgNames({"width", "height", "scattered"})
    ->Apply([](auto* b) { PageSizes(b, false); })
    ->Args({3840, 2160, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadColouredScreen)
    ->ArgNames({"width", "height"})
    ->Args({806, 460})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Stage)
    ->ArgNames({"width", "height", "stage"})
    ->Apply([](auto* b) { PageSizes(b, true); })
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
