#include "FontMatch.h"

#include "FaceRenderer.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The match of an installed family, or a skip when the machine lacks it.
#define MATCH_OR_SKIP(result, request, renderer)                                  \
    const std::optional<MatchedFont> result = MatchFont(request, renderer);       \
    ASSERT_TRUE(result.has_value());                                              \
    if (!result->familyFound)                                                     \
        GTEST_SKIP() << request.family << " is not installed";

FontRequest Request(const std::string& family, double pixels)
{
    FontRequest request;
    request.family = family;
    request.pixelSize = pixels;
    return request;
}

}  // namespace

TEST(FontMatch, EachRendererTurnsFontconfigsAnswerIntoItsPreset)
{
    MATCH_OR_SKIP(xft, Request("DejaVu Sans Mono", 16), ScreenRenderer::Xft);
    EXPECT_NE(xft->file.find("DejaVuSansMono.ttf"), std::string::npos);
    EXPECT_EQ(xft->family, "DejaVu Sans Mono");
    EXPECT_EQ(xft->size64, 1024);
    EXPECT_EQ(xft->spacing, 100);
    EXPECT_EQ(xft->settings, *FindRenderPreset("xft"));
    EXPECT_EQ(MatchFont(Request("DejaVu Sans Mono:antialias=false", 16), ScreenRenderer::Xft)->settings,
              *FindRenderPreset("xft-mono"));
    EXPECT_EQ(MatchFont(Request("DejaVu Sans Mono", 16), ScreenRenderer::Cairo)->settings, *FindRenderPreset("cairo"));
    FontRequest hidpi = Request("DejaVu Sans Mono", 32);
    hidpi.deviceScale = 2;
    EXPECT_EQ(MatchFont(hidpi, ScreenRenderer::Skia)->settings, *FindRenderPreset("skia-hidpi"));

    // Points at a resolution: Xft cuts the pixel size to 64ths, Cairo rounds it.
    FontRequest points;
    points.family = "DejaVu Sans Mono";
    points.points = 11;
    points.dpi = 96;
    EXPECT_EQ(MatchFont(points, ScreenRenderer::Xft)->size64, 938);
    EXPECT_EQ(MatchFont(points, ScreenRenderer::Cairo)->size64, 939);
}

TEST(FontMatch, AFamilyWithoutABoldFaceIsEmboldened)
{
    FontRequest bold = Request("Noto Mono", 15);
    bold.bold = true;
    MATCH_OR_SKIP(font, bold, ScreenRenderer::Xft);
    EXPECT_TRUE(font->settings.embolden);
    bold.family = "DejaVu Sans Mono";
    const std::optional<MatchedFont> real = MatchFont(bold, ScreenRenderer::Xft);
    ASSERT_TRUE(real.has_value());
    EXPECT_FALSE(real->settings.embolden);
    EXPECT_GE(real->weight, 200);
}

TEST(FontMatch, UnknownFamiliesAreSubstitutedAndMissingCodesFallBack)
{
    const std::optional<MatchedFont> unknown = MatchFont(Request("No Such Family 12345", 16), ScreenRenderer::Xft);
    ASSERT_TRUE(unknown.has_value());
    EXPECT_FALSE(unknown->familyFound);
    EXPECT_FALSE(unknown->file.empty());

    MATCH_OR_SKIP(liberation, Request("Liberation Mono", 14), ScreenRenderer::Xft);
    CFaceRenderer renderer;
    ASSERT_TRUE(renderer.SetFace(liberation->file, liberation->index));
    if (renderer.GlyphIndex(U'✓') != 0)
        GTEST_SKIP() << "this Liberation Mono has a check mark";
    const std::optional<MatchedFont> fallback = FallbackFont(Request("Liberation Mono", 14), U'✓', ScreenRenderer::Xft);
    ASSERT_TRUE(fallback.has_value());
    ASSERT_TRUE(renderer.SetFace(fallback->file, fallback->index));
    EXPECT_NE(renderer.GlyphIndex(U'✓'), 0U);
    EXPECT_FALSE(fallback->familyFound);
    EXPECT_EQ(fallback->size64, liberation->size64);
    EXPECT_FALSE(FallbackFont(Request("Liberation Mono", 14), 0x10FFFD, ScreenRenderer::Xft).has_value());
}

TEST(FontMatch, InstalledFamiliesTellFixedWidthFromProportional)
{
    const std::vector<InstalledFamily> families = InstalledScreenFamilies();
    auto find = [&](const std::string& name) {
        return std::find_if(families.begin(), families.end(), [&](const InstalledFamily& f) { return f.family == name; });
    };
    const auto mono = find("DejaVu Sans Mono");
    const auto sans = find("DejaVu Sans");
    if (mono == families.end() || sans == families.end())
        GTEST_SKIP() << "DejaVu is not installed";
    EXPECT_TRUE(mono->fixedWidth);
    EXPECT_TRUE(mono->hasBold);
    EXPECT_TRUE(mono->hasItalic);
    EXPECT_FALSE(sans->fixedWidth);
    const std::vector<InstalledFamily> fixed = FixedWidthFamilies();
    EXPECT_TRUE(std::all_of(fixed.begin(), fixed.end(), [](const InstalledFamily& f) { return f.fixedWidth; }));
    EXPECT_TRUE(std::any_of(fixed.begin(), fixed.end(), [](const InstalledFamily& f) { return f.family == "DejaVu Sans Mono"; }));
    EXPECT_LT(fixed.size(), families.size());
}
