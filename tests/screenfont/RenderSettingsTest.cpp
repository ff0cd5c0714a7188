#include "RenderSettings.h"

#include <gtest/gtest.h>

#include <set>

TEST(RenderSettings, PresetsAreListedInOrderAndReadBackFromTheirText)
{
    std::vector<std::string> names;
    std::set<std::string> texts;
    for (const RenderPreset& preset : RenderPresets()) {
        names.emplace_back(preset.name);
        const std::string text = ToString(preset.settings);
        texts.insert(text);
        std::string error;
        const std::optional<RenderSettings> parsed = ParseRenderSettings(text, &error);
        ASSERT_TRUE(parsed.has_value()) << error;
        EXPECT_EQ(*parsed, preset.settings) << text;
        EXPECT_EQ(ParseRenderSettings(preset.name), preset.settings);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"xft", "xft-mono", "cairo", "cairo-mono", "cairo-slight", "skia",
                                               "skia-hidpi", "qt"}));
    EXPECT_EQ(texts.size(), names.size()) << "two presets render alike";
    EXPECT_EQ(ToString(*FindRenderPreset("xft")),
              "hinting=slight,autohint=off,antialias=grey,lcdfilter=default,lcdreduce=mean,gamma=1,contrast=0,ink=0,"
              "phases=1,pen=nearest,vsnap=0,size=truncate,embolden=off,bitmaps=on");
}

TEST(RenderSettings, ParseTakesAPresetWithOverridesAndRefusesAnythingElse)
{
    const std::optional<RenderSettings> mono = ParseRenderSettings(" xft , antialias=mono, hinting=full ");
    ASSERT_TRUE(mono.has_value());
    EXPECT_EQ(*mono, *FindRenderPreset("xft-mono"));
    const std::optional<RenderSettings> odd = ParseRenderSettings("gamma=2.2,phases=64,vsnap=4,ink=0.5,autohint=yes,pen=down");
    ASSERT_TRUE(odd.has_value());
    EXPECT_EQ(odd->gamma, 2.2);
    EXPECT_EQ(odd->phases, 64);
    EXPECT_TRUE(odd->autohint);
    EXPECT_EQ(odd->pen, PenRounding::Down);
    EXPECT_EQ(ParseRenderSettings(ToString(*odd)), odd);

    std::string error;
    for (const char* bad : {"", "xterm", "antialias=mono,xft", "hinting=medium", "phases=0", "phases=65", "phases=1.5",
                            "gamma=0", "gamma=nan", "contrast=2", "size=ceil", "pen=up", "colour=red", "xft,,", "antialias"}) {
        EXPECT_FALSE(ParseRenderSettings(bad, &error).has_value()) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    ParseRenderSettings("xft,hinting=medium", &error);
    EXPECT_EQ(error, "bad render setting \"hinting=medium\"");
}

TEST(RenderSettings, SizesReachFreeTypeRoundedAsTheRendererRoundsThem)
{
    // xterm's 12 pt on a screen of 768 pixels and 203 mm: 16.0158 pixels.
    EXPECT_EQ(PixelSizeTo26Dot6(12 * (768 * 25.4 / 203) / 72, SizeRounding::Truncate), 1025);
    EXPECT_EQ(PixelSizeTo26Dot6(11 * 96.0 / 72, SizeRounding::Truncate), 938);  // 14.667 px
    EXPECT_EQ(PixelSizeTo26Dot6(11 * 96.0 / 72, SizeRounding::Nearest), 939);
    EXPECT_EQ(PixelSizeTo26Dot6(-3, SizeRounding::Nearest), 0);
}

TEST(RenderSettings, CoverageCurveIsLinearUnlessSkiasGammaAsksOtherwise)
{
    const auto linear = CoverageCurve(*FindRenderPreset("xft"));
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(linear[static_cast<std::size_t>(i)], i);

    // Chromium's text gamma on Linux (1.2, contrast 0.2): dark ink is thinned a little, light
    // ink thickened; 0 and full coverage stay.
    RenderSettings skia = *FindRenderPreset("skia");
    const auto dark = CoverageCurve(skia);
    EXPECT_EQ(dark[0], 0);
    EXPECT_EQ(dark[255], 255);
    EXPECT_EQ(dark[64], 63);
    EXPECT_EQ(dark[160], 155);
    EXPECT_EQ(dark[248], 244);
    skia.inkLuminance = 1;
    const auto light = CoverageCurve(skia);
    EXPECT_EQ(light[128], 144);  // 255 x (128 / 255)^(1 / 1.2)
    for (int i = 1; i < 256; ++i) {
        ASSERT_GE(dark[static_cast<std::size_t>(i)], dark[static_cast<std::size_t>(i - 1)]);
        ASSERT_GE(light[static_cast<std::size_t>(i)], light[static_cast<std::size_t>(i - 1)]);
    }
}

TEST(RenderSettings, CompositeRoundsAsXRenderDoes)
{
    for (int weight = 0; weight < 256; ++weight) {
        ASSERT_EQ(Composite(255, 0, weight), 255 - weight);  // black on white
        ASSERT_EQ(Composite(0, 255, weight), weight);        // white on black
    }
    EXPECT_EQ(Composite(0x1E, 0xD0, 128), 0x77);  // 30 x 127/255 + 208 x 128/255, each rounded
    EXPECT_EQ(Composite(0x00, 0xE5, 1), 1);
}
