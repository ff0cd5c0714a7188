// The page reader: the ink rule, the matching of cells against a per-pixel oracle, the page
// text rules, and pages drawn at random places and in colours read back exactly.

#include "PageReader.h"

#include "GlyphFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kW = 7;   // not a multiple of 8: the bits past the width must never count
constexpr int kH = 11;

// A font of the codes 32..126, kW x kH: the space is blank, every other glyph a noise
// pattern of its own inside a margin (blank top row, right column and two bottom rows), as
// the glyphs of a real font leave room around their ink; '|' is a bar the whole cell high, so
// that lines of a terminal touch. Bits past the width are set, so a reader that counts them
// fails.
CCharImageFont TestFont()
{
    return fixtures::MakeFont(32, 126, [](int code) {
        if (code == '|')
            return fixtures::MakeGlyph(kW, kH, {"..##", "..##", "..##", "..##", "..##", "..##", "..##", "..##", "..##",
                                                "..##", "..##"});
        CCharImage glyph = fixtures::MakeGlyph(kW, kH);
        std::mt19937 random(static_cast<unsigned>(code) * 7919U);
        for (int y = 0; y < kH; ++y) {
            glyph.m_Bits[static_cast<std::size_t>(y)] |= 0x01;
            for (int x = 0; x < kW - 1; ++x)
                if (code != ' ' && y >= 1 && y < kH - 2 && random() % 2 == 0)
                    glyph.m_Bits[static_cast<std::size_t>(y)] |= static_cast<std::uint8_t>(0x80 >> x);
        }
        return glyph;
    });
}

// Paints the glyphs of text from (x, y) in colour, W x H pixels each.
void Draw(CRaster& picture, const CCharImageFont& font, const std::string& text, int x, int y, std::uint32_t colour)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const CCharImage* glyph = font.GetCharImage(static_cast<unsigned char>(text[i]));
        for (int r = 0; r < glyph->Height(); ++r)
            for (int c = 0; c < glyph->Width(); ++c)
                if (glyph->Pixel(c, r))
                    picture.SetPixel(x + static_cast<int>(i) * kW + c, y + r, colour);
    }
}

// Random text of printable characters, single spaces inside, none at the ends.
std::string RandomText(std::mt19937& random, int length)
{
    std::string text;
    for (int i = 0; i < length; ++i) {
        const bool space = i > 0 && i + 1 < length && text.back() != ' ' && random() % 6 == 0;
        text.push_back(space ? ' ' : static_cast<char>(33 + random() % 94));
    }
    return text;
}

std::string CellCodes(const PageLine& line)
{
    std::string codes;
    for (const PageCell& cell : line.cells)
        codes.push_back(static_cast<char>(cell.code));
    while (!codes.empty() && codes.back() == ' ')
        codes.pop_back();
    return codes;
}

TEST(PageReader, InkRule)
{
    CRaster picture;
    // Black on white, antialiased: dark grey is ink, light grey is not (contrast 255, half 127).
    picture.Create(8, 4, CRaster::kWhite);
    picture.SetPixel(0, 0, 0x000000);
    picture.SetPixel(1, 0, 0x404040);
    picture.SetPixel(2, 0, 0x808080);  // distance 127: not more than half the contrast
    picture.SetPixel(3, 0, 0x7F7F7F);  // distance 128
    picture.SetPixel(4, 0, 0xC0C0C0);
    InkBits ink = InkMask(picture, InkRule::Auto);
    EXPECT_EQ(ink.background, CRaster::kWhite);
    EXPECT_EQ(ink.threshold, 127);
    EXPECT_TRUE(ink.Ink(0, 0) && ink.Ink(1, 0) && ink.Ink(3, 0));
    EXPECT_FALSE(ink.Ink(2, 0) || ink.Ink(4, 0) || ink.Ink(5, 0) || ink.Ink(0, 1));

    // Light on dark and coloured: the most common colour is paper, one channel decides.
    picture.Create(70, 3, 0x202020);
    picture.SetPixel(65, 1, 0xE0E0E0);
    picture.SetPixel(66, 1, 0x303030);
    ink = InkMask(picture, InkRule::Auto);
    EXPECT_EQ(ink.background, 0x202020U);
    EXPECT_TRUE(ink.Ink(65, 1));
    EXPECT_FALSE(ink.Ink(66, 1));
    EXPECT_EQ(ink.wordsPerRow, 2);
    picture.Create(5, 5, 0x0000AA);
    picture.SetPixel(2, 2, 0xFFFF55);
    picture.SetPixel(3, 2, 0x0000FF);  // only blue differs, by 85 of the contrast 255
    ink = InkMask(picture, InkRule::Auto);
    EXPECT_TRUE(ink.Ink(2, 2));
    EXPECT_FALSE(ink.Ink(3, 2));

    // A picture of more colours than the counting table keeps: the most common still wins.
    picture.Create(300, 300);
    for (int i = 0; i < 300 * 300; ++i)
        picture.SetPixel(i % 300, i / 300, static_cast<std::uint32_t>(i) * 97U + 5U);
    for (int x = 0; x < 3; ++x)
        picture.SetPixel(x, 7, 0x123456);
    EXPECT_EQ(InkMask(picture, InkRule::Auto).background, 0x123456U);

    // One colour has no ink, whatever it is; Black takes exactly black only.
    picture.Create(9, 9, CRaster::kBlack);
    ink = InkMask(picture, InkRule::Auto);
    EXPECT_TRUE(std::all_of(ink.words.begin(), ink.words.end(), [](std::uint64_t w) { return w == 0; }));
    picture.Create(3, 1, CRaster::kWhite);
    picture.SetPixel(0, 0, 0x000000);
    picture.SetPixel(1, 0, 0x010101);
    ink = InkMask(picture, InkRule::Black);
    EXPECT_TRUE(ink.Ink(0, 0));
    EXPECT_FALSE(ink.Ink(1, 0));
}

TEST(PageReader, InkMaskPathsAgree)
{
    std::mt19937 random(3);
    const std::uint32_t palette[] = {0xFFFFFF, 0x000000, 0x808080, 0x7F7F7F, 0x1E90FF, 0xFF00FF, 0x010101, 0x00FF00};
    for (int round = 0; round < 40; ++round) {
        CRaster picture;
        picture.Create(1 + static_cast<int>(random() % 200), 1 + static_cast<int>(random() % 5), palette[round % 8]);
        for (int i = static_cast<int>(random() % 300); i > 0; --i) {
            const int x = static_cast<int>(random() % picture.width());
            const int y = static_cast<int>(random() % picture.height());
            picture.SetPixel(x, y, random() % 3 == 0 ? static_cast<std::uint32_t>(random() & 0xFFFFFF) : palette[random() % 8]);
        }
        for (InkRule rule : {InkRule::Auto, InkRule::Black}) {
            const InkBits plain = InkMask(picture, rule, MatchPath::Portable);
            for (MatchPath path : SupportedMatchPaths()) {
                const InkBits fast = InkMask(picture, rule, path);
                EXPECT_EQ(fast.words, plain.words) << MatchPathName(path) << " round " << round;
                EXPECT_EQ(fast.background, plain.background);
                EXPECT_EQ(fast.threshold, plain.threshold);
            }
        }
    }
}

// The Simple rule over exactly the W x H pixels of cell and glyph, pixel by pixel.
struct OracleCell {
    int code = ' ';
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
    for (auto [code, cost] : costs) {
        if (cost < out.best) {
            out.best = cost;
            out.code = code;
        }
        out.worst = std::max(out.worst, cost);
    }
    for (auto [code, cost] : costs) {
        if (out.best != 0 && out.worst != 0) {
            if (static_cast<double>(cost - out.best) <= k * static_cast<double>(out.worst - out.best))
                out.variants.push_back({static_cast<std::uint8_t>(code), cost});
        } else if (code == out.code) {
            out.variants.push_back({static_cast<std::uint8_t>(code), 0});
        }
    }
    return out;
}

TEST(PageReader, MatchCellsEqualsPixelByPixelOracle)
{
    std::mt19937 random(19);
    // A 13 x 9 cell spans two bytes a row, a 70 x 5 cell two 64-bit words; a few glyphs of
    // other sizes must never match, and two identical glyphs tie to the lower code.
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
                LineGrid line;
                line.top = l == 0 && round % 4 == 0 ? 0 : static_cast<int>(random() % (ink.height + 10)) - 5;
                line.left = l == 0 && round % 4 == 0 ? 0 : static_cast<int>(random() % 90) - 45;
                line.cells = static_cast<int>(random() % 20);
                grid.lines.push_back(line);
            }
            const double k = (random() % 5) * 0.25;
            const std::vector<MatchPath> paths = SupportedMatchPaths();
            const MatchPath path = paths[static_cast<std::size_t>(round) % paths.size()];
            const std::vector<PageLine> lines = MatchCells(ink, font, grid, k, path);
            ASSERT_EQ(lines.size(), grid.lines.size());
            for (std::size_t l = 0; l < lines.size(); ++l) {
                ASSERT_EQ(static_cast<int>(lines[l].cells.size()), grid.lines[l].cells);
                for (int c = 0; c < grid.lines[l].cells; ++c) {
                    const PageCell& cell = lines[l].cells[static_cast<std::size_t>(c)];
                    const OracleCell want = LiteralCell(ink, font, grid.lines[l].left + c * w, grid.lines[l].top, k);
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

PageLine TextLine(const std::string& codes, int column, int row)
{
    PageLine line;
    line.column = column;
    line.row = row;
    for (char code : codes) {
        PageCell cell;
        cell.code = static_cast<std::uint8_t>(code);
        cell.bBlank = code == ' ';
        line.cells.push_back(cell);
    }
    return line;
}

TEST(PageReader, PageTextKeepsLayout)
{
    // Columns 3 and 4 are blank in every line and dropped; indentation stays; trailing blanks
    // go; the empty grid row 2 stays an empty line; a line of blanks reads as an empty line.
    std::vector<PageLine> lines = {TextLine("  ab c  ", 3, 0), TextLine("x", 7, 1), TextLine("   ", 3, 3),
                                   TextLine("d e", 5, 4)};
    EXPECT_EQ(PageText(lines, true), "ab c\n  x\n\n\nd e");
    EXPECT_EQ(lines[1].text, "  x");
    EXPECT_EQ(lines[1].column, 2);
    // Without a shared grid the rows are not grid rows: no empty line is made.
    EXPECT_EQ(PageText(lines, false), "ab c\n  x\n\nd e");
    std::vector<PageLine> none;
    EXPECT_EQ(PageText(none, true), "");
}

struct Colours {
    std::uint32_t paper;
    std::uint32_t ink;
};

class PageReaderColours : public ::testing::TestWithParam<Colours> {};

// Lines at random pixel places, none on a common grid, in a margin of paper: every line is
// found where it was drawn and reads exactly.
TEST_P(PageReaderColours, ReadsLinesAtRandomPlaces)
{
    const CCharImageFont font = TestFont();
    std::mt19937 random(7);
    for (int round = 0; round < 6; ++round) {
        CRaster picture;
        picture.Create(300, 150, GetParam().paper);
        std::vector<std::string> texts;
        std::vector<std::pair<int, int>> places;
        int y = 3 + static_cast<int>(random() % 5);
        while (y + kH + 3 < picture.height()) {
            const std::string text = RandomText(random, 3 + static_cast<int>(random() % 30));
            const int x = 2 + static_cast<int>(random() % 60);
            Draw(picture, font, text, x, y, GetParam().ink);
            texts.push_back(text);
            places.emplace_back(x, y);
            y += kH + 2 + static_cast<int>(random() % 12);
        }
        const PageReading page = ReadPage(picture, font, PageOptions{});
        ASSERT_EQ(page.lines.size(), texts.size()) << page.text;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            EXPECT_EQ(CellCodes(page.lines[i]), texts[i]);
            EXPECT_EQ(page.lines[i].left, places[i].first);
            EXPECT_EQ(page.lines[i].top, places[i].second);
            EXPECT_EQ(page.lines[i].Cost(), 0);
        }
    }
}

// A terminal: lines on one grid, their cells touching (the pitch is the cell height) and two
// of them their ink too, indented, with an empty row, cut by the picture's bottom edge
// through the glyphs' blank rows.
TEST_P(PageReaderColours, ReadsATerminalGrid)
{
    const CCharImageFont font = TestFont();
    const std::vector<std::string> rows = {"int main()  |", "{           |", "    return 0;", "", "  } // end",
                                           "~~~~~~~~~~~~~~~~"};
    for (int origin : {0, 3, 5}) {
        CRaster picture;
        picture.Create(2 * origin + 20 * kW, origin + static_cast<int>(rows.size()) * kH - 2, GetParam().paper);
        for (std::size_t r = 0; r < rows.size(); ++r)
            Draw(picture, font, rows[r], origin + 2 * kW, origin + static_cast<int>(r) * kH, GetParam().ink);
        const PageReading page = ReadPage(picture, font, PageOptions{});
        EXPECT_TRUE(page.bSharedGrid);
        EXPECT_EQ(page.text, "int main()  |\n{           |\n    return 0;\n\n  } // end\n~~~~~~~~~~~~~~~~");
        ASSERT_EQ(page.lines.size(), 5U);
        EXPECT_EQ(page.lines[0].top, origin);
        EXPECT_EQ(page.lines[2].left, origin + 6 * kW);
    }
}

// A screen's margin below the terminal (a solid strip of the ink's colour, taller than half a
// cell) is no line of text.
TEST_P(PageReaderColours, LeavesOutSolidMargins)
{
    const CCharImageFont font = TestFont();
    const std::vector<std::string> rows = {"ls -l", "  total 0", "$ ~~"};
    CRaster picture;
    picture.Create(30 * kW, 6 * kH, GetParam().paper);
    for (std::size_t r = 0; r < rows.size(); ++r)
        Draw(picture, font, rows[r], 2 * kW, 2 + static_cast<int>(r) * kH, GetParam().ink);
    picture.FillRect(0, 2 + 3 * kH, 30 * kW, 2 + 3 * kH + (kH + 1) / 2 + 1, GetParam().ink);
    const PageReading page = ReadPage(picture, font, PageOptions{});
    EXPECT_EQ(page.text, "ls -l\n  total 0\n$ ~~");
    EXPECT_EQ(page.lines.size(), 3U);
}

INSTANTIATE_TEST_SUITE_P(Colours, PageReaderColours,
                         ::testing::Values(Colours{CRaster::kWhite, CRaster::kBlack}, Colours{0x000000, 0xFFFFFF},
                                           Colours{0x0000AA, 0xFFFF55}, Colours{0x2E3436, 0x8AE234}));

TEST(PageReader, DegenerateInputs)
{
    const CCharImageFont font = TestFont();
    CRaster picture;
    EXPECT_TRUE(ReadPage(picture, font, PageOptions{}).Empty());
    picture.Create(1, 1, CRaster::kBlack);
    EXPECT_TRUE(ReadPage(picture, font, PageOptions{}).Empty());
    // One inked pixel in a 1 x 1 picture reads as one cell cut by every edge.
    picture.Create(1, 1, CRaster::kWhite);
    picture.SetPixel(0, 0, CRaster::kBlack);
    EXPECT_EQ(ReadPage(picture, font, PageOptions{.ink = InkRule::Black}).CellCount(), 1);

    // Long thin pictures, and a coefficient outside 0..1.
    for (auto [w, h] : {std::pair{16000, 3}, std::pair{3, 16000}}) {
        picture.Create(w, h, CRaster::kWhite);
        for (int i = 0; i < 16000; i += 5)
            picture.SetPixel(w > h ? i : 1, w > h ? 1 : i, CRaster::kBlack);
        EXPECT_FALSE(ReadPage(picture, font, PageOptions{.coefficient = -3}).Empty());
        EXPECT_FALSE(ReadPage(picture, font, PageOptions{.coefficient = 7}).Empty());
    }

    // A font without glyphs or with a 0 cell reads no line.
    picture.Create(40, 20, CRaster::kWhite);
    Draw(picture, font, "ab", 2, 2, CRaster::kBlack);
    EXPECT_TRUE(ReadPage(picture, CCharImageFont{}, PageOptions{}).Empty());
    const CCharImageFont zero = fixtures::MakeFont(0, 40, [](int) { return fixtures::MakeGlyph(0, 0); });
    EXPECT_TRUE(ReadPage(picture, zero, PageOptions{}).Empty());

    // Small random pictures and fonts of random cell sizes, some glyphs of other sizes: every
    // reading ends, and each line has the cells its text shows.
    std::mt19937 random(23);
    CDictionary dictionary;
    dictionary.SetAlphabet(1);
    dictionary.LoadWordsFromText("a\nab\n");
    for (int round = 0; round < 200; ++round) {
        const int w = 1 + static_cast<int>(random() % 9);
        const int h = 1 + static_cast<int>(random() % 9);
        const CCharImageFont noise = fixtures::MakeFont(32, 40 + static_cast<int>(random() % 60), [&](int code) {
            return fixtures::MakeNoiseGlyph(code % 11 == 0 ? w + 1 : w, h, static_cast<unsigned>(code + round));
        });
        picture.Create(1 + static_cast<int>(random() % 40), 1 + static_cast<int>(random() % 40),
                       static_cast<std::uint32_t>(random() & 0xFFFFFF));
        for (int i = static_cast<int>(random() % 200); i > 0; --i)
            picture.SetPixel(static_cast<int>(random() % picture.width()), static_cast<int>(random() % picture.height()),
                             random() % 2 == 0 ? CRaster::kBlack : static_cast<std::uint32_t>(random() & 0xFFFFFF));
        PageReading page = ReadPage(picture, noise, PageOptions{.ink = round % 3 == 0 ? InkRule::Black : InkRule::Auto});
        ReadPageWords(page, dictionary);
        for (const PageLine& line : page.lines)
            EXPECT_LE(line.text.size(), line.cells.size() + static_cast<std::size_t>(std::max(line.column, 0)));
    }
}

TEST(PageReader, WordsFromTheDictionary)
{
    const CCharImageFont font = TestFont();
    CRaster picture;
    picture.Create(200, 60, CRaster::kWhite);
    Draw(picture, font, "cat dog", 10, 5, CRaster::kBlack);
    Draw(picture, font, "cow  eel", 10, 5 + 2 * kH, CRaster::kBlack);
    PageReading page = ReadPage(picture, font, PageOptions{});
    ASSERT_EQ(page.lines.size(), 2U);
    CDictionary dictionary;
    dictionary.SetAlphabet(1);
    ASSERT_TRUE(dictionary.LoadWordsFromText("cat\ndog\n"));
    ReadPageWords(page, dictionary);
    EXPECT_TRUE(page.lines[0].bComplex);
    EXPECT_FALSE(page.lines[0].bNoCut);
    EXPECT_TRUE(page.lines[1].bNoCut);
    EXPECT_EQ(page.NoCutLines(), std::vector<int>{1});
    EXPECT_EQ(page.text, "cat dog\n\ncow  eel");
}

}  // namespace
