// Box drawing and block elements as rxvt-unicode and VTE draw them themselves, against pictures
// the two drew of every code U+2500..U+259F (tests/data/render/box, made by
// scripts/make-box-goldens.py): black on white, so a pixel's darkness is the blend weight.

#include "BoxDrawing.h"
#include "FontMatch.h"
#include "PictureFile.h"
#include "RenderGlyphSet.h"
#include "TerminalCells.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::filesystem::path kBoxDir = std::filesystem::path(RECOGNIZE_SOURCE_DIR) / "tests/data/render/box";

struct BoxGolden {
    BoxGlyphs terminal = BoxGlyphs::Font;
    int originX = 0;
    int originY = 0;
    int cellWidth = 0;
    int cellHeight = 0;
    std::vector<std::u32string> rows;
};

std::u32string Decode(const std::string& utf8)
{
    std::u32string codes;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        const int length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
        char32_t code = length == 1 ? byte : byte & (0xFF >> (length + 1));
        for (int k = 1; k < length && i + static_cast<std::size_t>(k) < utf8.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3F);
        codes.push_back(code);
        i += static_cast<std::size_t>(length);
    }
    return codes;
}

BoxGolden ReadBoxGolden(const std::string& name)
{
    BoxGolden golden;
    std::ifstream in(kBoxDir / (name + ".txt"));
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t colon = line.find(": ");
        if (colon == std::string::npos)
            continue;
        const std::string key = line.substr(0, colon);
        std::istringstream value(line.substr(colon + 2));
        if (key == "program")
            golden.terminal = value.str().rfind("urxvt", 0) == 0 ? BoxGlyphs::Urxvt : BoxGlyphs::Vte;
        else if (key == "origin")
            value >> golden.originX >> golden.originY;
        else if (key == "cell")
            value >> golden.cellWidth >> golden.cellHeight;
        else if (key == "text")
            golden.rows.push_back(Decode(value.str()));
    }
    return golden;
}

// Where the terminal fills whole pixels the drawing is exact. The ends of VTE's dashes and the
// edges of its arcs and diagonals are antialiased, stroked here with a model of Cairo's
// rasterizer, and rxvt-unicode's arcs take X's arc algorithm, which is not reproduced: there a
// few pixels may fall the other side of half way (the arcs still read as arcs).
struct Allowance {
    int inkPixels = 0;  // pixels ink in one drawing and not in the other
    int levels = 1;     // the largest difference of a weight
};

Allowance AllowedFor(BoxGlyphs terminal, char32_t code)
{
    const bool arc = code >= 0x256D && code <= 0x2570;
    const bool diagonal = code >= 0x2571 && code <= 0x2573;
    const bool dash = (code >= 0x2504 && code <= 0x250B) || (code >= 0x254C && code <= 0x254F);
    if (terminal == BoxGlyphs::Urxvt)
        return arc ? Allowance{4, 255} : Allowance{0, 0};
    if (arc || diagonal)
        return {4, 40};
    return dash ? Allowance{4, 16} : Allowance{0, 1};
}

class BoxDrawingGolden : public ::testing::TestWithParam<std::string> {};

TEST_P(BoxDrawingGolden, EveryCodeAsTheTerminalDrewIt)
{
    const BoxGolden golden = ReadBoxGolden(GetParam());
    ASSERT_GT(golden.cellWidth, 0);
    PictureLoad load = LoadPicture((kBoxDir / (GetParam() + ".png")).string());
    ASSERT_TRUE(load.Ok()) << load.message;
    const CRaster& picture = load.raster;
    const int W = golden.cellWidth, H = golden.cellHeight;
    std::vector<std::uint8_t> cell(static_cast<std::size_t>(W) * H);
    int drawn = 0;
    for (std::size_t r = 0; r < golden.rows.size(); ++r)
        for (std::size_t c = 0; c < golden.rows[r].size(); ++c) {
            const char32_t code = golden.rows[r][c];
            if (code == U' ')
                continue;
            if (!DrawBoxGlyph(golden.terminal, code, W, H, cell.data())) {
                ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(code) << " is not drawn";
                continue;
            }
            ++drawn;
            int differing = 0;
            int worst = 0;
            for (int y = 0; y < H; ++y)
                for (int x = 0; x < W; ++x) {
                    const std::uint32_t pixel = picture.Pixel(golden.originX + static_cast<int>(c) * W + x,
                                                              golden.originY + static_cast<int>(r) * H + y);
                    const int weight = 255 - static_cast<int>(pixel & 0xFF);
                    const int drawnWeight = cell[static_cast<std::size_t>(y) * W + x];
                    worst = std::max(worst, std::abs(weight - drawnWeight));
                    differing += (weight >= kInkWeight) != (drawnWeight >= kInkWeight) ? 1 : 0;
                }
            const Allowance allowed = AllowedFor(golden.terminal, code);
            EXPECT_LE(differing, allowed.inkPixels) << "U+" << std::hex << static_cast<unsigned>(code) << std::dec
                                                    << ": " << differing << " pixels are ink in one and not in the other";
            EXPECT_LE(worst, allowed.levels)
                << "U+" << std::hex << static_cast<unsigned>(code) << std::dec << ": weights differ by " << worst;
        }
    EXPECT_EQ(drawn, 160);
}

INSTANTIATE_TEST_SUITE_P(Terminals, BoxDrawingGolden,
                         ::testing::Values("urxvt-dejavu-16px", "urxvt-gomono-14px", "vte-dejavu-12pt",
                                           "vte-liberation-8.25pt"));

// A glyph set for a terminal that draws them itself holds those drawings in every face, in place
// of the font's glyph or added where the face has none; for any other its font's.
TEST(BoxDrawing, GlyphSetsTakeTheTerminalsDrawing)
{
    const std::optional<MatchedFont> font = MatchFont({"DejaVu Sans Mono", 16}, ScreenRenderer::Xft);
    ASSERT_TRUE(font);
    CFaceRenderer renderer;
    ASSERT_TRUE(renderer.SetFace(font->file, font->index) && renderer.SetSize(16 * 64));
    renderer.SetSettings(font->settings);
    GlyphSetRequest request;
    request.faces = {{GlyphFace::Regular, font->file, font->index, false}, {GlyphFace::Bold, font->file, font->index, true}};
    request.size64 = 16 * 64;
    request.settings = font->settings;
    const TerminalCell terminalCell = TerminalCellOf(Terminal::Urxvt, renderer);
    request.cellWidth = terminalCell.width;
    request.cellHeight = terminalCell.height;
    request.baseline = terminalCell.baseline;
    request.codes = {U'a', 0x2500, 0x2502, 0x2591, 0x2593, 0x259F};
    const std::vector<FaceTemplates> templates = RenderTemplates(renderer, request);
    const GlyphSet fonts = CutGlyphSet(templates, request);
    request.boxGlyphs = BoxGlyphs::Urxvt;
    const GlyphSet drawn = CutGlyphSet(templates, request);

    std::vector<std::uint8_t> weights(static_cast<std::size_t>(request.cellWidth) * request.cellHeight);
    for (GlyphFace face : {GlyphFace::Regular, GlyphFace::Bold})
        for (char32_t code : {char32_t{0x2500}, char32_t{0x2502}, char32_t{0x2591}, char32_t{0x259F}}) {
            const int g = drawn.Find(code, face);
            ASSERT_GE(g, 0) << static_cast<unsigned>(code);
            ASSERT_TRUE(DrawBoxGlyph(BoxGlyphs::Urxvt, code, request.cellWidth, request.cellHeight, weights.data()));
            for (int y = 0; y < request.cellHeight; ++y)
                for (int x = 0; x < request.cellWidth; ++x)
                    EXPECT_EQ(drawn.Ink(0, g, x, y), weights[static_cast<std::size_t>(y) * request.cellWidth + x] >= kInkWeight);
        }
    // The letters stay the font's; the font's dark shade differs from the terminal's stipple.
    EXPECT_EQ(fonts.Find(U'a'), drawn.Find(U'a'));
    const int fontLine = fonts.Find(0x2593);
    const int drawnLine = drawn.Find(0x2593);
    ASSERT_GE(fontLine, 0);
    EXPECT_NE(std::vector<std::uint8_t>(fonts.Image(0, fontLine), fonts.Image(0, fontLine) + fonts.ImageBytes()),
              std::vector<std::uint8_t>(drawn.Image(0, drawnLine), drawn.Image(0, drawnLine) + drawn.ImageBytes()));
}

}  // namespace
