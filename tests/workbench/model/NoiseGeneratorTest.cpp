// The noise generator: its fixed output and the pixels each kind changes.
#include "CRecognizeDoc.h"
#include "NoiseGenerator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

// A 64 x 16 picture, its left half black.
CRaster HalfBlack() {
    CRaster raster;
    raster.Create(64, 16, CRaster::kWhite);
    raster.FillRect(0, 0, 32, 16, CRaster::kBlack);
    return raster;
}

std::vector<std::pair<int, int>> FirstChanges(const CRaster& before, const CRaster& after, std::size_t count) {
    std::vector<std::pair<int, int>> changes;
    for (int y = 0; y < before.height() && changes.size() < count; ++y)
        for (int x = 0; x < before.width() && changes.size() < count; ++x)
            if (before.Pixel(x, y) != after.Pixel(x, y))
                changes.emplace_back(x, y);
    return changes;
}

}  // namespace

TEST(CSplitMix64, GivesTheReferenceSequence) {
    CSplitMix64 generator(1234567);
    EXPECT_EQ(generator.Next(), 6457827717110365317ull);
    EXPECT_EQ(generator.Next(), 3203168211198807973ull);
    EXPECT_EQ(generator.Next(), 9817491932198370423ull);
}

TEST(NoiseGenerator, FixedSeedsGiveFixedPixels) {
    const CRaster clean = HalfBlack();
    struct Golden {
        NoiseKind kind;
        std::int64_t changed;
        std::vector<std::pair<int, int>> first;
    };
    const Golden goldens[] = {
        {NoiseKind::Flip, 112, {{4, 0}, {18, 0}, {21, 0}, {24, 0}, {36, 0}}},
        {NoiseKind::Ink, 58, {{36, 0}, {39, 0}, {46, 0}, {54, 0}, {59, 0}}},
        {NoiseKind::Erase, 54, {{4, 0}, {18, 0}, {21, 0}, {24, 0}, {12, 1}}},
    };
    for (const Golden& golden : goldens) {
        CRaster noisy = clean;
        std::int64_t changed = -1;
        ASSERT_TRUE(AddNoise(noisy, {golden.kind, 0.1, 42}, &changed));
        EXPECT_EQ(changed, golden.changed) << NoiseKindName(golden.kind);
        EXPECT_EQ(FirstChanges(clean, noisy, 5), golden.first) << NoiseKindName(golden.kind);
    }
}

TEST(NoiseGenerator, RatesAndColours) {
    CRaster picture = HalfBlack();
    const CRaster clean = picture;
    std::int64_t changed = -1;
    EXPECT_TRUE(AddNoise(picture, {NoiseKind::Flip, 0.0, 7}, &changed));
    EXPECT_EQ(changed, 0);
    for (double rate : {-0.01, 0.51, std::nan("")})
        EXPECT_FALSE(AddNoise(picture, {NoiseKind::Flip, rate, 7}));
    EXPECT_EQ(picture, clean);
    // At the highest rate about half the pixels flip; a grey pixel counts as white.
    CRaster grey;
    grey.Create(100, 100, CRaster::kGrey);
    ASSERT_TRUE(AddNoise(grey, {NoiseKind::Flip, 0.5, 3}, &changed));
    EXPECT_NEAR(static_cast<double>(changed), 5000, 250);
    for (int i = 0; i < 100 * 100; ++i)
        EXPECT_TRUE(grey.Pixel(i % 100, i / 100) == CRaster::kBlack || grey.Pixel(i % 100, i / 100) == CRaster::kGrey);
    // Erasing white pixels or inking black ones changes nothing.
    CRaster white;
    white.Create(50, 50, CRaster::kWhite);
    ASSERT_TRUE(AddNoise(white, {NoiseKind::Erase, 0.5, 3}, &changed));
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(ParseNoiseKind("ink"), NoiseKind::Ink);
    EXPECT_FALSE(ParseNoiseKind("Ink"));
}

TEST(CRecognizeDoc, AddNoiseWorksAsAStroke) {
    CRecognizeDoc doc;
    doc.m_Picture.Create(40, 20, CRaster::kWhite);
    doc.m_bHasPicture = true;
    EXPECT_FALSE(doc.OnAddNoise({NoiseKind::Ink, 0.6, 1}));
    EXPECT_EQ(doc.m_bGraphicsModified, 0);
    ASSERT_TRUE(doc.OnAddNoise({NoiseKind::Ink, 0.3, 1}));
    EXPECT_EQ(doc.m_bGraphicsModified, 1);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_FALSE(doc.CanEditText());
    CRaster expected;
    expected.Create(40, 20, CRaster::kWhite);
    AddNoise(expected, {NoiseKind::Ink, 0.3, 1});
    EXPECT_EQ(doc.m_Picture, expected);
}
