// The line decoder against a literal search: every glyph sequence of a made line, at every
// pen it may start at, drawn and compared pixel by pixel. With nothing pruned the decoder must
// find the least cost there is; with its own bounds it must still read clean lines exactly.

#include "PageDecode.h"
#include "PageFixtures.h"

#include <gtest/gtest.h>

#include <bit>
#include <map>
#include <random>
#include <set>

#ifndef RECOGNITION_TEST_SCALE
#define RECOGNITION_TEST_SCALE 1
#endif

namespace {

using pagefixtures::BlankInk;
using pagefixtures::SetInk;

constexpr int kPhases = 2;
constexpr int kBaseline = 9;
constexpr int kRows = 6;  // every glyph's rows, ending on the baseline
constexpr long long kOne = 65536;

// One glyph of the made font at one phase, as pixels: ink and may-be-ink.
struct MadeImage {
    int left = 0;
    std::vector<std::string> rows;  // '#' ink, '+' may be ink, '.' paper
};

struct MadeGlyph {
    char32_t code = 0;
    std::int32_t advance16 = 0;
    MadeImage phases[kPhases];  // their rows end on the baseline
    bool rare = false;
    GlyphScript script = GlyphScript::None;
};

// Five glyphs of random ink (and, when asked, pixels that may be ink) between solid side
// stems, their advances a fraction of a pixel apart, a space, and one kerned pair: no two
// glyphs' pixels ever meet, so that the cost of a line is the sum of its glyphs' costs.
std::vector<MadeGlyph> MadeGlyphs(unsigned seed, bool uncertain)
{
    std::mt19937 random(seed);
    std::vector<MadeGlyph> glyphs;
    MadeGlyph space;
    space.code = U' ';
    space.advance16 = 3 * kOne + kOne / 4;
    glyphs.push_back(space);
    for (char32_t code = U'a'; code <= U'e'; ++code) {
        MadeGlyph glyph;
        glyph.code = code;
        const int width = 3 + static_cast<int>(random() % 3);
        glyph.advance16 = (width + 3) * static_cast<std::int32_t>(kOne) + static_cast<std::int32_t>(random() % kOne);
        for (int p = 0; p < kPhases; ++p) {
            MadeImage& image = glyph.phases[p];
            image.left = p;  // half a pixel right moves the ink a column on
            for (int y = 0; y < kRows; ++y) {
                std::string row;
                for (int x = 0; x < width; ++x) {
                    const unsigned r = random() % 6;
                    row += x == 0 || x == width - 1 ? '#' : r < 3 ? '#' : r == 3 && uncertain ? '+' : '.';
                }
                image.rows.push_back(row);
            }
        }
        glyphs.push_back(glyph);
    }
    return glyphs;
}

constexpr std::int32_t kKern = -kOne / 2;  // between b and c

LineFont MakeLineFont(const std::vector<MadeGlyph>& glyphs)
{
    LineFont font;
    font.Reset(kPhases, PenRule::Nearest);
    for (const MadeGlyph& glyph : glyphs) {
        std::vector<std::vector<std::uint8_t>> ink(kPhases), maybe(kPhases);
        std::vector<LineFont::ImageBytes> images;
        for (int p = 0; p < kPhases; ++p) {
            const MadeImage& image = glyph.phases[p];
            const int width = image.rows.empty() ? 0 : static_cast<int>(image.rows[0].size());
            const int rows = static_cast<int>(image.rows.size());
            ink[p].assign(image.rows.size(), 0);
            maybe[p].assign(image.rows.size(), 0);
            for (int y = 0; y < static_cast<int>(image.rows.size()); ++y)
                for (int x = 0; x < width; ++x) {
                    const char c = image.rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
                    if (c == '#')
                        ink[p][static_cast<std::size_t>(y)] |= static_cast<std::uint8_t>(0x80 >> x);
                    if (c == '+')
                        maybe[p][static_cast<std::size_t>(y)] |= static_cast<std::uint8_t>(0x80 >> x);
                }
            images.push_back(LineFont::ImageBytes{image.left, rows, width, width > 0 ? rows : 0, ink[p].data(), maybe[p].data()});
        }
        font.Add(std::u32string(1, glyph.code), GlyphFace::Regular, glyph.advance16, images, glyph.script, glyph.rare);
    }
    font.kerning.push_back(KernPair{2, 3, kKern});
    font.SortKerning();
    return font;
}

// A glyph sequence drawn from a pen: each glyph at its phase (the one at shifted a phase
// right of it, its pen unmoved), the next at its advance and kerning.
struct Drawing {
    std::vector<std::vector<bool>> ink;    // [y][x]
    std::vector<std::vector<bool>> cover;  // ink or may be ink
    std::vector<std::pair<int, long long>> placed;  // glyph and the phase it was drawn at, spaces left out
};

constexpr int kWidth = 72;
constexpr int kHeight = 12;

Drawing Draw(const std::vector<MadeGlyph>& glyphs, const std::vector<int>& sequence, long long pen, int shifted = -1)
{
    Drawing drawing;
    drawing.ink.assign(kHeight, std::vector<bool>(kWidth, false));
    drawing.cover = drawing.ink;
    for (std::size_t i = 0; i < sequence.size(); ++i) {
        const int g = sequence[i];
        if (i > 0 && sequence[i - 1] == 2 && g == 3)
            pen += kKern;
        const long long phase = PenPhase(pen, kPhases, PenRule::Nearest) + (static_cast<int>(i) == shifted ? 1 : 0);
        const long long pixel = phase >= 0 ? phase / kPhases : -((-phase + kPhases - 1) / kPhases);
        const MadeImage& image = glyphs[static_cast<std::size_t>(g)].phases[phase - pixel * kPhases];
        for (int y = 0; y < static_cast<int>(image.rows.size()); ++y)
            for (int x = 0; x < static_cast<int>(image.rows[static_cast<std::size_t>(y)].size()); ++x) {
                const long long px = pixel + image.left + x;
                const int py = kBaseline - static_cast<int>(image.rows.size()) + y;
                if (px < 0 || px >= kWidth)
                    continue;
                const char c = image.rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
                drawing.ink[static_cast<std::size_t>(py)][static_cast<std::size_t>(px)] =
                    drawing.ink[static_cast<std::size_t>(py)][static_cast<std::size_t>(px)] || c == '#';
                drawing.cover[static_cast<std::size_t>(py)][static_cast<std::size_t>(px)] =
                    drawing.cover[static_cast<std::size_t>(py)][static_cast<std::size_t>(px)] || c != '.';
            }
        if (g != 0)
            drawing.placed.emplace_back(g, phase);
        pen += glyphs[static_cast<std::size_t>(g)].advance16;
    }
    return drawing;
}

// The drawing's ink as a mask (its rows not yet counted).
InkBits InkOf(const Drawing& drawing)
{
    InkBits ink = BlankInk(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            SetInk(ink, x, y, drawing.ink[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
    return ink;
}

// Pixels where ink and drawing differ: ink nothing covers, and drawn ink without ink.
long long Mismatch(const InkBits& ink, const Drawing& drawing)
{
    long long cost = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const bool inked = ink.Ink(x, y);
            cost += (inked && !drawing.cover[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]) ||
                    (!inked && drawing.ink[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
        }
    return cost;
}

TextBand BandOf(const InkBits& ink)
{
    TextBand band{kHeight, 0, kWidth, 0};
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (ink.Ink(x, y)) {
                band.top = std::min(band.top, y);
                band.bottom = std::max(band.bottom, y + 1);
                band.left = std::min(band.left, x);
                band.right = std::max(band.right, x + 1);
            }
    return band;
}

// The glyphs and the phases they were drawn at, spaces left out.
std::vector<std::pair<int, long long>> Placed(const DecodedLine& line)
{
    std::vector<std::pair<int, long long>> placed;
    for (const DecodedGlyph& glyph : line.glyphs)
        if (!glyph.bSpace)
            placed.emplace_back(glyph.glyph, static_cast<long long>(glyph.pixel) * kPhases + glyph.phase);
    return placed;
}

// Nothing pruned, nothing but the pixels costs: no skip between glyphs, no jitter, no priors.
DecodeOptions Exhaustive()
{
    DecodeOptions options;
    options.jitter = 0;
    options.candidates = 0;
    options.rankMargin = 0;
    options.states = 1 << 10;
    options.exactPens = true;
    options.beam = 0;
    options.blankStepCost = options.inkStepCost = 1 << 12;
    options.rareCost = options.scriptCost = options.faceCost = options.glyphCost = 0;
    return options;
}

TEST(PageDecode, FindsTheLeastCostOfEveryGlyphSequence)
{
    for (unsigned seed = 1; seed <= 24 / RECOGNITION_TEST_SCALE; ++seed) {
        SCOPED_TRACE(seed);
        const std::vector<MadeGlyph> glyphs = MadeGlyphs(seed, true);
        const LineFont font = MakeLineFont(glyphs);
        ASSERT_TRUE(font.Consistent());
        std::mt19937 random(seed * 31U);
        // A line of three or four glyphs, a space perhaps among them, and a few pixels flipped.
        std::vector<int> truth;
        const int length = 3 + static_cast<int>(random() % 2);
        for (int i = 0; i < length; ++i)
            truth.push_back(i > 0 && i + 1 < length && random() % 4 == 0 ? 0 : 1 + static_cast<int>(random() % 5));
        const long long start = (6 + static_cast<long long>(random() % 3)) * kOne + static_cast<long long>(random() % kOne);
        const Drawing drawn = Draw(glyphs, truth, start);
        InkBits ink = InkOf(drawn);
        for (int flips = static_cast<int>(random() % 4); flips > 0; --flips) {
            const int x = static_cast<int>(drawn.placed.front().second / kPhases) + static_cast<int>(random() % 20);
            const int y = kBaseline - kRows + static_cast<int>(random() % kRows);
            SetInk(ink, x, y, !ink.Ink(x, y));
        }
        ink.CountRows();
        const TextBand band = BandOf(ink);

        const DecodedLine decoded = DecodeLine(ink, band, kBaseline, font, Exhaustive());

        // Every sequence of up to four glyphs, from every pen the decoder may start a line at, a
        // space before it or not (a space moves the pen by a fraction of a phase).
        long long least = -1;
        std::set<std::vector<std::pair<int, long long>>> best;
        const long long firstPen = static_cast<long long>(band.left - 8) * kOne;
        const long long lastPen = static_cast<long long>(band.left + 1) * kOne;
        std::vector<int> sequence;
        for (int n = 1; n <= 4; ++n) {
            sequence.assign(static_cast<std::size_t>(n), 0);
            for (long long code = 0; code < (1LL << (3 * n)); ++code) {
                bool valid = true;
                for (int i = 0; i < n; ++i) {
                    sequence[static_cast<std::size_t>(i)] = static_cast<int>((code >> (3 * i)) & 7);
                    valid = valid && sequence[static_cast<std::size_t>(i)] < 6;
                }
                if (!valid || sequence.front() == 0 || sequence.back() == 0)
                    continue;
                for (const bool spaced : {false, true}) {
                    std::vector<int> drawn = sequence;
                    if (spaced)
                        drawn.insert(drawn.begin(), 0);
                    for (long long pen = firstPen; pen <= lastPen; pen += kOne / kPhases) {
                        const Drawing drawing = Draw(glyphs, drawn, pen);
                        const long long cost = Mismatch(ink, drawing);
                        if (least < 0 || cost < least) {
                            least = cost;
                            best.clear();
                        }
                        if (cost == least)
                            best.insert(drawing.placed);
                    }
                }
            }
        }
        EXPECT_EQ(decoded.cost, least);
        if (best.size() == 1) {
            EXPECT_EQ(Placed(decoded), *best.begin());
        }
    }
}

TEST(PageDecode, ReadsCleanLinesExactlyWithItsBounds)
{
    for (unsigned seed = 1; seed <= 40 / RECOGNITION_TEST_SCALE; ++seed) {
        SCOPED_TRACE(seed);
        const std::vector<MadeGlyph> glyphs = MadeGlyphs(seed, false);
        const LineFont font = MakeLineFont(glyphs);
        std::mt19937 random(seed * 17U);
        std::vector<int> truth;
        std::u32string text;
        for (int i = 0; i < 7; ++i) {
            const int g = i > 0 && i < 6 && random() % 5 == 0 ? 0 : 1 + static_cast<int>(random() % 5);
            truth.push_back(g);
            text += glyphs[static_cast<std::size_t>(g)].code;
        }
        const Drawing drawn = Draw(glyphs, truth, 2 * kOne + static_cast<long long>(random() % kOne));
        InkBits ink = InkOf(drawn);
        ink.CountRows();
        const DecodedLine decoded = DecodeLine(ink, BandOf(ink), kBaseline, font);
        EXPECT_EQ(decoded.cost, 0);
        EXPECT_EQ(decoded.text, text);
        EXPECT_EQ(Placed(decoded), drawn.placed);
    }
}

// A glyph a renderer draws a phase off its pen, the glyphs after it at theirs (a pen at a tie,
// an image a phase off ours), and a glyph drawn off with the line after it: both read exactly
// but where, in a made font of random ink, the glyph off its place looks as much like another
// (a pixel's difference costs as much as a phase off), which a line in twenty does.
TEST(PageDecode, ReadsAGlyphDrawnAPhaseOff)
{
    const unsigned seeds = 40 / RECOGNITION_TEST_SCALE;
    int exact[2] = {0, 0};
    for (unsigned seed = 1; seed <= seeds; ++seed) {
        SCOPED_TRACE(seed);
        const std::vector<MadeGlyph> glyphs = MadeGlyphs(seed, false);
        const LineFont font = MakeLineFont(glyphs);
        std::mt19937 random(seed * 29U);
        std::vector<int> truth;
        std::u32string text;
        for (int i = 0; i < 6; ++i) {
            const int g = 1 + static_cast<int>(random() % 5);
            truth.push_back(g);
            text += glyphs[static_cast<std::size_t>(g)].code;
        }
        const long long start = 2 * kOne + static_cast<long long>(random() % kOne);
        for (const bool held : {true, false}) {
            SCOPED_TRACE(held ? "pen held" : "pen moved");
            Drawing drawn = Draw(glyphs, truth, start, 2);
            if (!held) {
                // From the shifted glyph on, the whole line a phase right.
                const Drawing before = Draw(glyphs, std::vector<int>(truth.begin(), truth.begin() + 2), start);
                long long pen = start;
                for (int i = 0; i < 2; ++i)
                    pen += glyphs[static_cast<std::size_t>(truth[static_cast<std::size_t>(i)])].advance16 +
                           (truth[static_cast<std::size_t>(i)] == 2 && truth[static_cast<std::size_t>(i) + 1] == 3 ? kKern : 0);
                const Drawing after = Draw(glyphs, std::vector<int>(truth.begin() + 2, truth.end()), pen + kOne / kPhases);
                drawn = before;
                for (int y = 0; y < kHeight; ++y)
                    for (int x = 0; x < kWidth; ++x)
                        drawn.ink[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] =
                            drawn.ink[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] ||
                            after.ink[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            }
            InkBits ink = InkOf(drawn);
            ink.CountRows();
            exact[held ? 0 : 1] += DecodeLine(ink, BandOf(ink), kBaseline, font).text == text ? 1 : 0;
        }
    }
    EXPECT_GE(exact[0], static_cast<int>(seeds) * 9 / 10);
    EXPECT_GE(exact[1], static_cast<int>(seeds) * 9 / 10);
}

// A mark that no glyph explains (a smudge, a cursor, a glyph the font lacks) in the middle of a
// line costs the glyphs it covers, not the rest of the line: the glyphs after it are read too.
TEST(PageDecode, ReadsOnPastInkNoGlyphExplains)
{
    int read = 0;
    const unsigned seeds = 20 / RECOGNITION_TEST_SCALE;
    for (unsigned seed = 1; seed <= seeds; ++seed) {
        SCOPED_TRACE(seed);
        const std::vector<MadeGlyph> glyphs = MadeGlyphs(seed, false);
        const LineFont font = MakeLineFont(glyphs);
        std::mt19937 random(seed * 31U);
        std::vector<int> before, after;
        std::u32string last;
        for (int i = 0; i < 3; ++i) {
            before.push_back(1 + static_cast<int>(random() % 5));
            after.push_back(1 + static_cast<int>(random() % 5));
            last += glyphs[static_cast<std::size_t>(after.back())].code;
        }
        const Drawing first = Draw(glyphs, before, 2 * kOne);
        const Drawing second = Draw(glyphs, after, 44 * kOne);
        InkBits ink = BlankInk(kWidth, kHeight);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                SetInk(ink, x, y, first.ink[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] ||
                                      second.ink[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
        // A block taller than every glyph, between the two words.
        for (int y = 0; y < kHeight - 1; ++y)
            for (int x = 33; x < 39; ++x)
                SetInk(ink, x, y, true);
        ink.CountRows();
        const DecodedLine decoded = DecodeLine(ink, BandOf(ink), kBaseline, font);
        read += decoded.text.size() >= last.size() && decoded.text.ends_with(last) ? 1 : 0;
    }
    EXPECT_GE(read, static_cast<int>(seeds) * 9 / 10);
}

// A dot of a pixel and a pixel that may be ink (a full stop at 9 px) reads as itself, not as
// the space of its advance whose edge its ink may touch: a glyph of few pixels pays a toll of
// its size for being a glyph.
TEST(PageDecode, ADotOfAPixelReadsAsItself)
{
    std::vector<MadeGlyph> glyphs = MadeGlyphs(3, false);
    glyphs.resize(2);  // the space and 'a'
    MadeGlyph dot;
    dot.code = U'.';
    dot.advance16 = glyphs[0].advance16;
    for (int p = 0; p < kPhases; ++p) {
        dot.phases[p].left = 0;
        dot.phases[p].rows.assign(kRows, "..");
        dot.phases[p].rows[kRows - 1] = p == 0 ? "#+" : "+#";
    }
    glyphs.push_back(dot);
    LineFont font = MakeLineFont(glyphs);
    font.kerning.clear();  // the made font's pair is of glyphs this one lacks
    ASSERT_TRUE(font.Consistent());
    const Drawing drawn = Draw(glyphs, {1, 2, 1}, 2 * kOne);
    InkBits ink = InkOf(drawn);
    ink.CountRows();
    EXPECT_EQ(DecodeLine(ink, BandOf(ink), kBaseline, font).text, U"a.a");
}

// A space after a glyph whose ink reaches two pixels past its advance (an f's hook at 2x)
// is still a space: the columns that glyph covers are its.
TEST(PageDecode, ASpaceAfterAGlyphReachingIntoIt)
{
    std::vector<MadeGlyph> glyphs = MadeGlyphs(5, false);
    glyphs.resize(2);  // the space and 'a'
    MadeGlyph hook;
    hook.code = U'f';
    hook.advance16 = 4 * static_cast<std::int32_t>(kOne);
    for (int p = 0; p < kPhases; ++p) {
        hook.phases[p].left = p;
        hook.phases[p].rows = {"..####", ".#...#", ".#....", "####..", ".#....", ".#...."};
    }
    glyphs.push_back(hook);
    LineFont font = MakeLineFont(glyphs);
    font.kerning.clear();  // the made font's pair is of glyphs this one lacks
    ASSERT_TRUE(font.Consistent());
    const Drawing drawn = Draw(glyphs, {2, 0, 1, 2, 0, 1}, 2 * kOne);
    InkBits ink = InkOf(drawn);
    ink.CountRows();
    EXPECT_EQ(DecodeLine(ink, BandOf(ink), kBaseline, font).text, U"f af a");
}

// Gaps read as spaces by their width, several spaces' gap as several; pens land on phases as
// the renderers round them.
TEST(PageDecode, GapsAndPens)
{
    const std::int32_t space = 4 * static_cast<std::int32_t>(kOne);
    EXPECT_EQ(GapSpaces(0, space), 0);
    EXPECT_EQ(GapSpaces(space / 2 - 1, space), 0);
    EXPECT_EQ(GapSpaces(space / 2, space), 1);
    EXPECT_EQ(GapSpaces(space, space), 1);
    EXPECT_EQ(GapSpaces(5 * space + space / 3, space), 5);
    EXPECT_EQ(GapSpaces(-space, space), 0);
    // 1.125 px at quarter pixels: Skia's nearest, 1.25; Qt's down, 1.0. -0.1 px: 0 and -0.25.
    EXPECT_EQ(PenPhase(kOne + kOne / 8, 4, PenRule::Nearest), 5);
    EXPECT_EQ(PenPhase(kOne + kOne / 8, 4, PenRule::Down), 4);
    EXPECT_EQ(PenPhase(-kOne / 10, 4, PenRule::Nearest), 0);
    EXPECT_EQ(PenPhase(-kOne / 10, 4, PenRule::Down), -1);
}

// Latin and Cyrillic look-alikes read in the script of the word they stand in.
TEST(PageDecode, LookAlikesReadInTheirWordsScript)
{
    LineFont font;
    font.Reset(1);
    const std::uint8_t o[] = {0xF0, 0x90, 0x90, 0xF0};
    const std::uint8_t k[] = {0x90, 0xA0, 0xC0, 0xA0};  // Cyrillic ka only
    const std::uint8_t x[] = {0x90, 0x60, 0x60, 0x90};  // Latin x only
    font.Add(U"o", GlyphFace::Regular, 6 * kOne, {LineFont::ImageBytes{0, 4, 4, 4, o}}, GlyphScript::None);
    font.glyphs[0].lookAlikes.assign(1, U'\u043E');
    font.Add(U"\u043A", GlyphFace::Regular, 6 * kOne, {LineFont::ImageBytes{0, 4, 4, 4, k}}, GlyphScript::Cyrillic);
    font.Add(U"x", GlyphFace::Regular, 6 * kOne, {LineFont::ImageBytes{0, 4, 4, 4, x}}, GlyphScript::Latin);
    font.Add(U" ", GlyphFace::Regular, 6 * kOne, {LineFont::ImageBytes{}});
    auto read = [&](const std::vector<int>& glyphs) {
        InkBits ink = BlankInk(64, 8);
        for (std::size_t i = 0; i < glyphs.size(); ++i) {
            const std::uint8_t* bits = glyphs[i] == 0 ? o : glyphs[i] == 1 ? k : glyphs[i] == 2 ? x : nullptr;
            for (int y = 0; bits != nullptr && y < 4; ++y)
                for (int c = 0; c < 4; ++c)
                    SetInk(ink, 4 + static_cast<int>(i) * 6 + c, 2 + y, ((bits[y] >> (7 - c)) & 1) != 0);
        }
        ink.CountRows();
        return DecodeLine(ink, BandOf(ink), 6, font).text;
    };
    EXPECT_EQ(read({1, 0, 3, 2, 0}), U"\u043A\u043E xo");
    EXPECT_EQ(read({0, 0}), U"oo");  // a word of look-alikes alone is read as Latin

    // A Latin c and a Cyrillic с drawn a pixel apart (as hinting may draw one outline) are
    // twins: the one that costs least stands first in a word, the exact look-alike after it
    // carries on its script, and the word's other letters decide which it reads as.
    const std::uint8_t c[] = {0xF0, 0x80, 0x80, 0xF0};
    const std::uint8_t es[] = {0xF0, 0x80, 0x80, 0x70};
    font.Add(U"c", GlyphFace::Regular, 6 * kOne, {LineFont::ImageBytes{0, 4, 4, 4, c}}, GlyphScript::Latin);
    font.Add(U"\u0441", GlyphFace::Regular, 6 * kOne, {LineFont::ImageBytes{0, 4, 4, 4, es}}, GlyphScript::Cyrillic);
    auto draw = [&](const std::vector<const std::uint8_t*>& glyphs) {
        InkBits ink = BlankInk(96, 8);
        for (std::size_t i = 0; i < glyphs.size(); ++i)
            for (int y = 0; glyphs[i] != nullptr && y < 4; ++y)
                for (int b = 0; b < 4; ++b)
                    SetInk(ink, 4 + static_cast<int>(i) * 6 + b, 2 + y, ((glyphs[i][y] >> (7 - b)) & 1) != 0);
        ink.CountRows();
        return DecodeLine(ink, BandOf(ink), 6, font).text;
    };
    EXPECT_EQ(draw({c, o, k}), U"\u0441\u043E\u043A");
    EXPECT_EQ(draw({es, o, x, x}), U"coxx");
    EXPECT_EQ(draw({k, k, nullptr, c}), U"\u043A\u043A \u0441");  // a word of a twin alone: its line's script

    // Twins spaced a fraction of a pixel apart are twins still; a pixel apart, they are not.
    const std::uint8_t a[] = {0x60, 0x10, 0x70, 0x90};
    const std::uint8_t ya[] = {0x60, 0x10, 0x70, 0xB0};
    font.Add(U"a", GlyphFace::Regular, 6 * kOne, {LineFont::ImageBytes{0, 4, 4, 4, a}}, GlyphScript::Latin);
    font.Add(U"\u0430", GlyphFace::Regular, 6 * kOne + kOne / 2, {LineFont::ImageBytes{0, 4, 4, 4, ya}},
             GlyphScript::Cyrillic);
    EXPECT_EQ(draw({ya, nullptr, x}), U"a x");
    font.glyphs.back().advance16 = 7 * kOne;
    EXPECT_EQ(draw({ya, nullptr, x}), U"\u0430 x");
}

// Glyphs drawn exactly alike (l, I and ! as one stem) read as their word has them: a letter
// between letters, a small letter after one; a pixel apart, the pixels decide.
TEST(PageDecode, ExactLookAlikesReadByTheirNeighbours)
{
    const std::uint8_t a[] = {0x60, 0x10, 0x70, 0x90};
    const std::uint8_t stem[] = {0x40, 0x40, 0x40, 0x40};
    const std::uint8_t serif[] = {0x60, 0x40, 0x40, 0x40};
    auto read = [](const LineFont& font, const std::vector<const std::uint8_t*>& glyphs) {
        InkBits ink = BlankInk(64, 8);
        for (std::size_t i = 0; i < glyphs.size(); ++i)
            for (int y = 0; y < 4; ++y)
                for (int b = 0; b < 4; ++b)
                    SetInk(ink, 4 + static_cast<int>(i) * 6 + b, 2 + y, ((glyphs[i][y] >> (7 - b)) & 1) != 0);
        ink.CountRows();
        return DecodeLine(ink, BandOf(ink), 6, font).text;
    };
    auto font = [&](const std::vector<std::pair<std::u32string, const std::uint8_t*>>& glyphs) {
        LineFont made;
        made.Reset(1);
        for (const auto& [text, bits] : glyphs)
            made.Add(text, GlyphFace::Regular, 6 * kOne, {LineFont::ImageBytes{0, 4, 4, 4, bits}}, GlyphScript::Latin);
        return made;
    };
    EXPECT_EQ(read(font({{U"a", a}, {U"!", stem}, {U"l", stem}}), {a, stem, a}), U"ala");
    EXPECT_EQ(read(font({{U"a", a}, {U"l", stem}, {U"!", stem}}), {a, stem, a}), U"ala");
    EXPECT_EQ(read(font({{U"a", a}, {U"I", stem}, {U"l", stem}}), {a, stem}), U"al");
    EXPECT_EQ(read(font({{U"a", a}, {U"l", stem}, {U"I", stem}}), {a, stem}), U"al");
    EXPECT_EQ(read(font({{U"a", a}, {U"l", stem}, {U"I", serif}}), {a, serif}), U"aI");
}

// A glyph of another face than the one it touches pays a toll: a bold n that fits a pixel
// better than the regular one does not read beside a regular u.
TEST(PageDecode, AWordKeepsItsFace)
{
    LineFont font;
    font.Reset(1);
    const std::uint8_t u[] = {0x90, 0x90, 0x90, 0x70};
    const std::uint8_t n[] = {0xE0, 0x90, 0x90, 0x90};
    const std::uint8_t boldN[] = {0xF0, 0x90, 0x90, 0x90};
    font.Add(U"u", GlyphFace::Regular, 6 * kOne, {LineFont::ImageBytes{0, 4, 4, 4, u}}, GlyphScript::Latin);
    font.Add(U"n", GlyphFace::Regular, 6 * kOne, {LineFont::ImageBytes{0, 4, 4, 4, n}}, GlyphScript::Latin);
    font.Add(U"n", GlyphFace::Bold, 6 * kOne, {LineFont::ImageBytes{0, 4, 4, 4, boldN}}, GlyphScript::Latin);
    InkBits ink = BlankInk(32, 8);
    for (int i = 0; i < 2; ++i)
        for (int y = 0; y < 4; ++y)
            for (int b = 0; b < 4; ++b)
                SetInk(ink, 4 + i * 6 + b, 2 + y, (((i == 0 ? u : boldN)[y] >> (7 - b)) & 1) != 0);
    ink.CountRows();
    DecodeOptions options;
    const DecodedLine kept = DecodeLine(ink, BandOf(ink), 6, font, options);
    ASSERT_EQ(Placed(kept).size(), 2U);
    EXPECT_EQ(Placed(kept)[1].first, 1);
    options.faceCost = 0;
    const DecodedLine mixed = DecodeLine(ink, BandOf(ink), 6, font, options);
    ASSERT_EQ(Placed(mixed).size(), 2U);
    EXPECT_EQ(Placed(mixed)[1].first, 2);
}

// The glyphs of everyday text first, the others only where one of them fits better: a made
// font of five common glyphs, two rare ones (one of random ink, one a common glyph with a
// mark above it) and a Cyrillic letter of random ink, each once in a line of common ones (and
// lines of common ones only), read with the common glyphs first and with the Latin ones
// first. The marked glyph is read wherever it stands, and no line reads worse than with every
// glyph matched at once by more than a rare glyph's toll.
TEST(PageDecode, CommonGlyphsFirstTheOthersWhereTheyFit)
{
    DecodeOptions commonFirst;
    commonFirst.first = FirstGlyphs::Common;
    DecodeOptions latinFirst;
    latinFirst.first = FirstGlyphs::Latin;
    for (unsigned seed = 1; seed <= 30 / RECOGNITION_TEST_SCALE; ++seed) {
        SCOPED_TRACE(seed);
        std::vector<MadeGlyph> glyphs = MadeGlyphs(seed, false);
        MadeGlyph other = MadeGlyphs(seed + 1000, false)[1];
        other.code = U'\u00DF';
        other.rare = true;
        glyphs.push_back(other);
        MadeGlyph marked = glyphs[1];
        marked.code = U'\u00E0';
        marked.rare = true;
        for (MadeImage& image : marked.phases) {
            const std::size_t width = image.rows.front().size();
            std::string mark(width, '.');
            mark[1] = mark[2] = '#';
            image.rows.insert(image.rows.begin(), {mark, mark, std::string(width, '.')});
        }
        glyphs.push_back(marked);
        MadeGlyph cyrillic = MadeGlyphs(seed + 2000, false)[2];
        cyrillic.code = U'\u0436';
        cyrillic.script = GlyphScript::Cyrillic;
        glyphs.push_back(cyrillic);
        const LineFont font = MakeLineFont(glyphs);
        std::mt19937 random(seed * 29U);
        for (int rare : {0, 6, 7, 8}) {
            std::vector<int> truth;
            const int at = static_cast<int>(random() % 6);
            for (int i = 0; i < 6; ++i)
                truth.push_back(i == at && rare > 0 ? rare : 1 + static_cast<int>(random() % 5));
            const Drawing drawn = Draw(glyphs, truth, 2 * kOne + static_cast<long long>(random() % kOne));
            InkBits ink = InkOf(drawn);
            ink.CountRows();
            const DecodedLine all = DecodeLine(ink, BandOf(ink), kBaseline, font);
            for (const DecodeOptions& options : {commonFirst, latinFirst}) {
                const DecodedLine first = DecodeLine(ink, BandOf(ink), kBaseline, font, options);
                // No glyph left for later would explain the ink better than a rare glyph's toll:
                // the reading differs from the ink in at most that many pixels more than the one
                // of every glyph at once (which prunes too, and may read a glyph of random ink a
                // pixel or two off a common one).
                EXPECT_LE(first.cost, all.cost + options.rareCost / pagedecode::kPixel) << rare;
                if (rare == 7) {
                    EXPECT_NE(first.text.find(U'\u00E0'), std::u32string::npos) << static_cast<int>(first.text.size());
                }
            }
        }
    }
}

}  // namespace

// A black stem, one at 0.4 of the ink (a hinted stem split between two columns) and one at
// 0.1 (smoothing's fringe), on white: from half the strongest ink only the black one is ink,
// from a quarter the faint stem too, and the fringe never; rows outside the band stay as the
// page's mask had them.
TEST(PageDecode, LocalInkFromAQuarterKeepsStemsFainterThanHalf)
{
    CRaster picture;
    picture.Create(12, 8, CRaster::kWhite);
    auto grey = [](int share) {
        const std::uint32_t v = static_cast<std::uint32_t>(255 - share);
        return v << 16 | v << 8 | v;
    };
    for (int y = 2; y < 6; ++y) {
        picture.SetPixel(2, y, grey(255));
        picture.SetPixel(5, y, grey(102));
        picture.SetPixel(8, y, grey(25));
    }
    picture.SetPixel(5, 7, grey(102));  // below the band
    const TextBand band{1, 6, 0, 12};
    for (InkLevel level : {InkLevel::Half, InkLevel::Quarter}) {
        InkBits ink = InkMask(picture, InkRule::Auto);
        LocalInk(picture, ink, band, level);
        for (int y = 2; y < 6; ++y) {
            EXPECT_TRUE(ink.Ink(2, y));
            EXPECT_EQ(ink.Ink(5, y), level == InkLevel::Quarter) << y;
            EXPECT_FALSE(ink.Ink(8, y));
        }
        EXPECT_EQ(ink.rowInk[3], level == InkLevel::Quarter ? 2 : 1);
        EXPECT_FALSE(ink.Ink(5, 7));
    }
}
