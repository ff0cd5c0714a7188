// The whole page reader: pages drawn at random places and in colours read back exactly, every
// instruction-set path alike, degenerate inputs, and the dictionary steps on a page's lines.

#include "PageReader.h"

#include "PageFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using namespace pagefixtures;

namespace {

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
    const GlyphSet& glyphs = TestGlyphs();
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
        const PageReading page = ReadPage(picture, glyphs, PageOptions{});
        ASSERT_EQ(page.lines.size(), texts.size()) << page.text;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            EXPECT_EQ(CellCodes(page.lines[i]), texts[i]);
            EXPECT_EQ(page.lines[i].Left(), places[i].first);
            EXPECT_EQ(page.lines[i].Top(), places[i].second);
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
    const GlyphSet& glyphs = TestGlyphs();
    const std::vector<std::string> rows = {"int main()  |", "{           |", "    return 0;", "", "  } // end",
                                           "~~~~~~~~~~~~~~~~"};
    for (int origin : {0, 3, 5}) {
        CRaster picture;
        picture.Create(2 * origin + 20 * kW, origin + static_cast<int>(rows.size()) * kH - 2, GetParam().paper);
        for (std::size_t r = 0; r < rows.size(); ++r)
            Draw(picture, font, rows[r], origin + 2 * kW, origin + static_cast<int>(r) * kH, GetParam().ink);
        const PageReading page = ReadPage(picture, glyphs, PageOptions{});
        EXPECT_TRUE(page.bSharedGrid);
        EXPECT_EQ(page.text, "int main()  |\n{           |\n    return 0;\n\n  } // end\n~~~~~~~~~~~~~~~~");
        ASSERT_EQ(page.lines.size(), 5U);
        EXPECT_EQ(page.lines[0].Top(), origin);
        EXPECT_EQ(page.lines[2].Left(), origin + 6 * kW);
    }
}

// A screen's margin below the terminal (a solid strip of the ink's colour, taller than half a
// cell) is no line of text.
TEST_P(PageReaderColours, LeavesOutSolidMargins)
{
    const CCharImageFont font = TestFont();
    const GlyphSet& glyphs = TestGlyphs();
    const std::vector<std::string> rows = {"ls -l", "  total 0", "$ ~~"};
    const int top = kH + 2;
    // Below the last line, from its cells' end or from a pixel inside them (its glyphs' blank
    // bottom rows), and above the first line, ending a pixel inside its cells.
    for (int strip = 0; strip < 3; ++strip) {
        CRaster picture;
        picture.Create(30 * kW, 6 * kH, GetParam().paper);
        for (std::size_t r = 0; r < rows.size(); ++r)
            Draw(picture, font, rows[r], 2 * kW, top + static_cast<int>(r) * kH, GetParam().ink);
        const int from = strip == 0 ? top + 3 * kH : strip == 1 ? top + 3 * kH - 1 : 0;
        const int to = strip == 2 ? top + 1 : from + (kH + 1) / 2 + 1;
        picture.FillRect(0, from, 30 * kW, to, GetParam().ink);
        const PageReading page = ReadPage(picture, glyphs, PageOptions{});
        EXPECT_EQ(page.text, "ls -l\n  total 0\n$ ~~") << "strip " << strip;
        EXPECT_EQ(page.lines.size(), 3U);
        ASSERT_EQ(page.strips.size(), 1U);
        EXPECT_EQ(page.strips[0].top, from);
    }
}

INSTANTIATE_TEST_SUITE_P(Colours, PageReaderColours,
                         ::testing::Values(Colours{CRaster::kWhite, CRaster::kBlack}, Colours{0x000000, 0xFFFFFF},
                                           Colours{0x0000AA, 0xFFFF55}, Colours{0x2E3436, 0x8AE234}));

TEST(PageReader, DegenerateInputs)
{
    const CCharImageFont font = TestFont();
    const GlyphSet& glyphs = TestGlyphs();
    CRaster picture;
    EXPECT_TRUE(ReadPage(picture, glyphs, PageOptions{}).Empty());
    picture.Create(1, 1, CRaster::kBlack);
    EXPECT_TRUE(ReadPage(picture, glyphs, PageOptions{}).Empty());
    // One inked pixel in a 1 x 1 picture reads as one cell cut by every edge.
    picture.Create(1, 1, CRaster::kWhite);
    picture.SetPixel(0, 0, CRaster::kBlack);
    EXPECT_EQ(ReadPage(picture, glyphs, PageOptions{.ink = InkRule::Black}).CellCount(), 1);

    // Long thin pictures, and a coefficient outside 0..1.
    for (auto [w, h] : {std::pair{16000, 3}, std::pair{3, 16000}}) {
        picture.Create(w, h, CRaster::kWhite);
        for (int i = 0; i < 16000; i += 5)
            picture.SetPixel(w > h ? i : 1, w > h ? 1 : i, CRaster::kBlack);
        EXPECT_FALSE(ReadPage(picture, glyphs, PageOptions{.coefficient = -3}).Empty());
        EXPECT_FALSE(ReadPage(picture, glyphs, PageOptions{.coefficient = 7}).Empty());
    }

    // A font without glyphs or with a 0 cell reads no line.
    picture.Create(40, 20, CRaster::kWhite);
    Draw(picture, font, "ab", 2, 2, CRaster::kBlack);
    EXPECT_TRUE(ReadPage(picture, GlyphSet{}, PageOptions{}).Empty());
    const CCharImageFont zero = fixtures::MakeFont(0, 40, [](int) { return fixtures::MakeGlyph(0, 0); });
    EXPECT_TRUE(ReadPage(picture, GlyphSetFromFont(zero), PageOptions{}).Empty());

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
        PageReading page = ReadPage(picture, GlyphSetFromFont(noise), PageOptions{.ink = round % 3 == 0 ? InkRule::Black : InkRule::Auto});
        ReadPageWords(page, dictionary);
        for (const PageLine& line : page.lines)
            EXPECT_LE(line.text.size(), line.cells.size() + static_cast<std::size_t>(std::max(line.column, 0)));
    }
}

TEST(PageReader, WordsFromTheDictionary)
{
    const CCharImageFont font = TestFont();
    const GlyphSet& glyphs = TestGlyphs();
    CRaster picture;
    picture.Create(200, 60, CRaster::kWhite);
    Draw(picture, font, "cat dog", 10, 5, CRaster::kBlack);
    Draw(picture, font, "cow  eel", 10, 5 + 2 * kH, CRaster::kBlack);
    PageReading page = ReadPage(picture, glyphs, PageOptions{});
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

    // The open step reads every line, the words outside the list as the cells read them.
    PageReading open = ReadPage(picture, glyphs, PageOptions{});
    OpenWordsOptions options;
    options.nCellPixels = kW * kH;
    ReadPageWords(open, dictionary, PageWordsStep::Open, options);
    EXPECT_TRUE(open.NoCutLines().empty());
    EXPECT_TRUE(open.lines[0].bComplex && open.lines[1].bComplex);
    EXPECT_EQ(open.text, "cat dog\n\ncow  eel");
}

// A line whose cells hold characters the dictionary's code page lacks goes through the steps
// with them kept: they are no letters, and the line reads as it did.
TEST(PageReader, WordsKeepCharactersOutsideTheCodePage)
{
    PageLine line;
    for (char32_t code : {U'c', U'a', U't', U' ', U'\u2500', U'\u2502'}) {
        PageCell cell;
        cell.code = code;
        cell.bBlank = code == U' ';
        cell.variants.push_back({code, 0});
        cell.ties.push_back(code);
        line.cells.push_back(cell);
    }
    std::vector<PageLine> lines{line};
    CDictionary dictionary;
    dictionary.SetAlphabet(1);
    ASSERT_TRUE(dictionary.LoadWordsFromText("cat\n"));
    OpenWordsOptions options;
    options.nCellPixels = 8;
    ReadLineWords(lines, dictionary, PageWordsStep::Open, options);
    ASSERT_TRUE(lines[0].bComplex);
    EXPECT_EQ(lines[0].cells[4].code, U'\u2500');
    EXPECT_EQ(lines[0].cells[5].code, U'\u2502');
    EXPECT_EQ(lines[0].cells[0].code, U'c');
}

// Every instruction set reads a page alike, stage by stage: the same ink, lines, grid, cells and
// text.
TEST(PageReader, EveryPathReadsAlike)
{
    const CCharImageFont font = TestFont();
    const GlyphSet& glyphs = TestGlyphs();
    std::mt19937 random(31);
    for (int round = 0; round < 6; ++round) {
        CRaster picture;
        picture.Create(260 + static_cast<int>(random() % 70), 120, round % 2 == 0 ? 0x102030U : CRaster::kWhite);
        const std::uint32_t ink = round % 2 == 0 ? 0xE0E0A0U : 0x202020U;
        for (int y = static_cast<int>(random() % 6); y + kH < picture.height(); y += kH + static_cast<int>(random() % 3))
            Draw(picture, font, RandomText(random, 4 + static_cast<int>(random() % 30)), static_cast<int>(random() % 40), y,
                 ink);
        for (int i = 0; i < 200; ++i)  // noise, so that costs and variants are not all 0
            picture.SetPixel(static_cast<int>(random() % picture.width()), static_cast<int>(random() % picture.height()), ink);
        const PageReading plain = ReadPage(picture, glyphs, PageOptions{.coefficient = 0.3, .path = MatchPath::Portable});
        ASSERT_FALSE(plain.Empty());
        for (MatchPath path : SupportedMatchPaths()) {
            const PageReading fast = ReadPage(picture, glyphs, PageOptions{.coefficient = 0.3, .path = path});
            SCOPED_TRACE(std::string(MatchPathName(path)) + " round " + std::to_string(round));
            EXPECT_EQ(fast.text, plain.text);
            EXPECT_EQ(fast.bands, plain.bands);
            EXPECT_EQ(fast.originX, plain.originX);
            EXPECT_EQ(fast.originY, plain.originY);
            ASSERT_EQ(fast.lines.size(), plain.lines.size());
            for (std::size_t l = 0; l < plain.lines.size(); ++l) {
                EXPECT_EQ(fast.lines[l].grid.Rect(), plain.lines[l].grid.Rect());
                ASSERT_EQ(fast.lines[l].cells.size(), plain.lines[l].cells.size());
                for (std::size_t c = 0; c < plain.lines[l].cells.size(); ++c) {
                    EXPECT_EQ(fast.lines[l].cells[c].best, plain.lines[l].cells[c].best);
                    EXPECT_EQ(fast.lines[l].cells[c].variants, plain.lines[l].cells[c].variants);
                }
            }
        }
    }
}

// A font made with the default inclusions has blank glyphs for the control codes: a page read
// with it has no control code in its text, and its blank cells read as spaces.
TEST(PageReader, NoControlCodeInPageText)
{
    const CCharImageFont base = TestFont();
    const CCharImageFont font = fixtures::MakeFont(0, 126, [&](int code) {
        return code < 32 ? fixtures::MakeGlyph(kW, kH) : *base.GetCharImage(code);
    });
    CRaster picture;
    picture.Create(200, 40, CRaster::kWhite);
    Draw(picture, base, "a  b", 10, 5, CRaster::kBlack);
    picture.SetPixel(10 + 2 * kW + 3, 5 + 4, CRaster::kBlack);  // a speck in a blank cell
    Draw(picture, base, "c", 10, 5 + kH + 3, CRaster::kBlack);
    const PageReading page = ReadPage(picture, GlyphSetFromFont(font), PageOptions{});
    ASSERT_FALSE(page.Empty());
    for (char c : page.text)
        EXPECT_FALSE(static_cast<unsigned char>(c) < 32 && c != '\n') << static_cast<int>(c);
    EXPECT_EQ(page.text.substr(0, 4), "a  b");
}

}  // namespace

namespace {

// A glyph set of four phases a pixel whose glyphs are noise patterns at four times the width:
// phase p of a glyph covers the pattern's columns from p quarter pixels left of each pixel, and a
// pixel is ink where at least two of its four quarters are.
GlyphSet QuarterPixelGlyphs(int width, int height, const std::string& codes)
{
    GlyphSet set;
    set.Reset(width, height, 4, height - 2);
    std::mt19937 random(61);
    for (char code : codes) {
        std::vector<int> fine(static_cast<std::size_t>(4 * width * height), 0);
        if (code != ' ')
            for (int y = 1; y < height - 2; ++y)
                for (int x = 4; x < 4 * (width - 2); ++x)
                    fine[static_cast<std::size_t>(y * 4 * width + x)] = static_cast<int>(random() % 2);
        std::vector<std::uint8_t> images(4 * set.ImageBytes(), 0);
        for (int p = 0; p < 4; ++p)
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    int quarters = 0;
                    for (int k = 0; k < 4; ++k) {
                        const int source = 4 * x - p + k;
                        quarters += source >= 0 && source < 4 * width && fine[static_cast<std::size_t>(y * 4 * width + source)];
                    }
                    if (quarters >= 2)
                        images[static_cast<std::size_t>(p) * set.ImageBytes() + static_cast<std::size_t>(y) * set.BytesPerRow() +
                               static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
                }
        set.Add(static_cast<unsigned char>(code), GlyphFace::Regular, images);
    }
    return set;
}

}  // namespace

// A browser's monospaced text: cells 8.45 pixels apart, each glyph drawn at the quarter pixel its
// position rounds to, lines one cell high apart (one shared grid) or further (each its own). The
// grid is found to the 64th of a pixel and every cell reads at its phase.
TEST(PageReader, FractionalPitchReadsEveryCellAtItsPhase)
{
    const std::string codes = " abcdefghijklmnopqrstuvwxyz.,";
    const GlyphSet glyphs = QuarterPixelGlyphs(9, 14, codes);
    constexpr long long kPitch = 541 * kSubpixels / 64;  // 8.45 pixels
    std::mt19937 random(67);
    for (int round = 0; round < 10; ++round) {
        CRaster picture;
        picture.Create(700, 120, CRaster::kWhite);
        const long long origin = kSubpixels * 5 + static_cast<long long>(random() % 64) * kSubpixels / 64;
        std::vector<std::string> texts;
        for (int row = 0; row < 6; ++row) {
            std::string text;
            for (int i = 0; i < 50 + static_cast<int>(random() % 25); ++i)
                text.push_back(codes[1 + random() % (codes.size() - 1)]);
            texts.push_back(text);
            const LineGrid line = [&] {
                LineGrid l = WholePixelLine(0, 3 + row * (round % 2 == 0 ? 14 : 18), static_cast<int>(text.size()), 9, 14);
                l.leftSub = origin;
                l.pitchSub = kPitch;
                l.phases = 4;
                return l;
            }();
            for (int c = 0; c < line.cells; ++c) {
                const int g = glyphs.Find(static_cast<unsigned char>(text[static_cast<std::size_t>(c)]));
                const CellPlace place = line.Place(c);
                for (int y = 0; y < 14; ++y)
                    for (int x = 0; x < 9; ++x)
                        if (glyphs.Ink(place.phase, g, x, y))
                            picture.SetPixel(static_cast<int>(place.pixel) + x, line.top + y, CRaster::kBlack);
            }
        }
        const PageReading page = ReadPage(picture, glyphs, PageOptions{.pitchSub = kPitch});
        ASSERT_EQ(page.lines.size(), texts.size()) << "round " << round;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            EXPECT_EQ(CellCodes(page.lines[i]), texts[i]) << "round " << round << " line " << i;
            EXPECT_EQ(page.lines[i].Cost(), 0);
            EXPECT_EQ(page.lines[i].grid.leftSub, origin);
            EXPECT_EQ(page.lines[i].grid.bOwn, round % 2 == 1);
        }
    }
}

// A browser page's margin, less than a cell wide, is no column of its text, though a glyph of
// the first column reaches a pixel into it (a round letter's left bearing below zero): every line
// starts at its first letter.
TEST(PageReader, BrowserMarginWithAGlyphsEdgeInItIsNoColumn)
{
    const std::string codes = " abcdefghijklmnopqrstuvwxyz";
    const GlyphSet glyphs = QuarterPixelGlyphs(9, 14, codes);
    constexpr long long kPitch = 541 * kSubpixels / 64;  // 8.45 pixels
    std::mt19937 random(73);
    for (const bool overhang : {false, true}) {
        CRaster picture;
        picture.Create(600, 100, CRaster::kWhite);
        std::string expected;
        for (int row = 0; row < 5; ++row) {
            std::string text;
            for (int i = 0; i < 40 + row * 5; ++i)
                text.push_back(codes[1 + random() % (codes.size() - 1)]);
            LineGrid line = WholePixelLine(0, 4 + row * 14, static_cast<int>(text.size()), 9, 14);
            line.leftSub = kSubpixels * 7 + kSubpixels / 4;
            line.pitchSub = kPitch;
            line.phases = 4;
            for (int c = 0; c < line.cells; ++c) {
                const CellPlace place = line.Place(c);
                const int g = glyphs.Find(static_cast<unsigned char>(text[static_cast<std::size_t>(c)]));
                for (int y = 0; y < 14; ++y)
                    for (int x = 0; x < 9; ++x)
                        if (glyphs.Ink(place.phase, g, x, y))
                            picture.SetPixel(static_cast<int>(place.pixel) + x, line.top + y, CRaster::kBlack);
            }
            if (overhang && row == 2)
                for (int y = 6; y < 9; ++y)
                    picture.SetPixel(static_cast<int>(line.Place(0).pixel) - 1, line.top + y, CRaster::kBlack);
            expected += (row > 0 ? "\n" : "") + text;
        }
        const PageReading page = ReadPage(picture, glyphs, PageOptions{.pitchSub = kPitch, .layout = PageLayout::Screen});
        EXPECT_EQ(page.text, expected) << (overhang ? "with" : "without") << " a glyph's edge in the margin";
    }
}

// A browser may draw a glyph at the phase beside the one its cell's position rounds to. Where a
// look-alike at the cell's own phase is drawn as the glyph at the next phase but for a pixel,
// the glyph is still read, at the phase it was drawn at; glyphs drawn where expected stay exact.
TEST(PageReader, AGlyphDrawnAtThePhaseBesideReadsAsItselfNotItsLookAlike)
{
    const std::string codes = " abcdefghijklmnopqrstuvwxyz";
    GlyphSet glyphs = QuarterPixelGlyphs(9, 14, codes);
    // q at phase p is r at phase p + 1 with one pixel more.
    const int r = glyphs.Find(U'r');
    const int q = glyphs.Find(U'q');
    for (int p = 0; p + 1 < 4; ++p) {
        std::copy(glyphs.Image(p + 1, r), glyphs.Image(p + 1, r) + glyphs.ImageBytes(), glyphs.Image(p, q));
        glyphs.Image(p, q)[static_cast<std::size_t>(12 * glyphs.BytesPerRow())] |= 0x80;
    }
    constexpr long long kPitch = 541 * kSubpixels / 64;
    std::mt19937 random(71);
    CRaster picture;
    picture.Create(700, 120, CRaster::kWhite);
    std::vector<std::string> texts;
    for (int row = 0; row < 6; ++row) {
        std::string text;
        for (int i = 0; i < 60; ++i)
            text.push_back(i % 3 == 1 ? 'r' : codes[1 + random() % (codes.size() - 1)]);
        LineGrid line = WholePixelLine(0, 3 + row * 14, static_cast<int>(text.size()), 9, 14);
        line.leftSub = kSubpixels * 5 + kSubpixels / 8;
        line.pitchSub = kPitch;
        line.phases = 4;
        for (int c = 0; c < line.cells; ++c) {
            CellPlace place = line.Place(c);
            if (text[static_cast<std::size_t>(c)] == 'q')
                text[static_cast<std::size_t>(c)] = 'r';
            if (text[static_cast<std::size_t>(c)] == 'r' && place.phase < 3)
                ++place.phase;
            const int g = glyphs.Find(static_cast<unsigned char>(text[static_cast<std::size_t>(c)]));
            for (int y = 0; y < 14; ++y)
                for (int x = 0; x < 9; ++x)
                    if (glyphs.Ink(place.phase, g, x, y))
                        picture.SetPixel(static_cast<int>(place.pixel) + x, line.top + y, CRaster::kBlack);
        }
        texts.push_back(text);
    }
    const PageReading page = ReadPage(picture, glyphs, PageOptions{.pitchSub = kPitch});
    ASSERT_EQ(page.lines.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(CellCodes(page.lines[i]), texts[i]) << "line " << i;
        EXPECT_EQ(page.lines[i].Cost(), 0) << "line " << i;
    }
}
