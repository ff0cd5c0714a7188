// Writes the inputs and the expected outputs of the recognize-cli smoke tests into a folder.
// The expected files are assembled here byte by byte, without the document model.
#include "DocFixtures.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

void AppendI32(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void AppendString(std::vector<std::uint8_t>& bytes, std::string_view text)
{
    bytes.push_back(static_cast<std::uint8_t>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
}

// A new document saved at once with the GLF font glf of a w x h cell.
std::vector<std::uint8_t> NewDocumentBytes(const std::vector<std::uint8_t>& glf, int w, int h)
{
    std::vector<std::uint8_t> bytes;
    AppendI32(bytes, 0);
    AppendString(bytes, "No user input yet!");
    AppendI32(bytes, 3);
    AppendString(bytes, "No recognition info yet!");
    AppendI32(bytes, 0);
    AppendI32(bytes, 0);
    AppendI32(bytes, 0);
    AppendI32(bytes, 3);
    AppendI32(bytes, static_cast<std::uint32_t>(w));
    AppendI32(bytes, static_cast<std::uint32_t>(2 * h));
    bytes.insert(bytes.end(), static_cast<std::size_t>((w + 7) / 8 * 2 * h), 0xFF);
    AppendString(bytes, "No recognition info yet!");
    for (std::uint8_t b : {0x9A, 0x99, 0x99, 0x99, 0x99, 0x99, 0xC9, 0x3F})
        bytes.push_back(b);
    bytes.insert(bytes.end(), glf.begin(), glf.end());
    return bytes;
}

// The 24-bit .BMP of "ABC" drawn with font (40 x 48 cells) and the additional space 3:
// 280 x 96 pixels, the glyphs at x = 20, 60, 100 and y = 24.
// The next number of SplitMix64 from state, written out as its reference does it.
std::uint64_t SplitMix64(std::uint64_t& state)
{
    std::uint64_t z = state += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// "ABC" drawn in the 40 x 48 font with 3 blank cells, as a 24-bit .BMP; with inkRate above 0,
// ink noise of that rate and seed added (one draw per pixel, rows from the top).
std::vector<std::uint8_t> AbcBitmap(const CCharImageFont& font, double inkRate = 0, std::uint64_t seed = 0)
{
    const int width = 280, height = 96, stride = 840;
    std::vector<char> ink(static_cast<std::size_t>(width * height), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int cell = (x - 20) / 40;
            if (x >= 20 && cell < 3 && y >= 24 && y < 72) {
                const CCharImage& glyph = font.m_Glyphs[static_cast<std::size_t>('A' + cell)];
                ink[static_cast<std::size_t>(y * width + x)] = glyph.Pixel(x - 20 - 40 * cell, y - 24);
            }
            if (inkRate > 0 && static_cast<double>(SplitMix64(seed) >> 11) < inkRate * 9007199254740992.0)
                ink[static_cast<std::size_t>(y * width + x)] = 1;
        }
    }
    std::vector<std::uint8_t> bytes = {'B', 'M'};
    AppendI32(bytes, 54 + stride * height);
    AppendI32(bytes, 0);
    AppendI32(bytes, 54);
    AppendI32(bytes, 40);
    AppendI32(bytes, width);
    AppendI32(bytes, height);
    bytes.insert(bytes.end(), {1, 0, 24, 0});
    AppendI32(bytes, 0);
    AppendI32(bytes, stride * height);
    bytes.insert(bytes.end(), 16, 0);
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x)
            bytes.insert(bytes.end(), 3, ink[static_cast<std::size_t>(y * width + x)] ? 0 : 0xFF);
    return bytes;
}

void WriteText(const std::filesystem::path& path, std::string_view text)
{
    docfixtures::WriteBytes(path.string(), std::vector<std::uint8_t>(text.begin(), text.end()));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: cli_fixtures FOLDER\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    auto file = [&](const char* name) { return (dir / name).string(); };

    const std::vector<std::uint8_t> small = docfixtures::HandMadeCellGlf(10, 3);
    docfixtures::WriteBytes(file("small.GLF"), small);
    docfixtures::WriteBytes(file("expected_new.rdf"), NewDocumentBytes(small, 10, 3));
    WriteText(file("expected_new.json"),
              "{\"graphics_modified\":0,\"user_text\":\"No user input yet!\",\"additional_space\":3,"
              "\"result_text\":\"No recognition info yet!\",\"picture_present\":0,\"result_picture\":0,"
              "\"redraw_picture\":0,\"line_width\":3,\"picture\":{\"width\":10,\"height\":6},"
              "\"coefficient\":0.2,\"cells\":21,"
              "\"font\":{\"first\":0,\"last\":32,\"cell_width\":10,\"cell_height\":3,\"valid\":true}}\n");

    // The font block's signature spoilt: the document opens with an empty font.
    std::vector<std::uint8_t> invalidFont = NewDocumentBytes(small, 10, 3);
    invalidFont[invalidFont.size() - small.size() + 1] = 'X';
    docfixtures::WriteBytes(file("invalid_font.rdf"), invalidFont);
    WriteText(file("expected_invalid_font.json"),
              "{\"graphics_modified\":0,\"user_text\":\"No user input yet!\",\"additional_space\":3,"
              "\"result_text\":\"No recognition info yet!\",\"picture_present\":0,\"result_picture\":0,"
              "\"redraw_picture\":0,\"line_width\":3,\"picture\":{\"width\":10,\"height\":6},"
              "\"coefficient\":0.2,\"cells\":21,"
              "\"font\":{\"first\":0,\"last\":0,\"cell_width\":0,\"cell_height\":0,\"valid\":false}}\n");

    const CCharImageFont cellFont = docfixtures::MakeCellFont(40, 48);
    docfixtures::WriteBytes(file("cell40x48.GLF"), fixtures::FontBytes(cellFont));
    docfixtures::WriteBytes(file("expected_abc.bmp"), AbcBitmap(cellFont));
    docfixtures::WriteBytes(file("expected_abc_ink.bmp"), AbcBitmap(cellFont, 0.1, 9));
    WriteText(file("expected_text.json"),
              "{\"graphics_modified\":0,\"user_text\":\"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \\\"A\\\"\","
              "\"additional_space\":5,"
              "\"result_text\":\"No recognition info yet!\",\"picture_present\":1,\"result_picture\":0,"
              "\"redraw_picture\":0,\"line_width\":3,\"picture\":{\"width\":640,\"height\":96},"
              "\"coefficient\":0.2,\"cells\":15,"
              "\"font\":{\"first\":0,\"last\":127,\"cell_width\":40,\"cell_height\":48,\"valid\":true}}\n");

    docfixtures::WriteBytes(file("garbage.GLF"), {'n', 'o', 't', ' ', 'a', ' ', 'f', 'o', 'n', 't'});
    docfixtures::WriteBytes(file("empty.rdf"), {});
    WriteText(file("abc.txt"), "ABC\n");
    WriteText(file("unmappable.txt"), "AB\xE6\x97\xA5\n");
    return 0;
}
