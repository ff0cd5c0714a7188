#include "FuzzCheck.h"
#include "FuzzTargets.h"

#include "CCharImageFont.h"
#include "GlyphSetFile.h"

#include <algorithm>

namespace fuzzing {

void FuzzGlyphSet(std::span<const std::uint8_t> data)
{
    GlyphSet set;
    std::string error;
    if (!DecodeGlyphSet(data, set, error)) {
        FUZZ_CHECK(!error.empty());
        FUZZ_CHECK(set.Empty() && set.codes.empty() && set.bits.empty());  // a refused file leaves the set alone
        return;
    }
    FUZZ_CHECK(set.Consistent());
    FUZZ_CHECK(set.cellWidth >= 1 && set.cellWidth <= kMaxGlyphSetCell);
    FUZZ_CHECK(set.cellHeight >= 1 && set.cellHeight <= kMaxGlyphSetCell);
    // The format has one spelling of a set: what was read is written back byte for byte.
    const std::vector<std::uint8_t> again = EncodeGlyphSet(set);
    FUZZ_CHECK(std::equal(again.begin(), again.end(), data.begin(), data.end()));
    // Lookups and pixels stay inside the set.
    for (int g = 0; g < set.Glyphs(); ++g) {
        FUZZ_CHECK(set.Find(set.codes[static_cast<std::size_t>(g)], set.faces[static_cast<std::size_t>(g)]) == g);
        for (int p = 0; p < set.phases; ++p)
            FUZZ_CHECK(!set.Ink(p, g, set.cellWidth, 0) && !set.Ink(p, g, -1, 0));
    }
    // A set that fits a GLF font becomes one of its cell size.
    if (const std::optional<CCharImageFont> font = GlyphSetToFont(set)) {
        FUZZ_CHECK(font->First() == 0 && font->HasGlyphs());
        FUZZ_CHECK(font->CellWidth() == set.cellWidth && font->CellHeight() == set.cellHeight);
    }
}

}  // namespace fuzzing
