#pragma once

// Small glyph fonts, GLF bytes and temporary folders for the tests of every subsystem.

#include "ByteStream.h"
#include "CCharImage.h"
#include "CCharImageFont.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace fixtures {

// A glyph from rows drawn as text: '#' is ink, anything else background. Missing rows and
// columns are background; the bits past the width are 0.
inline CCharImage MakeGlyph(int width, int height, std::initializer_list<std::string_view> rows = {})
{
    CCharImage glyph;
    glyph.m_nWidth = static_cast<std::uint8_t>(width);
    glyph.m_nHeight = static_cast<std::uint8_t>(height);
    glyph.m_nBytesPerRow = (width + 7) / 8;
    glyph.m_Bits.assign(static_cast<std::size_t>(glyph.m_nBytesPerRow) * height, 0);
    int y = 0;
    for (std::string_view row : rows) {
        for (int x = 0; x < width && x < static_cast<int>(row.size()) && y < height; ++x) {
            if (row[x] == '#')
                glyph.m_Bits[y * glyph.m_nBytesPerRow + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
        ++y;
    }
    return glyph;
}

// A glyph with the given bits, row after row, (width + 7) / 8 bytes per row.
inline CCharImage MakeGlyphFromBits(int width, int height, std::vector<std::uint8_t> bits)
{
    CCharImage glyph;
    glyph.m_nWidth = static_cast<std::uint8_t>(width);
    glyph.m_nHeight = static_cast<std::uint8_t>(height);
    glyph.m_nBytesPerRow = (width + 7) / 8;
    glyph.m_Bits = std::move(bits);
    glyph.m_Bits.resize(static_cast<std::size_t>(glyph.m_nBytesPerRow) * height, 0);
    return glyph;
}

// A width x height glyph of pseudo-random bits fixed by seed (the bits past the width are 0).
inline CCharImage MakeNoiseGlyph(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    CCharImage glyph = MakeGlyph(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (random() & 1)
                glyph.m_Bits[y * glyph.m_nBytesPerRow + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
    }
    return glyph;
}

// A font of the codes first..last whose glyphs make(code) gives.
inline CCharImageFont MakeFont(int first, int last, const std::function<CCharImage(int code)>& make)
{
    CCharImageFont font;
    font.m_nFirst = first;
    font.m_nLast = last;
    for (int code = first; code <= last; ++code)
        font.m_Glyphs.push_back(make(code));
    return font;
}

// A font of the codes first..last, every glyph width x height with its own noise pattern
// (seeded by its code), so that no two glyphs are alike.
inline CCharImageFont MakeNoiseFont(int first, int last, int width, int height)
{
    return MakeFont(first, last, [&](int code) { return MakeNoiseGlyph(width, height, static_cast<unsigned>(code) + 1); });
}

// The GLF bytes of a font.
inline std::vector<std::uint8_t> FontBytes(const CCharImageFont& font)
{
    CByteWriter writer;
    font.SaveToArchive(writer);
    return writer.Bytes();
}

// The 12 header bytes of a GLF file of the codes first..last.
inline std::vector<std::uint8_t> GlfHeader(int first, int last)
{
    return {7, 'G', 'L', 'F', 'f', 'i', 'l', 'e', 1, 0, static_cast<std::uint8_t>(first), static_cast<std::uint8_t>(last)};
}

// The font that bytes hold; the test fails through the returned flag when they do not load.
inline bool LoadFont(const std::vector<std::uint8_t>& bytes, CCharImageFont& font)
{
    CByteReader reader(bytes);
    return font.LoadFromArchive(reader);
}

// The path of a file of the source tree, e.g. SourcePath("data/dict.dic").
inline std::string SourcePath(std::string_view relative)
{
    return std::string(RECOGNIZE_SOURCE_DIR) + "/" + std::string(relative);
}

// A fresh folder under the system's temporary folder, removed with everything in it when
// the object goes.
class TempDir {
public:
    TempDir()
    {
        std::random_device entropy;
        for (;;) {
            m_Path = std::filesystem::temp_directory_path() / ("recognize-test-" + std::to_string(entropy()));
            if (std::filesystem::create_directory(m_Path))
                break;
        }
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_Path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_Path; }
    // The path of name inside the folder.
    std::string File(std::string_view name) const { return (m_Path / name).string(); }

private:
    std::filesystem::path m_Path;
};

}  // namespace fixtures
