// The renderer against the screens' own programs. Every golden in tests/data/render is a
// picture that a real program drew under Xvfb (scripts/make-render-goldens.sh) with a sidecar
// that says how. Here the same text is drawn through fontconfig's match under the program's
// rules, laid out by the program's cell rule, composited over the same paper, and compared
// pixel by pixel.

#include "FontMatch.h"
#include "PictureFile.h"
#include "RenderGlyphSet.h"
#include "TerminalCells.h"

#include "CRaster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::filesystem::path kGoldenDir = std::filesystem::path(RECOGNIZE_SOURCE_DIR) / "tests/data/render";

struct Golden {
    std::string name;
    std::map<std::string, std::string> keys;
    std::vector<std::string> lines;

    std::string Key(const std::string& key) const {
        const auto found = keys.find(key);
        return found != keys.end() ? found->second : std::string();
    }
    double Number(const std::string& key, double fallback = 0) const {
        const std::string text = Key(key);
        return text.empty() ? fallback : std::strtod(text.c_str(), nullptr);
    }
    std::pair<int, int> Pair(const std::string& key) const {
        std::istringstream in(Key(key));
        int a = 0;
        int b = 0;
        in >> a >> b;
        return {a, b};
    }
    // The program's name: the sidecar's program up to its first space.
    std::string Program() const { return Key("program").substr(0, Key("program").find(' ')); }
};

Golden ReadGolden(const std::filesystem::path& sidecar)
{
    Golden golden;
    golden.name = sidecar.stem().string();
    std::ifstream in(sidecar);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t colon = line.find(": ");
        if (colon == std::string::npos)
            continue;
        const std::string key = line.substr(0, colon);
        const std::string value = line.substr(colon + 2);
        if (key == "text")
            golden.lines.push_back(value);
        else
            golden.keys[key] = value;
    }
    return golden;
}

std::vector<std::string> GoldenNames()
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(kGoldenDir, error))
        if (entry.path().extension() == ".txt")
            names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<char32_t> CodePoints(const std::string& utf8)
{
    std::vector<char32_t> codes;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        const int length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
        char32_t code = length == 1 ? byte : byte & (0x7F >> length);
        for (int k = 1; k < length && i + k < utf8.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        codes.push_back(code);
        i += static_cast<std::size_t>(length);
    }
    return codes;
}

Terminal TerminalOf(const std::string& program)
{
    if (program == "urxvt")
        return Terminal::Urxvt;
    if (program == "st")
        return Terminal::St;
    if (program == "vte")
        return Terminal::Vte;
    if (program == "chromium")
        return Terminal::Chromium;
    return Terminal::Xterm;
}

// The request as the program makes it: its font name, size and the resolution it uses.
FontRequest RequestOf(const Golden& golden)
{
    FontRequest request;
    request.family = golden.Key("font");
    if (golden.Key("antialias") == "off")
        request.family += ":antialias=false";
    const double scale = golden.Number("scale", 1.0);
    request.pixelSize = golden.Number("pixelsize") * scale;
    request.deviceScale = scale;
    request.points = golden.Number("points", 12);
    // Xft takes the resolution from the X screen's height in pixels and millimetres; GTK
    // without desktop settings, and Chromium, take 96.
    const auto [pixels, millimetres] = golden.Pair("screen");
    request.dpi = golden.Program() != "vte" && millimetres > 0 ? pixels * 25.4 / millimetres : 96.0;
    return request;
}

ScreenRenderer RendererOf(const Golden& golden)
{
    const std::string renderer = golden.Key("renderer");
    return renderer == "cairo" ? ScreenRenderer::Cairo
           : renderer == "skia" ? ScreenRenderer::Skia
           : renderer == "qt"   ? ScreenRenderer::Qt
                                : ScreenRenderer::Xft;
}

std::string PresetOf(const Golden& golden)
{
    const std::string renderer = golden.Key("renderer");
    if (golden.Number("scale", 1.0) > 1)
        return renderer + "-hidpi";
    return golden.Key("antialias") == "off" ? renderer + "-mono" : renderer;
}

std::uint32_t Colour(const std::string& hex)
{
    return static_cast<std::uint32_t>(std::strtoul(hex.c_str(), nullptr, 16));
}

// How far a drawing is from the screen's picture.
struct Difference {
    int pixels = 0;    // pixels compared
    int differ = 0;    // in any channel
    int beyondOne = 0; // by more than one level in some channel
    int largest = 0;
};

Difference Compare(const CRaster& screen, const CRaster& drawn)
{
    Difference d;
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x) {
            const std::uint32_t a = screen.Pixel(x, y);
            const std::uint32_t b = drawn.Pixel(x, y);
            int largest = 0;
            for (int shift = 0; shift <= 16; shift += 8)
                largest = std::max(largest, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
            ++d.pixels;
            d.differ += largest > 0;
            d.beyondOne += largest > 1;
            d.largest = std::max(d.largest, largest);
        }
    return d;
}

class RenderGolden : public testing::TestWithParam<std::string> {};

// Draws the golden's text as the program lays it out, with the font fontconfig matches for
// it; a code the font lacks comes from fontconfig's fallback.
TEST_P(RenderGolden, DrawsTheScreensPixels)
{
    const Golden golden = ReadGolden(kGoldenDir / (GetParam() + ".txt"));
    PictureLoad load = LoadPicture((kGoldenDir / (GetParam() + ".png")).string());
    ASSERT_TRUE(load.Ok()) << load.message;
    const CRaster screen = std::move(load.raster);
    std::string error;

    const FontRequest request = RequestOf(golden);
    const ScreenRenderer rules = RendererOf(golden);
    const std::optional<MatchedFont> font = MatchFont(request, rules, &error);
    ASSERT_TRUE(font.has_value()) << error;
    if (!font->familyFound)
        GTEST_SKIP() << golden.Key("font") << " is not installed";

    // fontconfig's answer under the program's rules is the program's preset.
    const std::optional<RenderSettings> preset = FindRenderPreset(PresetOf(golden));
    ASSERT_TRUE(preset.has_value()) << PresetOf(golden);
    EXPECT_EQ(ToString(font->settings), ToString(*preset));

    CFaceRenderer renderer;
    ASSERT_TRUE(renderer.SetFace(font->file, font->index));
    ASSERT_TRUE(renderer.SetSize(font->size64));
    renderer.SetSettings(font->settings);
    // Qt lays its lines out itself: the sidecar says where.
    const bool qt = golden.Program() == "qt";
    const Terminal terminal = qt ? Terminal::Chromium : TerminalOf(golden.Program());
    TerminalCell cell = TerminalCellOf(terminal, renderer);
    if (qt) {
        cell.baseline = static_cast<int>(golden.Number("baseline"));
        cell.height = static_cast<int>(golden.Number("pitch"));
    } else if (terminal != Terminal::Chromium) {
        const auto [width, height] = golden.Pair("cell");
        EXPECT_EQ(cell.width, width) << "cell width";
        EXPECT_EQ(cell.height, height) << "cell height";
    }

    CRaster drawn;
    ASSERT_TRUE(drawn.Create(screen.width(), screen.height(), Colour(golden.Key("paper"))));
    const auto [originX, originY] = golden.Pair("origin");
    const std::uint32_t ink = Colour(golden.Key("ink"));
    // A terminal draws a line's glyphs in one request; Chromium and Qt composite glyph by glyph.
    const GlyphBlend blend = terminal == Terminal::Chromium ? GlyphBlend::EachGlyph : GlyphBlend::SharedMask;
    GlyphImage image;
    for (std::size_t row = 0; row < golden.lines.size(); ++row) {
        std::vector<std::pair<std::optional<MatchedFont>, PlacedGlyph>> line;
        const int baseline = originY + static_cast<int>(row) * cell.height + cell.baseline;
        long long pen16 = static_cast<long long>(originX) << 16;  // Chromium's pen, 16.16
        const std::vector<char32_t> codes = CodePoints(golden.lines[row]);
        for (std::size_t column = 0; column < codes.size(); ++column) {
            std::optional<MatchedFont> face = font;
            if (renderer.SetFace(font->file, font->index) && renderer.GlyphIndex(codes[column]) == 0)
                face = FallbackFont(request, codes[column], rules);
            if (!face || !renderer.SetFace(face->file, face->index) || !renderer.SetSize(face->size64))
                continue;
            renderer.SetSettings(face->settings);
            const unsigned glyph = renderer.GlyphIndex(codes[column]);
            if (!renderer.Render(glyph, 0, image))
                continue;
            int x64 = 0;
            if (qt) {
                // Qt sums the unhinted advances in 26.6.
                x64 = static_cast<int>(pen16 >> 10);
                pen16 += static_cast<long long>(image.linearAdvance64) << 10;
            } else if (terminal == Terminal::Chromium) {
                // The font's kerning moves the pen; the glyph is drawn at the nearest quarter pixel.
                if (column > 0 && face->file == font->file)
                    pen16 += static_cast<long long>(renderer.Kerning(renderer.GlyphIndex(codes[column - 1]), glyph)) << 10;
                x64 = static_cast<int>(((pen16 * 4 + 32768) >> 16) * 16);
                pen16 += image.linearAdvance16;
            } else {
                // Xft gives every glyph of a mono-spaced font the face's maximal advance.
                const int advance64 = face->spacing >= 100 ? renderer.Metrics().maxAdvance64 : image.advance64;
                const int left = originX + static_cast<int>(column) * cell.width;
                x64 = (left + PenInCell(terminal, cell.width, advance64)) * 64;
            }
            if (codes[column] != U' ')
                line.emplace_back(face, PlacedGlyph{glyph, x64, baseline});
        }
        // The glyphs of each face in one call. A terminal clips a row's drawing to the row.
        CRaster band = drawn;
        while (!line.empty()) {
            const MatchedFont face = *line.front().first;
            std::vector<PlacedGlyph> glyphs;
            for (auto it = line.begin(); it != line.end();)
                if (it->first->file == face.file && it->first->index == face.index) {
                    glyphs.push_back(it->second);
                    it = line.erase(it);
                } else {
                    ++it;
                }
            renderer.SetFace(face.file, face.index);
            renderer.SetSize(face.size64);
            renderer.SetSettings(face.settings);
            DrawGlyphs(band, renderer, glyphs, ink, blend);
        }
        const int top = terminal == Terminal::Chromium ? 0 : baseline - cell.baseline;
        const int bottom = terminal == Terminal::Chromium ? drawn.height() : top + cell.height;
        for (int y = std::max(top, 0); y < std::min(bottom, drawn.height()); ++y)
            std::copy(band.Row(y), band.Row(y) + drawn.width(), drawn.Row(y));
    }

    const Difference d = Compare(screen, drawn);
    if (std::getenv("GOLDEN_DEBUG") != nullptr)
        for (int y = 0; y < screen.height(); ++y)
            for (int x = 0; x < screen.width(); ++x)
                if (screen.Pixel(x, y) != drawn.Pixel(x, y))
                    std::cout << x << "," << y << ": " << std::hex << screen.Pixel(x, y) << " " << drawn.Pixel(x, y) << std::dec << "\n";
    RecordProperty("pixels", d.pixels);
    RecordProperty("differ", d.differ);
    std::cout << golden.name << ": " << d.differ << " of " << d.pixels << " pixels differ, " << d.beyondOne
              << " by more than 1, at most " << d.largest << "\n";
    if (terminal == Terminal::Chromium && !qt) {
        // Skia's analytic coverage of its flattened curves is approximated: straight edges
        // match within a level, curved ones come close.
        EXPECT_LE(d.beyondOne * 100, d.pixels * 5);
        EXPECT_LE(d.largest, 100);
    } else if (font->settings.antialias == Antialias::Mono) {
        EXPECT_EQ(d.differ, 0);
    } else {
        EXPECT_EQ(d.beyondOne, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, RenderGolden, testing::ValuesIn(GoldenNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

}  // namespace
