#include "FuzzCheck.h"
#include "FuzzTargets.h"

#include "ByteStream.h"
#include "CCharImageFont.h"
#include "CRaster.h"

#include <algorithm>
#include <climits>

namespace fuzzing {

namespace {

// Every record owns exactly the bits its width and height announce.
void CheckRecords(const CCharImageFont& font)
{
    FUZZ_CHECK(font.First() >= 0 && font.First() <= 255 && font.Last() >= 0 && font.Last() <= 255);
    if (font.HasGlyphs())
        FUZZ_CHECK(font.GlyphCount() == font.Last() - font.First() + 1);
    for (const CCharImage& glyph : font.m_Glyphs) {
        FUZZ_CHECK(glyph.m_nBytesPerRow == (glyph.m_nWidth + 7) / 8);
        FUZZ_CHECK(glyph.m_Bits.size() == static_cast<std::size_t>(glyph.m_nBytesPerRow) * glyph.m_nHeight);
    }
}

bool SameGlyphs(const CCharImageFont& a, const CCharImageFont& b)
{
    if (a.GlyphCount() != b.GlyphCount())
        return false;
    for (int i = 0; i < a.GlyphCount(); ++i) {
        const CCharImage& x = a.m_Glyphs[i];
        const CCharImage& y = b.m_Glyphs[i];
        if (x.m_nWidth != y.m_nWidth || x.m_nHeight != y.m_nHeight || x.m_Bits != y.m_Bits)
            return false;
    }
    return true;
}

// What the programs do with a font: cell size, glyph lookup, drawing at the edges of a picture.
void UseFont(const CCharImageFont& font)
{
    FUZZ_CHECK(font.CellWidth() >= 0 && font.CellWidth() <= 255);
    FUZZ_CHECK(font.CellHeight() >= 0 && font.CellHeight() <= 255);
    for (int code = -1; code <= 256; ++code)
        FUZZ_CHECK((font.GetCharImage(code) != nullptr) == font.HasGlyphs());

    std::string all(256, '\0');
    for (int code = 0; code < 256; ++code)
        all[static_cast<std::size_t>(code)] = static_cast<char>(code);
    CRaster raster;
    FUZZ_CHECK(raster.Create(61, 37, CRaster::kWhite));
    const int positions[][2] = {{0, 0}, {-300, -300}, {30, 20}, {INT_MAX - 10, 5}, {INT_MIN, INT_MIN}, {-5, INT_MAX}};
    for (const auto& at : positions)
        font.DrawString(raster, all, at[0], at[1]);
    // Drawing paints only black and white.
    for (int y = 0; y < raster.height(); ++y)
        for (int x = 0; x < raster.width(); ++x) {
            const std::uint32_t colour = raster.Pixel(x, y);
            FUZZ_CHECK(colour == CRaster::kWhite || colour == CRaster::kBlack);
        }
}

}  // namespace

void FuzzGlfFont(std::span<const std::uint8_t> data)
{
    CByteReader reader(data);
    CCharImageFont font;
    const bool loaded = font.LoadFromArchive(reader);
    CheckRecords(font);
    FUZZ_CHECK(reader.Position() <= data.size());
    // The cause told for a font that does not load is there exactly when it does not.
    FUZZ_CHECK(CCharImageFont::LoadProblem(data).empty() == loaded);

    if (loaded) {
        FUZZ_CHECK(font.HasGlyphs());
        CByteWriter writer;
        font.SaveToArchive(writer);
        // A font whose signature has the usual short form comes back byte for byte.
        if (!data.empty() && data[0] == 7) {
            const auto read = data.first(reader.Position());
            FUZZ_CHECK(std::equal(read.begin(), read.end(), writer.Bytes().begin(), writer.Bytes().end()));
        }
        CByteReader again(writer.Bytes());
        CCharImageFont copy;
        FUZZ_CHECK(copy.LoadFromArchive(again));
        FUZZ_CHECK(again.AtEnd());
        FUZZ_CHECK(SameGlyphs(font, copy));
    } else if (font.HasGlyphs() || font.First() <= font.Last()) {
        // What a failed read left is still saved as a block that reads back.
        CByteWriter writer;
        font.SaveToArchive(writer);
        CByteReader again(writer.Bytes());
        CCharImageFont copy;
        FUZZ_CHECK(copy.LoadFromArchive(again));
        FUZZ_CHECK(again.AtEnd());
    }
    UseFont(font);
}

}  // namespace fuzzing
