// A terminal's screen read with its colours and attributes: a window on a desktop of another
// colour, with a title bar, a frame and a scroll bar beside the grid, reverse-video and
// highlighted cells, a cursor block, underlined and struck-through words and a bold face.

#include "PageReader.h"

#include "PageFixtures.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace pagefixtures;

namespace {

constexpr std::uint32_t kDesktop = 0x3465A4;
constexpr std::uint32_t kPaper = 0xFFFFFF;
constexpr std::uint32_t kInk = 0x000000;
constexpr std::uint32_t kSelection = 0x4A90D9;
constexpr int kBaseline = kH - 2;  // the test glyphs hold their ink in rows 1..kH - 3

// The pixel by which the Cyrillic twin of 'H' differs from it.
struct Pixel {
    int x = 0, y = 0;
};

Pixel TwinPixel(const GlyphSet& set)
{
    const int h = set.Find(U'H');
    for (int y = 1; y < kH - 3; ++y)
        for (int x = 0; x < kW; ++x)
            if (!set.Ink(0, h, x, y))
                return {x, y};
    return {};
}

// The test glyphs with a baseline, and a bold face of their own whose glyphs differ but for the
// space and '-', which are alike in both faces; the Cyrillic 'Н' is 'H' with one pixel more.
const GlyphSet& StyledGlyphs()
{
    static const GlyphSet glyphs = [] {
        GlyphSet set = TestGlyphs();
        set.baseline = kBaseline;

        const GlyphSet regular = set;
        for (int g = 0; g < regular.Glyphs(); ++g) {
            std::vector<std::uint8_t> image(regular.Image(0, g), regular.Image(0, g) + regular.ImageBytes());
            const char32_t code = regular.codes[static_cast<std::size_t>(g)];
            if (code != U' ' && code != U'-')
                for (int y = 1; y < kH - 2; ++y)
                    image[static_cast<std::size_t>(y)] |= static_cast<std::uint8_t>(image[static_cast<std::size_t>(y)] >> 1) & 0xFC;
            set.Add(code, GlyphFace::Bold, image);
        }
        const int h = set.Find(U'H');
        std::vector<std::uint8_t> twin(set.Image(0, h), set.Image(0, h) + set.ImageBytes());
        const Pixel pixel = TwinPixel(set);
        twin[static_cast<std::size_t>(pixel.y * set.BytesPerRow() + pixel.x / 8)] |= static_cast<std::uint8_t>(0x80 >> (pixel.x % 8));
        set.Add(U'\u041D', GlyphFace::Regular, twin);
        return set;
    }();
    return glyphs;
}

struct Screen {
    CRaster picture;
    int left = 0;  // the first cell's top-left pixel
    int top = 0;
};

// Fills the cells of text from cell (column, row) with bg and draws its glyphs in fg, in the
// bold face where asked; lines across the cells at the given rows (-1: none).
void Put(Screen& screen, int column, int row, const std::string& text, std::uint32_t fg, std::uint32_t bg,
         bool bold = false, int lineRow = -1)
{
    const int x = screen.left + column * kW;
    const int y = screen.top + row * kH;
    screen.picture.FillRect(x, y, x + static_cast<int>(text.size()) * kW, y + kH, bg);
    const GlyphSet& glyphs = StyledGlyphs();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int g = glyphs.Find(static_cast<unsigned char>(text[i]), bold ? GlyphFace::Bold : GlyphFace::Regular);
        for (int gy = 0; gy < kH; ++gy)
            for (int gx = 0; gx < kW; ++gx)
                if (g >= 0 && glyphs.Ink(0, g, gx, gy))
                    screen.picture.SetPixel(x + static_cast<int>(i) * kW + gx, y + gy, fg);
        if (lineRow >= 0)
            screen.picture.FillRect(x + static_cast<int>(i) * kW, y + lineRow, x + static_cast<int>(i + 1) * kW,
                                    y + lineRow + 1, fg);
    }
}

// A window of 24 x 7 cells on a desktop: a title bar with a title in another hand, a padding of
// 2 pixels and a scroll bar right of the grid.
Screen Window()
{
    Screen screen;
    screen.picture.Create(300, 170, kDesktop);
    screen.left = 41;
    screen.top = 47;
    const int right = screen.left + 24 * kW;
    const int bottom = screen.top + 7 * kH;
    screen.picture.FillRect(screen.left - 2, screen.top - 24, right + 14, screen.top - 2, 0xDDDDDD);  // title bar
    std::mt19937 random(3);
    for (int x = screen.left + 30; x < screen.left + 110;) {  // the title: bold strokes of another font
        const int stroke = 2 + static_cast<int>(random() % 9);
        screen.picture.FillRect(x, screen.top - 19 + static_cast<int>(random() % 4), x + stroke, screen.top - 7, 0x202020);
        x += stroke + 2 + static_cast<int>(random() % 3);
    }
    screen.picture.FillRect(screen.left - 2, screen.top - 2, right + 2, bottom + 2, kPaper);
    screen.picture.FillRect(right + 2, screen.top - 2, right + 14, bottom + 2, 0xCCCCCC);  // scroll bar
    screen.picture.FillRect(right + 3, screen.top + 10, right + 13, screen.top + 40, 0x777777);
    return screen;
}

const PageCell& CellAt(const PageReading& page, int row, int column)
{
    for (const PageLine& line : page.lines)
        if (line.Row() - page.screen.firstRow == row)
            return line.cells.at(static_cast<std::size_t>(column - line.column));
    static const PageCell none;
    ADD_FAILURE() << "no row " << row;
    return none;
}

// The window reads like its grid cropped out: the desktop, title and scroll bar are left out, blank rows and columns of the grid stay, a reverse-video status line and a highlighted
// word read as text, and every cell has its colours and attributes.
TEST(PageScreen, TerminalWindowOnADesktop)
{
    Screen screen = Window();
    Put(screen, 0, 0, "ls -l", kInk, kPaper);
    Put(screen, 0, 1, "total", kInk, kSelection);
    Put(screen, 5, 1, " 0", kInk, kPaper);
    Put(screen, 0, 2, "$ echo ", kInk, kPaper);
    Put(screen, 7, 2, "x", kPaper, kInk);  // a cursor block on a character
    Put(screen, 2, 3, "Bold", kInk, kPaper, true);
    Put(screen, 7, 3, "x-y", kInk, kPaper, true);
    Put(screen, 0, 4, "under", kInk, kPaper, false, kBaseline);
    Put(screen, 6, 4, "gone", kInk, kPaper, false, 4);
    Put(screen, 0, 6, "[0] bash        12:00 ++", kPaper, kInk);  // the status line, reverse video

    PageOptions options;
    options.layout = PageLayout::Screen;
    const PageReading page = ReadPage(screen.picture, StyledGlyphs(), options);
    EXPECT_TRUE(page.bLocalInk);
    EXPECT_EQ(page.text, "ls -l\ntotal 0\n$ echo x\n  Bold x-y\nunder gone\n\n[0] bash        12:00 ++");
    ASSERT_TRUE(page.screen.bScreen);
    EXPECT_EQ(page.screen.rows, 7);
    EXPECT_EQ(page.screen.columns, 24);
    EXPECT_EQ(page.colours.fg, kInk);
    EXPECT_EQ(page.colours.bg, kPaper);

    const CellStyle& status = CellAt(page, 6, 1).style;
    EXPECT_EQ(status.bg, kInk);
    EXPECT_EQ(status.fg, kPaper);
    EXPECT_TRUE(status.inverse);
    EXPECT_TRUE(CellAt(page, 6, 12).style.inverse);  // a blank cell of the bar
    EXPECT_EQ(CellAt(page, 1, 2).style.bg, kSelection);
    EXPECT_FALSE(CellAt(page, 1, 2).style.inverse);
    EXPECT_EQ(CellAt(page, 2, 7).code, U'x');
    EXPECT_TRUE(CellAt(page, 3, 2).style.bold);
    EXPECT_FALSE(CellAt(page, 0, 1).style.bold);
    EXPECT_TRUE(CellAt(page, 3, 8).style.bold);  // '-' is alike in both faces: its neighbours' face
    EXPECT_TRUE(CellAt(page, 4, 1).style.underline);
    EXPECT_FALSE(CellAt(page, 4, 1).style.strike);
    EXPECT_TRUE(CellAt(page, 4, 7).style.strike);
    EXPECT_FALSE(CellAt(page, 4, 7).style.underline);
    EXPECT_FALSE(CellAt(page, 0, 0).style.underline);
}

// The screen layout keeps the blank rows and columns of the grid, in a window as on a plain
// picture of the terminal; the lines layout drops the blank columns common to every line.
TEST(PageScreen, ScreenAndLinesLayouts)
{
    Screen window = Window();
    Put(window, 0, 0, "  indented", kInk, kPaper);
    Put(window, 0, 2, "  too", kInk, kPaper);
    PageOptions options;
    options.layout = PageLayout::Screen;
    EXPECT_EQ(ReadPage(window.picture, StyledGlyphs(), options).text, "  indented\n\n  too");

    Screen plain;
    plain.picture.Create(4 + 24 * kW, 4 + 4 * kH, kPaper);
    plain.left = plain.top = 2;
    Put(plain, 0, 1, "  indented", kInk, kPaper);
    Put(plain, 0, 3, "  too", kInk, kPaper);
    EXPECT_EQ(ReadPage(plain.picture, StyledGlyphs(), options).text, "\n  indented\n\n  too");
    options.layout = PageLayout::Lines;
    EXPECT_EQ(ReadPage(plain.picture, StyledGlyphs(), options).text, "indented\n\ntoo");

    // A first column blank but for a reverse-video bar whose background starts a row of pixels
    // above its cells (as a terminal's pager draws it) is still the screen's.
    Screen bar;
    bar.picture.Create(4 + 24 * kW, 4 + 4 * kH, kPaper);
    bar.left = bar.top = 2;
    Put(bar, 1, 0, "indented", kInk, kPaper);
    Put(bar, 1, 2, "too", kInk, kPaper);
    Put(bar, 0, 3, " [0] bash", kPaper, kInk);
    bar.picture.FillRect(bar.left, bar.top + 3 * kH - 1, bar.left + 9 * kW, bar.top + 3 * kH, kInk);
    options.layout = PageLayout::Screen;
    EXPECT_EQ(ReadPage(bar.picture, StyledGlyphs(), options).text, " indented\n\n too\n [0] bash");
}

// A word read again without its underline keeps its word's script: the Cyrillic twin of 'H'
// drawn among Latin letters reads Latin, underlined or not.
TEST(PageScreen, UnderlinedTwinKeepsItsWordsScript)
{
    Screen screen = Window();
    const Pixel pixel = TwinPixel(StyledGlyphs());
    for (int row : {0, 1}) {
        Put(screen, 0, row, "WHEN", kInk, kPaper, false, row == 0 ? kBaseline : -1);
        screen.picture.SetPixel(screen.left + kW + pixel.x, screen.top + row * kH + pixel.y, kInk);
    }
    PageOptions options;
    options.layout = PageLayout::Screen;
    const PageReading page = ReadPage(screen.picture, StyledGlyphs(), options);
    EXPECT_EQ(page.text, "WHEN\nWHEN");
    EXPECT_TRUE(CellAt(page, 0, 1).style.underline);
    EXPECT_FALSE(CellAt(page, 1, 1).style.underline);
}

}  // namespace
