// The shipped data/Fonts/default.GLF: readable, one glyph size, and the characters a user
// types told apart, except the Latin and Cyrillic letters that share their shapes.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

TEST(DefaultFont, TypedCharactersHaveDistinctGlyphsOfOneSize)
{
    std::ifstream in(GLYPHMILL_DEFAULT_FONT, std::ios::binary);
    const std::string b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GE(b.size(), 12u);
    ASSERT_EQ(b.substr(0, 12), std::string("\x07GLFfile\x01\x00\x00\xFF", 12));

    struct Glyph {
        int width, height;
        std::string bits;
    };
    std::vector<Glyph> glyphs;
    for (std::size_t p = 12; p < b.size();) {
        const int w = static_cast<unsigned char>(b[p]), h = static_cast<unsigned char>(b[p + 1]);
        const std::size_t n = std::size_t((w + 7) / 8) * h;
        ASSERT_LE(p + 2 + n, b.size());
        glyphs.push_back({w, h, b.substr(p + 2, n)});
        p += 2 + n;
    }
    ASSERT_EQ(glyphs.size(), 256u);

    // The font's cell is the space's: a width that is a multiple of 8.
    const Glyph& space = glyphs[32];
    EXPECT_EQ(space.width % 8, 0);
    EXPECT_GT(space.height, 0);
    EXPECT_EQ(space.bits, std::string(space.bits.size(), '\0'));

    auto typed = [](int c) { return (c >= 33 && c <= 126) || c >= 192 || c == 168 || c == 184 || c == 185; };
    std::map<std::string, std::vector<int>> byBits;
    for (int code = 0; code < 256; ++code) {
        const Glyph& g = glyphs[std::size_t(code)];
        if (g.width == 0 && g.height == 0) {
            EXPECT_FALSE(typed(code)) << "typed character left out: " << code;
            continue;
        }
        EXPECT_TRUE(g.width == space.width && g.height == space.height) << code;
        byBits[g.bits].push_back(code);
    }
    // Only letters that look alike in both alphabets share a glyph: A B C E H M O P T X a c e o p x y.
    const std::set<std::pair<int, int>> homoglyphs = {
        {'A', 0xC0}, {'B', 0xC2}, {'C', 0xD1}, {'E', 0xC5}, {'H', 0xCD}, {'M', 0xCC}, {'O', 0xCE}, {'P', 0xD0}, {'T', 0xD2},
        {'X', 0xD5}, {'a', 0xE0}, {'c', 0xF1}, {'e', 0xE5}, {'o', 0xEE}, {'p', 0xF0}, {'x', 0xF5}, {'y', 0xF3},
    };
    for (const auto& [bits, codes] : byBits) {
        if (codes.size() > 1) {
            EXPECT_TRUE(codes.size() == 2 && homoglyphs.count({codes[0], codes[1]})) << codes[0] << " and " << codes[1];
        }
    }
}
