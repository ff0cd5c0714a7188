#include "FuzzCheck.h"
#include "FuzzTargets.h"

#include "LineFontFile.h"
#include "PageDecode.h"

#include <algorithm>

namespace fuzzing {

void FuzzLineFont(std::span<const std::uint8_t> data)
{
    LineFont font;
    std::string error;
    if (!DecodeLineFont(data, font, error)) {
        FUZZ_CHECK(!error.empty());
        FUZZ_CHECK(font.Empty() && font.bits.empty() && font.kerning.empty());  // a refused file leaves the font alone
        return;
    }
    FUZZ_CHECK(font.Consistent());
    // The format has one spelling of a font: what was read is written back byte for byte.
    const std::vector<std::uint8_t> again = EncodeLineFont(font);
    FUZZ_CHECK(std::equal(again.begin(), again.end(), data.begin(), data.end()));
    // A line drawn with its first glyphs is decoded with it, within the line and its glyphs.
    InkBits ink;
    ink.width = 96;
    ink.height = 24;
    ink.wordsPerRow = 2;
    ink.words.assign(static_cast<std::size_t>(ink.wordsPerRow) * ink.height, 0);
    const int baseline = 16;
    int pen = 4;
    for (int g = 0; g < std::min(font.Glyphs(), 6); ++g) {
        const LineGlyphImage& image = font.Image(g, 0);
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                const int px = pen + image.left + x;
                const int py = baseline - image.top + y;
                if (font.Ink(image, x, y) && px >= 0 && px < ink.width && py >= 0 && py < ink.height)
                    ink.Row(py)[px / 64] |= 1ULL << (63 - px % 64);
            }
        pen += std::clamp(font.glyphs[static_cast<std::size_t>(g)].advance16 / 65536, 1, 24);
    }
    ink.CountRows();
    const TextBand band{2, 22, 0, 96};
    const DecodedLine line = DecodeLine(ink, band, baseline, font);
    FUZZ_CHECK(line.cost >= 0 && line.ink >= 0);
    for (const DecodedGlyph& glyph : line.glyphs)
        FUZZ_CHECK(glyph.glyph >= 0 && glyph.glyph < font.Glyphs() && glyph.phase >= 0 && glyph.phase < font.phases);
}

}  // namespace fuzzing
