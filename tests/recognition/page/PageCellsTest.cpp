// The cell stage: every cell read by the page's cell rule, against a pixel-by-pixel oracle, and
// the rule's answers where a page must differ from Simple recognition.

#include "PageCells.h"

#include "PageFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace pagefixtures;

namespace {

// The page's cell rule over exactly the W x H pixels of cell and glyph, pixel by pixel: the least
// cost wins, among equals a printable character before a space before a control code, then the
// lower code; a blank glyph reads as a space, and so do its variants, once, at their least cost;
// control codes are no variants unless one is the best glyph.
struct OracleCell {
    char32_t code = ' ';
    int best = 0;
    int worst = 0;
    bool blank = true;
    std::vector<PageVariant> variants;
};

OracleCell LiteralCell(const InkBits& ink, const CCharImageFont& font, int left, int top, double k)
{
    const int w = font.CellWidth();
    const int h = font.CellHeight();
    OracleCell out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.blank = out.blank && !ink.Ink(left + x, top + y);
    if (out.blank) {
        out.variants.push_back({' ', 0});
        return out;
    }
    std::vector<std::pair<int, int>> costs;  // code, cost
    auto rank = [](int code) { return code < 32 || code == 127 ? 2 : code == ' ' ? 1 : 0; };
    auto shown = [&](int code) { return rank(code) == 0 ? static_cast<char32_t>(code) : U' '; };
    for (int code = font.First(); code <= font.Last(); ++code) {
        const CCharImage* glyph = font.GetCharImage(code);
        if (glyph->Width() != w || glyph->Height() != h)
            continue;
        int cost = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                cost += glyph->Pixel(x, y) != ink.Ink(left + x, top + y);
        costs.emplace_back(code, cost);
    }
    out.best = w * h + 1;
    int bestCode = -1;
    for (auto [code, cost] : costs) {
        if (cost < out.best || (cost == out.best && rank(code) < rank(bestCode))) {
            out.best = cost;
            bestCode = code;
        }
        out.worst = std::max(out.worst, cost);
    }
    out.code = shown(bestCode);
    for (auto [code, cost] : costs) {
        const bool variant = out.best != 0 && out.worst != 0
                                 ? static_cast<double>(cost - out.best) <= k * static_cast<double>(out.worst - out.best)
                                 : code == bestCode;
        if (!variant || (rank(code) == 2 && code != bestCode))
            continue;
        const auto same = std::find_if(out.variants.begin(), out.variants.end(),
                                       [&](const PageVariant& v) { return v.code == shown(code); });
        if (same == out.variants.end())
            out.variants.push_back({shown(code), cost});
        else
            same->cost = std::min(same->cost, cost);
    }
    return out;
}

TEST(PageCells, MatchCellsEqualsPixelByPixelOracle)
{
    std::mt19937 random(19);
    // A 13 x 9 cell spans two bytes a row, a 70 x 5 cell two 64-bit words; a few glyphs of
    // other sizes must never match, and two identical glyphs tie to the lower code. Codes 30 and
    // 31 are control codes, which read as spaces.
    for (auto [w, h] : {std::pair{13, 9}, std::pair{70, 5}}) {
        const CCharImageFont font = fixtures::MakeFont(30, 80, [w, h](int code) {
            if (code % 17 == 0)
                return fixtures::MakeNoiseGlyph(w - 1, h, static_cast<unsigned>(code));
            CCharImage glyph = fixtures::MakeNoiseGlyph(w, h, static_cast<unsigned>(code == 41 ? 40 : code));
            for (int y = 0; y < h; ++y)  // bits past the width
                glyph.m_Bits[static_cast<std::size_t>((y + 1) * glyph.BytesPerRow() - 1)] |=
                    static_cast<std::uint8_t>(0xFF >> (w % 8));
            return glyph;
        });
        ASSERT_EQ(font.CellWidth(), w);
        const GlyphSet set = GlyphSetFromFont(font);
        PageGlyphs glyphs;
        glyphs.Build(set);
        for (int round = 0; round < 30; ++round) {
            InkBits ink;
            ink.width = 40 + static_cast<int>(random() % 150);
            ink.height = 10 + static_cast<int>(random() % 30);
            ink.wordsPerRow = (ink.width + 63) / 64;
            ink.words.resize(static_cast<std::size_t>(ink.wordsPerRow) * ink.height);
            for (int y = 0; y < ink.height; ++y)
                for (int x = 0; x < ink.width; ++x)
                    if (random() % 3 == 0 || (round % 5 == 0 && x < 30))
                        ink.words[static_cast<std::size_t>(y) * ink.wordsPerRow + x / 64] |=
                            std::uint64_t{1} << (63 - x % 64);
            if (round % 4 == 0)  // a glyph drawn exactly: one variant of cost 0
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < std::min(w, ink.width); ++x) {
                        std::uint64_t& word = ink.words[static_cast<std::size_t>(y) * ink.wordsPerRow + x / 64];
                        const std::uint64_t bit = std::uint64_t{1} << (63 - x % 64);
                        word = font.GetCharImage(40)->Pixel(x, y) ? word | bit : word & ~bit;
                    }
            PageGrid grid;
            for (int l = 0; l < 3; ++l) {
                const int top = l == 0 && round % 4 == 0 ? 0 : static_cast<int>(random() % (ink.height + 10)) - 5;
                const int left = l == 0 && round % 4 == 0 ? 0 : static_cast<int>(random() % 90) - 45;
                const LineGrid line = WholePixelLine(left, top, static_cast<int>(random() % 20), w, h);
                grid.lines.push_back(line);
            }
            const double k = (random() % 5) * 0.25;
            const std::vector<MatchPath> paths = SupportedMatchPaths();
            const MatchPath path = paths[static_cast<std::size_t>(round) % paths.size()];
            const std::vector<PageLine> lines = MatchCells(ink, glyphs, grid, k, path);
            ASSERT_EQ(lines.size(), grid.lines.size());
            for (std::size_t l = 0; l < lines.size(); ++l) {
                ASSERT_EQ(static_cast<int>(lines[l].cells.size()), grid.lines[l].cells);
                for (int c = 0; c < grid.lines[l].cells; ++c) {
                    const PageCell& cell = lines[l].cells[static_cast<std::size_t>(c)];
                    const OracleCell want = LiteralCell(ink, font, static_cast<int>(grid.lines[l].CellLeft(c)), grid.lines[l].top, k);
                    SCOPED_TRACE(std::string(MatchPathName(path)) + " " + std::to_string(w) + " x " + std::to_string(h) +
                                 " round " + std::to_string(round) + " line " + std::to_string(l) + " cell " +
                                 std::to_string(c));
                    EXPECT_EQ(cell.bBlank, want.blank);
                    EXPECT_EQ(cell.code, want.code);
                    EXPECT_EQ(cell.best, want.best);
                    EXPECT_EQ(cell.worst, want.worst);
                    EXPECT_EQ(cell.variants, want.variants);
                }
            }
        }
    }
}

// The grid search's sum of the cells' least costs: each cell's least, counted pixel by pixel,
// whether its image was matched before (cells repeat on a line of text) or
// not; past the bound the sum may stop short, but never at or below it.
TEST(PageCells, SumOfBestIsEachCellsLeastOnceOrAgain)
{
    constexpr int w = 13, h = 9;
    const CCharImageFont font = fixtures::MakeFont(30, 80, [](int code) { return fixtures::MakeNoiseGlyph(w, h, static_cast<unsigned>(code)); });
    const GlyphSet set = GlyphSetFromFont(font);
    PageGlyphs glyphs;
    glyphs.Build(set);
    std::mt19937 random(23);
    for (int round = 0; round < 12; ++round) {
        InkBits ink;
        ink.width = 150;
        ink.height = 30;
        ink.wordsPerRow = (ink.width + 63) / 64;
        ink.words.resize(static_cast<std::size_t>(ink.wordsPerRow) * ink.height);
        // Glyphs drawn on a row of cells, a few of them again and again, with some noise.
        const int top = static_cast<int>(random() % 20);
        for (int cell = 0; cell * w < ink.width; ++cell) {
            const CCharImage* glyph = font.GetCharImage(40 + static_cast<int>(random() % 4));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w && cell * w + x < ink.width; ++x)
                    if (glyph->Pixel(x, y) != (random() % 40 == 0))
                        ink.words[static_cast<std::size_t>(top + y) * ink.wordsPerRow + (cell * w + x) / 64] |=
                            std::uint64_t{1} << (63 - (cell * w + x) % 64);
        }
        CCellMatcher matcher(ink, glyphs, SupportedMatchPaths()[static_cast<std::size_t>(round) % SupportedMatchPaths().size()]);
        for (int sum = 0; sum < 6; ++sum) {
            std::vector<CellPlace> places;
            long long want = 0;
            for (int i = static_cast<int>(random() % 14); i > 0; --i) {
                const int left = random() % 2 == 0 ? static_cast<int>(random() % 11) * w : static_cast<int>(random() % 160) - 10;
                places.push_back(CellPlace{left, 0});
                int least = w * h;
                for (int code = font.First(); code <= font.Last(); ++code) {
                    int cost = 0;
                    for (int y = 0; y < h; ++y)
                        for (int x = 0; x < w; ++x)
                            cost += font.GetCharImage(code)->Pixel(x, y) != ink.Ink(left + x, top + y);
                    least = std::min(least, cost);
                }
                want += least;
            }
            const long long bound = sum % 3 == 0 ? pagecells::kNoBound : static_cast<long long>(random() % 200);
            const long long got = matcher.SumOfBest(top, places, bound);
            SCOPED_TRACE("round " + std::to_string(round) + " sum " + std::to_string(sum));
            if (want <= bound)
                EXPECT_EQ(got, want);
            else
                EXPECT_GT(got, bound);
        }
    }
}

// Blank glyphs of control codes tie with the space: the cell reads as a space, and no control
// code appears among its variants or ties; a printable glyph identical to a control code's wins.
TEST(PageCells, BlankAndControlGlyphsReadAsSpaces)
{
    const CCharImageFont font = fixtures::MakeFont(0, 127, [](int code) {
        if (code <= 32 || code == 127)
            return fixtures::MakeGlyph(8, 4);
        if (code == 'x' || code == 5)  // a control code drawn like a letter
            return fixtures::MakeGlyph(8, 4, {"##....##", "..####..", "..####..", "##....##"});
        return fixtures::MakeNoiseGlyph(8, 4, static_cast<unsigned>(code));
    });
    const GlyphSet set = GlyphSetFromFont(font);
    PageGlyphs glyphs;
    glyphs.Build(set);
    InkBits ink = BlankInk(24, 4);
    SetInk(ink, 3, 1);  // one speck: the blank glyphs are best at cost 1
    for (int x : {8, 9, 14, 15, 10, 11, 12, 13})
        SetInk(ink, x, x >= 10 ? 1 : 0);
    for (int x : {8, 9, 14, 15, 10, 11, 12, 13})
        SetInk(ink, x, x >= 10 ? 2 : 3);
    ink.CountRows();
    PageGrid grid;
    grid.lines.push_back(WholePixelLine(0, 0, 3, 8, 4));
    const std::vector<PageLine> lines = MatchCells(ink, glyphs, grid, 1.0);
    ASSERT_EQ(lines.size(), 1U);
    const PageCell& speck = lines[0].cells[0];
    EXPECT_EQ(speck.code, U' ');
    EXPECT_FALSE(speck.bBlank);
    EXPECT_EQ(speck.best, 1);
    EXPECT_EQ(speck.ties, std::vector<char32_t>{U' '});
    for (const PageVariant& v : speck.variants)
        EXPECT_TRUE(v.code >= 32 && v.code != 127) << static_cast<int>(v.code);
    EXPECT_EQ(std::count_if(speck.variants.begin(), speck.variants.end(), [](const PageVariant& v) { return v.code == U' '; }), 1);
    EXPECT_EQ(lines[0].cells[1].code, U'x');
    EXPECT_EQ(lines[0].cells[1].ties, std::vector<char32_t>{U'x'});
    EXPECT_TRUE(lines[0].cells[2].bBlank);
    EXPECT_EQ(lines[0].cells[2].code, U' ');
}

}  // namespace
