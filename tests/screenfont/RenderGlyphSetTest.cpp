#include "RenderGlyphSet.h"

#include "CRaster.h"
#include "FontMatch.h"
#include "Repertoire.h"

#include <gtest/gtest.h>

#include <numeric>
#include <set>

namespace {

// DejaVu Sans Mono at 16 pixels, as Xft draws it; the test is skipped without it.
class DejaVu : public testing::Test {
protected:
    void SetUp() override
    {
        FontRequest request;
        request.family = "DejaVu Sans Mono";
        request.pixelSize = 16;
        m_Font = MatchFont(request, ScreenRenderer::Xft);
        if (!m_Font || !m_Font->familyFound)
            GTEST_SKIP() << "DejaVu Sans Mono is not installed";
        ASSERT_TRUE(m_Renderer.SetFace(m_Font->file, m_Font->index));
        ASSERT_TRUE(m_Renderer.SetSize(m_Font->size64));
        m_Renderer.SetSettings(m_Font->settings);
    }

    GlyphSetRequest Request(const RenderSettings& settings, int phases) const
    {
        GlyphSetRequest request;
        request.faces = {{GlyphFace::Regular, m_Font->file, m_Font->index, false}};
        request.size64 = m_Font->size64;
        request.settings = settings;
        request.cellWidth = 10;
        request.cellHeight = 19;
        request.baseline = 15;
        request.phases = phases;
        return request;
    }

    int Ink(const GlyphImage& image) const
    {
        return std::accumulate(image.coverage.begin(), image.coverage.end(), 0);
    }

    std::optional<MatchedFont> m_Font;
    CFaceRenderer m_Renderer;
};

}  // namespace

TEST_F(DejaVu, PhasesAreTheOutlineMovedByFractionsOfAPixel)
{
    RenderSettings unhinted = m_Font->settings;
    unhinted.hinting = Hinting::None;
    m_Renderer.SetSettings(unhinted);
    const unsigned o = m_Renderer.GlyphIndex(U'o');
    std::vector<GlyphImage> phases;
    ASSERT_TRUE(m_Renderer.RenderPhases(o, 4, phases));
    ASSERT_EQ(phases.size(), 4U);
    GlyphImage one;
    for (int p = 0; p < 4; ++p) {
        ASSERT_TRUE(m_Renderer.Render(o, PhaseOffset64(p, 4), one));
        EXPECT_EQ(one.coverage, phases[static_cast<std::size_t>(p)].coverage) << p;
        EXPECT_EQ(one.left, phases[static_cast<std::size_t>(p)].left) << p;
    }
    EXPECT_NE(phases[1].coverage, phases[0].coverage);
    // A whole pixel moves the image, not its pixels.
    GlyphImage shifted;
    ASSERT_TRUE(m_Renderer.Render(o, 64, shifted));
    EXPECT_EQ(shifted.coverage, phases[0].coverage);
    EXPECT_EQ(shifted.left, phases[0].left + 1);
    EXPECT_EQ(shifted.advance64, phases[0].advance64);
    EXPECT_EQ(PhaseOffset64(3, 4), 48);
    EXPECT_EQ(PhaseOffset64(1, 3), 21);
}

TEST_F(DejaVu, GlyphSetCellsAreTheRenderedGlyphsCutAtTheCellAndTheInkWeight)
{
    const GlyphSet set = RenderGlyphSet(m_Renderer, Request(m_Font->settings, 2));
    ASSERT_TRUE(set.Consistent());
    EXPECT_EQ(set.cellWidth, 10);
    EXPECT_EQ(set.cellHeight, 19);
    EXPECT_EQ(set.baseline, 15);
    EXPECT_EQ(set.phases, 2);
    EXPECT_EQ(set.name, "DejaVu Sans Mono 16 px");
    EXPECT_GT(set.Glyphs(), 700);  // DejaVu covers nearly all of the repertoire
    for (char32_t code : set.codes)
        ASSERT_NE(ClassOfCode(code), CodeClass::Control);
    for (char32_t code : {U'A', U'ж', U'Ω', U'─', U'█', U'→', U'…'})
        EXPECT_GE(set.Find(code), 0) << static_cast<unsigned>(code);
    const int space = set.Find(U' ');
    ASSERT_GE(space, 0);
    EXPECT_TRUE(std::all_of(set.Image(0, space), set.Image(0, space) + set.ImageBytes(), [](std::uint8_t b) { return b == 0; }));

    // Each cell is the glyph laid at its phase, cut at the cell, ink from the half-way weight.
    GlyphImage image;
    std::vector<std::uint8_t> cell(10 * 19);
    for (char32_t code : {U'g', U'W', U'█'}) {
        const int g = set.Find(code);
        for (int phase = 0; phase < 2; ++phase) {
            ASSERT_TRUE(m_Renderer.Render(m_Renderer.GlyphIndex(code), PhaseOffset64(phase, 2), image));
            PlaceInCell(image, 10, 19, 15, cell.data());
            for (int y = 0; y < 19; ++y)
                for (int x = 0; x < 10; ++x)
                    ASSERT_EQ(set.Ink(phase, g, x, y), cell[static_cast<std::size_t>(y * 10 + x)] >= kInkWeight)
                        << static_cast<unsigned>(code) << " phase " << phase << " at " << x << "," << y;
        }
    }
    // The full block fills its cell; the part above the cell's top is cut.
    const int block = set.Find(U'█');
    for (int y = 0; y < 19; ++y)
        EXPECT_TRUE(set.Ink(0, block, 0, y)) << y;
}

TEST_F(DejaVu, FacesAndFakeBoldAddGlyphsOfTheirOwn)
{
    FontRequest boldRequest;
    boldRequest.family = "DejaVu Sans Mono";
    boldRequest.pixelSize = 16;
    boldRequest.bold = true;
    const std::optional<MatchedFont> bold = MatchFont(boldRequest, ScreenRenderer::Xft);
    ASSERT_TRUE(bold.has_value());
    GlyphSetRequest request = Request(m_Font->settings, 1);
    request.codes = {U'a', U'b', U'\t', U'a'};
    request.faces.push_back({GlyphFace::Bold, bold->file, bold->index, false});
    request.faces.push_back({GlyphFace::Italic, m_Font->file, m_Font->index, true});
    request.faces.push_back({GlyphFace::Bold, "/no/such/font.ttf", 0, false});  // a face given twice keeps its first
    const GlyphSet set = RenderGlyphSet(m_Renderer, request);
    ASSERT_TRUE(set.Consistent());
    EXPECT_EQ(set.Glyphs(), 6);  // a and b in three faces; the tab is never rendered
    auto inked = [&](int g) {
        int n = 0;
        for (int y = 0; y < 19; ++y)
            for (int x = 0; x < 10; ++x)
                n += set.Ink(0, g, x, y);
        return n;
    };
    const int regular = inked(set.Find(U'a'));
    EXPECT_GT(inked(set.Find(U'a', GlyphFace::Bold)), regular);
    EXPECT_GT(inked(set.Find(U'a', GlyphFace::Italic)), regular);  // the regular face emboldened

    // Nothing to render gives an empty set.
    EXPECT_TRUE(RenderGlyphSet(m_Renderer, GlyphSetRequest{}).Empty());
}

TEST_F(DejaVu, MonoGlyphsAreBitsAndSkiasCurveMovesTheInkWeight)
{
    m_Renderer.SetSettings(*FindRenderPreset("xft-mono"));
    GlyphImage image;
    ASSERT_TRUE(m_Renderer.Render(m_Renderer.GlyphIndex(U'S'), 0, image));
    EXPECT_TRUE(std::all_of(image.coverage.begin(), image.coverage.end(), [](std::uint8_t c) { return c == 0 || c == 255; }));

    // Under Chromium's curve dark ink is lighter: less of the glyph passes the ink weight.
    RenderSettings linear = *FindRenderPreset("skia");
    linear.gamma = 1;
    linear.contrast = 0;
    m_Renderer.SetSettings(linear);
    GlyphImage plain;
    ASSERT_TRUE(m_Renderer.Render(m_Renderer.GlyphIndex(U'S'), 0, plain));
    m_Renderer.SetSettings(*FindRenderPreset("skia"));
    GlyphImage curved;
    ASSERT_TRUE(m_Renderer.Render(m_Renderer.GlyphIndex(U'S'), 0, curved));
    EXPECT_LT(Ink(curved), Ink(plain));
    const auto count = [](const std::vector<std::uint8_t>& bits) {
        int n = 0;
        for (std::uint8_t b : bits)
            n += __builtin_popcount(b);
        return n;
    };
    EXPECT_LE(count(CoverageBits(curved)), count(CoverageBits(plain)));
}

TEST_F(DejaVu, OverlappingInkAddsUpInOneMaskButBlendsGlyphByGlyph)
{
    const unsigned slash = m_Renderer.GlyphIndex(U'/');
    GlyphImage image;
    ASSERT_TRUE(m_Renderer.Render(slash, 0, image));
    // The same glyph twice at one place: a pixel of coverage c becomes min(2c, 1) in one mask
    // and 1 - (1 - c)^2 drawn twice.
    CRaster shared;
    CRaster each;
    ASSERT_TRUE(shared.Create(20, 20, CRaster::kWhite));
    ASSERT_TRUE(each.Create(20, 20, CRaster::kWhite));
    const std::vector<PlacedGlyph> twice = {{slash, 2 * 64, 16}, {slash, 2 * 64, 16}};
    DrawGlyphs(shared, m_Renderer, twice, 0x000000, GlyphBlend::SharedMask);
    DrawGlyphs(each, m_Renderer, twice, 0x000000, GlyphBlend::EachGlyph);
    int checked = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const int c = image.At(x, y);
            if (c == 0 || c == 255)
                continue;
            const int px = 2 + image.left + x;
            const int py = 16 - image.top + y;
            EXPECT_EQ(255 - static_cast<int>(shared.Pixel(px, py) & 0xFF), std::min(255, 2 * c));
            const int once = Composite(255, 0, c);
            EXPECT_EQ(static_cast<int>(each.Pixel(px, py) & 0xFF), Composite(once, 0, c));
            ++checked;
        }
    EXPECT_GT(checked, 5);

    EXPECT_EQ(PlacePen(10 * 64 + 40, 4).pixel, 10);  // 10.625 px: the nearest quarter is 10.75
    EXPECT_EQ(PlacePen(10 * 64 + 40, 4).phase, 3);
    EXPECT_EQ(PlacePen(10 * 64 + 56, 4).pixel, 11);  // 10.875 rounds up to the next pixel
    EXPECT_EQ(PlacePen(10 * 64 + 56, 4).phase, 0);
    EXPECT_EQ(PlacePen(-10, 4).pixel, -1);  // -0.156 px: the nearest quarter is -0.25
    EXPECT_EQ(PlacePen(-10, 4).phase, 3);
    EXPECT_EQ(PlacePen(-8, 4).pixel, 0);  // -0.125 px: half way rounds up to 0
    EXPECT_EQ(PlacePen(-8, 4).phase, 0);
    EXPECT_EQ(PlacePen(10 * 64 + 56, 4, PenRounding::Down).pixel, 10);  // Qt: the quarter at or left of 10.875
    EXPECT_EQ(PlacePen(10 * 64 + 56, 4, PenRounding::Down).phase, 3);
    EXPECT_EQ(PlacePen(-8, 4, PenRounding::Down).pixel, -1);
    EXPECT_EQ(PlacePen(-8, 4, PenRounding::Down).phase, 3);
}

TEST(Repertoire, CoversTheScreensScriptsAndSymbolsWithoutControls)
{
    const std::vector<char32_t> codes = ScreenRepertoire();
    EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end()));
    EXPECT_EQ(std::adjacent_find(codes.begin(), codes.end()), codes.end());
    EXPECT_EQ(codes.front(), U' ');
    for (char32_t code : {U'~', U'é', U'Ł', U'Ω', U'Ж', U'є', U'—', U'…', U'€', U'№', U'→', U'┼', U'▓', U'■', U'⏎',
                          U'✓', U'✗', U'★'})
        EXPECT_TRUE(std::binary_search(codes.begin(), codes.end(), code)) << static_cast<unsigned>(code);
    for (char32_t code : {U'\t', char32_t{0x7F}, char32_t{0x85}, char32_t{0xA0}, char32_t{0x200B}, char32_t{0x2028}})
        EXPECT_FALSE(std::binary_search(codes.begin(), codes.end(), code)) << static_cast<unsigned>(code);
    EXPECT_GT(codes.size(), 900U);
}

// A glyph's advance asked for alone is the one its rendering steps the pen by, under every
// setting the face was asked with, in any order (the advances are kept per size and setting):
// DejaVu Sans Mono's hinted advances differ from its unhinted ones, and from the fake bold's.
TEST_F(DejaVu, AdvancesAloneAreTheRenderedOnesUnderEachSetting)
{
    RenderSettings unhinted = m_Font->settings;
    unhinted.hinting = Hinting::None;
    RenderSettings full = m_Font->settings;
    full.hinting = Hinting::Full;
    full.antialias = Antialias::Mono;
    RenderSettings bold = full;
    bold.embolden = true;
    std::set<int> seen;
    for (int round = 0; round < 2; ++round)
        for (int size64 : {13 * 64, 16 * 64, 16 * 64 + 21})
            for (const RenderSettings& settings : {unhinted, full, bold}) {
                ASSERT_TRUE(m_Renderer.SetSize(size64));
                m_Renderer.SetSettings(settings);
                for (char32_t code : {U'a', U'm', U'W', U'\u0424'}) {
                    const unsigned glyph = m_Renderer.GlyphIndex(code);
                    GlyphImage image;
                    ASSERT_TRUE(m_Renderer.Render(glyph, 0, image));
                    int advance64 = -1;
                    ASSERT_TRUE(m_Renderer.Advance(glyph, advance64));
                    EXPECT_EQ(advance64, image.advance64) << static_cast<unsigned>(code) << " at " << size64;
                    seen.insert(advance64);
                }
            }
    EXPECT_GE(seen.size(), 4U);  // the settings and sizes give advances of their own
    int none = -1;
    EXPECT_FALSE(m_Renderer.Advance(0xFFFFFFU, none));
}

TEST_F(DejaVu, KerningComesFromTheFontsTable)
{
    FontRequest sans;
    sans.family = "DejaVu Sans";
    sans.pixelSize = 15;
    const std::optional<MatchedFont> font = MatchFont(sans, ScreenRenderer::Skia);
    if (!font || !font->familyFound)
        GTEST_SKIP() << "DejaVu Sans is not installed";
    ASSERT_TRUE(m_Renderer.SetFace(font->file, font->index));
    ASSERT_TRUE(m_Renderer.SetSize(font->size64));
    EXPECT_LT(m_Renderer.Kerning(m_Renderer.GlyphIndex(U'r'), m_Renderer.GlyphIndex(U'o')), 0);
    EXPECT_EQ(m_Renderer.Kerning(m_Renderer.GlyphIndex(U'o'), m_Renderer.GlyphIndex(U'o')), 0);
    const GlyphTemplate w = m_Renderer.Template(U'w', 4);
    EXPECT_EQ(w.phases.size(), 4U);
    EXPECT_EQ(w.code, U'w');
    EXPECT_GT(w.linearAdvance16, 0);
    EXPECT_EQ(w.linearAdvance64, w.linearAdvance16 >> 10);
}

TEST_F(DejaVu, LcdGlyphsAreReducedToOneGreyLevelAPixel)
{
    RenderSettings lcd = m_Font->settings;
    lcd.antialias = Antialias::Lcd;
    lcd.hinting = Hinting::Full;
    GlyphImage mean;
    GlyphImage largest;
    lcd.lcdReduce = LcdReduce::Mean;
    m_Renderer.SetSettings(lcd);
    ASSERT_TRUE(m_Renderer.Render(m_Renderer.GlyphIndex(U'o'), 0, mean));
    lcd.lcdReduce = LcdReduce::Max;
    m_Renderer.SetSettings(lcd);
    ASSERT_TRUE(m_Renderer.Render(m_Renderer.GlyphIndex(U'o'), 0, largest));
    // One level a pixel, about as wide as the grey glyph (the filter adds a pixel each side).
    m_Renderer.SetSettings(m_Font->settings);
    GlyphImage grey;
    ASSERT_TRUE(m_Renderer.Render(m_Renderer.GlyphIndex(U'o'), 0, grey));
    EXPECT_EQ(mean.width, largest.width);
    EXPECT_LE(std::abs(mean.width - grey.width), 2);
    EXPECT_EQ(mean.height, grey.height);
    bool differ = false;
    for (std::size_t i = 0; i < mean.coverage.size(); ++i) {
        ASSERT_GE(largest.coverage[i], mean.coverage[i]);
        differ = differ || largest.coverage[i] != mean.coverage[i];
    }
    EXPECT_TRUE(differ);
}
