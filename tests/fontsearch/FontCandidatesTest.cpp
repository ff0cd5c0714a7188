// The candidates a browser's sharp text gives: with antialiasing off, Chromium draws glyphs
// hinted for mono at any device scale, stepping at their hinted advances: at a whole pitch they
// are a terminal's sharp glyphs; a fractional pitch of sharp text is no grid of cells.

#include "FontCandidates.h"

#include "PageGrid.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// DejaVu Sans Mono's advance at px pixels, hinted (whole pixels) or not, in 16.16; 0 when the
// family is not installed.
long long AdvanceOf(CFaceRenderer& renderer, double px, bool hinted)
{
    FontRequest request;
    request.family = "DejaVu Sans Mono";
    request.pixelSize = px;
    const std::optional<MatchedFont> match = MatchFont(request, ScreenRenderer::Skia);
    if (!match || !match->familyFound || !renderer.SetFace(match->file, match->index))
        return 0;
    RenderSettings settings;
    settings.antialias = Antialias::Mono;
    settings.hinting = hinted ? Hinting::Full : Hinting::None;
    renderer.SetSettings(settings);
    if (!renderer.SetSize(PixelSizeTo26Dot6(px, SizeRounding::Truncate)))
        return 0;
    const GlyphTemplate zero = renderer.Template(U'0', 1);
    return hinted ? static_cast<long long>(zero.advance64) << 10 : zero.linearAdvance16;
}

std::vector<FontCandidate> SharpBrowserCandidates(const std::vector<FontCandidate>& candidates)
{
    std::vector<FontCandidate> sharp;
    for (const FontCandidate& candidate : candidates)
        if (candidate.program->renderer == ScreenRenderer::Skia && candidate.settings.antialias == Antialias::Mono)
            sharp.push_back(candidate);
    return sharp;
}

TEST(FontCandidates, ABrowsersSharpTextIsATerminalsAtAWholePitchAndNoGridAtAFractionalOne)
{
    CFaceRenderer renderer;
    // 26 px unhinted, a fractional pitch: no sharp glyphs step at it, hinted or not.
    const long long linear = AdvanceOf(renderer, 26, false);
    if (linear == 0)
        GTEST_SKIP() << "DejaVu Sans Mono is not installed";
    PagePitch pitch;
    pitch.columnPitch64 = static_cast<int>((linear + 512) >> 10);
    ASSERT_FALSE(pitch.WholePixelColumns());
    EXPECT_TRUE(FontCandidates(pitch, Smoothing::Mono, 0.0, {"DejaVu Sans Mono"}, renderer).empty());

    // 1x: 13 px hinted, a whole pitch: the glyphs are a terminal's sharp glyphs, which the
    // terminals' candidates give.
    const long long hinted = AdvanceOf(renderer, 13, true);
    ASSERT_EQ(hinted % kSubpixels, 0);
    pitch.columnPitch64 = static_cast<int>(hinted >> 10);
    const std::vector<FontCandidate> whole = FontCandidates(pitch, Smoothing::Mono, 0.0, {"DejaVu Sans Mono"}, renderer);
    EXPECT_TRUE(std::any_of(whole.begin(), whole.end(), [&](const FontCandidate& c) {
        return c.settings.antialias == Antialias::Mono && c.settings.hinting == Hinting::Full && c.pitchSub == hinted &&
               c.size64 == 13 * 64;
    }));
    EXPECT_TRUE(SharpBrowserCandidates(whole).empty());

    // Smoothed text gets no sharp candidates.
    EXPECT_TRUE(SharpBrowserCandidates(FontCandidates(pitch, Smoothing::Grey, 0.0, {"DejaVu Sans Mono"}, renderer)).empty());
}

}  // namespace
