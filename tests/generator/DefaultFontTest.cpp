// Checks the shipped data/Fonts/default.GLF: readable, one glyph size, and the characters a
// user types told apart, except the Latin and Cyrillic letters that share their shapes.
#include "Cp1251.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

struct Glyph {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bits;
};

bool ReadGlf(const char* path, int& first, std::vector<Glyph>& glyphs)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::uint8_t header[] = {7, 'G', 'L', 'F', 'f', 'i', 'l', 'e', 1, 0};
    if (b.size() < 12 || !std::equal(std::begin(header), std::end(header), b.begin()))
        return false;
    first = b[10];
    std::size_t p = 12;
    for (int code = b[10]; code <= b[11]; ++code) {
        if (p + 2 > b.size())
            return false;
        Glyph g;
        g.width = b[p];
        g.height = b[p + 1];
        p += 2;
        const std::size_t n = std::size_t((g.width + 7) / 8) * g.height;
        if (p + n > b.size())
            return false;
        g.bits.assign(b.begin() + static_cast<std::ptrdiff_t>(p), b.begin() + static_cast<std::ptrdiff_t>(p + n));
        p += n;
        glyphs.push_back(std::move(g));
    }
    return p == b.size();
}

// Latin letters, Cyrillic letters, digits and the printable ASCII signs, and the numero sign.
bool IsTyped(int code)
{
    return (code >= 33 && code <= 126) || code >= 192 || code == 168 || code == 184 || code == 185;
}

} // namespace

TEST(DefaultFont, TypedCharactersHaveDistinctGlyphsOfOneSize)
{
    int first = 0;
    std::vector<Glyph> glyphs;
    ASSERT_TRUE(ReadGlf(GLYPHMILL_DEFAULT_FONT, first, glyphs));
    ASSERT_EQ(first, 0);
    ASSERT_EQ(glyphs.size(), 256u);

    // The cell size of the font is that of the space, first + 32.
    const Glyph& space = glyphs[32];
    EXPECT_EQ(space.width % 8, 0);
    EXPECT_GT(space.width, 0);
    EXPECT_GT(space.height, 0);

    std::map<std::string, std::vector<int>> byBits;
    for (int code = 0; code < 256; ++code) {
        const Glyph& g = glyphs[std::size_t(code)];
        if (g.width == 0 && g.height == 0) {
            EXPECT_FALSE(IsTyped(code)) << "typed character left out: " << code;
            continue;
        }
        EXPECT_EQ(g.width, space.width) << code;
        EXPECT_EQ(g.height, space.height) << code;
        byBits[std::string(g.bits.begin(), g.bits.end())].push_back(code);
    }

    // Letters that look alike in both alphabets: A B C E H M O P T X a c e o p x y.
    const std::set<std::pair<int, int>> homoglyphs = {
        {'A', 0xC0}, {'B', 0xC2}, {'C', 0xD1}, {'E', 0xC5}, {'H', 0xCD}, {'M', 0xCC}, {'O', 0xCE}, {'P', 0xD0}, {'T', 0xD2},
        {'X', 0xD5}, {'a', 0xE0}, {'c', 0xF1}, {'e', 0xE5}, {'o', 0xEE}, {'p', 0xF0}, {'x', 0xF5}, {'y', 0xF3},
    };
    for (const auto& [bits, codes] : byBits) {
        if (codes.size() == 1)
            continue;
        const bool allowed = codes.size() == 2 && homoglyphs.count({codes[0], codes[1]}) != 0;
        EXPECT_TRUE(allowed) << "codes " << codes[0] << " and " << codes[1] << " share their glyph";
    }
    // Only the space is blank among the included glyphs.
    const std::string blank(space.bits.size(), '\0');
    ASSERT_TRUE(byBits.count(blank));
    EXPECT_EQ(byBits[blank], std::vector<int>{32});
}
