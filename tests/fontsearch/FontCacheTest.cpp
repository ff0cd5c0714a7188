// The cache of the fonts found: entries read back as written, newest first, kept per pitch and
// smoothing, bounded; broken lines passed over; glyph sets kept beside it.

#include "FontCache.h"

#include "GlyphFixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

FontCandidate Font(const std::string& family, int size64)
{
    FontCandidate font;
    font.family = family;
    font.file = "/usr/share/fonts/" + family + ".ttf";
    font.boldFile = "/usr/share/fonts/" + family + "-Bold.ttf";
    font.boldIndex = 1;
    font.program = &ScreenPrograms()[1];
    font.size64 = size64;
    font.settings = *FindRenderPreset("cairo");
    font.cell = {9, 18, 14, 576};
    font.pitchSub = 9 * 65536;
    font.phases = 1;
    return font;
}

TEST(CFontCache, RemembersPerPitchNewestFirstWithinItsBound)
{
    const fixtures::TempDir dir;
    const CFontCache cache(FontCacheFile(dir.File("made/later")));
    PagePitch pitch;
    pitch.linePitch = 18;
    pitch.columnPitch64 = 576;
    EXPECT_TRUE(cache.Find(pitch, Smoothing::Grey).empty());
    ASSERT_TRUE(cache.Remember(pitch, Smoothing::Grey, Font("Hack", 960)));
    ASSERT_TRUE(cache.Remember(pitch, Smoothing::Grey, Font("Cousine", 1024)));
    ASSERT_TRUE(cache.Remember(pitch, Smoothing::Grey, Font("Hack", 960)));  // moves up, not twice
    std::vector<FontCandidate> found = cache.Find(pitch, Smoothing::Grey);
    ASSERT_EQ(found.size(), 2U);
    EXPECT_EQ(found[0].family, "Hack");
    EXPECT_EQ(found[1].family, "Cousine");
    EXPECT_EQ(found[0].program, &ScreenPrograms()[1]);
    EXPECT_EQ(found[0].settings, *FindRenderPreset("cairo"));
    EXPECT_EQ(found[0].boldIndex, 1);
    EXPECT_EQ(found[0].pitchSub, 9 * 65536);
    EXPECT_EQ(found[0].cell.baseline, 14);
    EXPECT_TRUE(cache.Find(pitch, Smoothing::Mono).empty());

    // A damaged line is passed over; the file keeps the newest entries only.
    {
        std::ofstream out(cache.File(), std::ios::app);
        out << "18\t576\t2\tBroken\tline\n";
    }
    EXPECT_EQ(cache.Find(pitch, Smoothing::Grey).size(), 2U);
    auto name = [](int i) {
        std::string family = "F";
        family += std::to_string(i);
        return family;
    };
    for (int i = 0; i < CFontCache::kMaxEntries + 5; ++i)
        cache.Remember(pitch, Smoothing::Grey, Font(name(i), 1000 + i));
    found = cache.Find(pitch, Smoothing::Grey);
    EXPECT_EQ(static_cast<int>(found.size()), CFontCache::kMaxEntries);
    EXPECT_EQ(found[0].family, name(CFontCache::kMaxEntries + 4));

    // Glyph sets beside it, one per font.
    GlyphSet set;
    set.Reset(9, 18, 1, 14);
    set.Add(U'a', GlyphFace::Regular, std::vector<std::uint8_t>(set.ImageBytes(), 0xF0));
    ASSERT_TRUE(cache.SaveGlyphs(Font("Hack", 960), set));
    GlyphSet back;
    ASSERT_TRUE(cache.LoadGlyphs(Font("Hack", 960), back));
    EXPECT_EQ(back.codes, set.codes);
    EXPECT_EQ(back.bits, set.bits);
    EXPECT_FALSE(cache.LoadGlyphs(Font("Hack", 961), back));

    // No file: nothing kept, nothing found.
    const CFontCache none("");
    EXPECT_FALSE(none.Remember(pitch, Smoothing::Grey, Font("Hack", 960)));
    EXPECT_TRUE(none.Find(pitch, Smoothing::Grey).empty());
}

}  // namespace
