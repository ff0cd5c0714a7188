#include "GlyphSetFile.h"

#include "GlyphFixtures.h"

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

// Two glyphs of 5 x 2 at two phases, one of them bold and Cyrillic.
GlyphSet SmallSet()
{
    GlyphSet set;
    set.Reset(5, 2, 2, 1);
    set.name = "ab";
    set.Add(U'a', GlyphFace::Regular, {0xF8, 0x08, 0x70, 0x50});
    set.Add(U'Ж', GlyphFace::Bold, {0xA8, 0x70, 0x20, 0xA8});
    return set;
}

const std::vector<std::uint8_t> kSmallSetBytes = {
    'G', 'S', 'E', 'T', 0x01, 0x00,  // magic, version 1
    0x05, 0x00, 0x02, 0x00,          // 5 x 2 cells
    0x02, 0x01, 0x00,                // 2 phases, baseline row 1
    0x02, 0x00, 'a', 'b',            // the name
    0x02, 0x00, 0x00, 0x00,          // 2 glyphs
    0x61, 0x00, 0x00, 0x00, 0x00,    // U+0061 regular
    0xF8, 0x08, 0x70, 0x50,          // phase 0, phase 1
    0x16, 0x04, 0x00, 0x00, 0x01,    // U+0416 bold
    0xA8, 0x70, 0x20, 0xA8,
};

bool SameSet(const GlyphSet& a, const GlyphSet& b)
{
    return a.cellWidth == b.cellWidth && a.cellHeight == b.cellHeight && a.phases == b.phases &&
           a.baseline == b.baseline && a.name == b.name && a.codes == b.codes && a.faces == b.faces && a.bits == b.bits;
}

}  // namespace

TEST(GlyphSetFile, WritesTheGoldenBytesAndReadsThemBack)
{
    EXPECT_EQ(EncodeGlyphSet(SmallSet()), kSmallSetBytes);
    GlyphSet read;
    std::string error;
    ASSERT_TRUE(DecodeGlyphSet(kSmallSetBytes, read, error)) << error;
    EXPECT_TRUE(SameSet(read, SmallSet()));

    TempDir dir;
    ASSERT_TRUE(SaveGlyphSetFile(dir.File("small.gset"), SmallSet()));
    GlyphSet loaded;
    ASSERT_TRUE(LoadGlyphSetFile(dir.File("small.gset"), loaded, error)) << error;
    EXPECT_TRUE(SameSet(loaded, SmallSet()));
    EXPECT_FALSE(LoadGlyphSetFile(dir.File("none.gset"), loaded, error));
    EXPECT_NE(error.find("none.gset"), std::string::npos);
}

TEST(GlyphSetFile, RefusesEveryDamagedFileAndLeavesTheSetAlone)
{
    const GlyphSet before = SmallSet();
    std::string error;
    // Every prefix of a valid file is refused.
    for (std::size_t n = 0; n < kSmallSetBytes.size(); ++n) {
        GlyphSet set = before;
        EXPECT_FALSE(DecodeGlyphSet(std::span(kSmallSetBytes).first(n), set, error)) << n;
        EXPECT_TRUE(SameSet(set, before));
    }
    auto refused = [&](std::size_t offset, std::uint8_t value, const std::string& reason) {
        std::vector<std::uint8_t> bytes = kSmallSetBytes;
        bytes[offset] = value;
        GlyphSet set;
        EXPECT_FALSE(DecodeGlyphSet(bytes, set, error)) << offset;
        EXPECT_EQ(error, reason);
    };
    refused(4, 0x02, "version 2 is not known (this program reads version 1)");
    refused(6, 0x00, "a cell of 0 x 2 pixels is out of bounds");
    refused(10, 0x41, "65 phases are out of bounds");
    refused(27, 0x01, "glyph 0 has ink past its width");   // the first row's last three bits
    refused(25, 0x04, "glyph 0 has an unknown face");
    refused(24, 0x11, "glyph 0 has no Unicode code point");
    refused(17, 0x03, "the file ends inside its glyphs");  // one glyph more than the file holds
    std::vector<std::uint8_t> twice = kSmallSetBytes;  // the second glyph made a regular 'a'
    twice[30] = 0x61;
    twice[31] = 0x00;
    twice[34] = 0x00;
    GlyphSet set;
    EXPECT_FALSE(DecodeGlyphSet(twice, set, error));
    EXPECT_EQ(error, "a code appears twice in one face");
    std::vector<std::uint8_t> longer = kSmallSetBytes;
    longer.push_back(0);
    EXPECT_FALSE(DecodeGlyphSet(longer, set, error));
    EXPECT_EQ(error, "bytes follow the last glyph");
    // A count of four thousand million glyphs is refused before anything is allocated.
    std::vector<std::uint8_t> huge = kSmallSetBytes;
    huge[17] = huge[18] = huge[19] = huge[20] = 0xFF;
    EXPECT_FALSE(DecodeGlyphSet(huge, set, error));

    // What cannot be written is not written.
    GlyphSet inconsistent = SmallSet();
    inconsistent.codes.push_back(U'b');
    EXPECT_TRUE(EncodeGlyphSet(inconsistent).empty());
}
