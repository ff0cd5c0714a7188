#include "FuzzCheck.h"
#include "FuzzTargets.h"

#include "CDictionary.h"
#include "CRaster.h"
#include "GlyphSet.h"
#include "PageReader.h"
#include "PageStages.h"
#include "PictureFile.h"

#include <algorithm>
#include <string>
#include <vector>

namespace fuzzing {

namespace {

// Pictures larger than this are left out: they take the same paths as small ones, only slower.
constexpr long long kMaxFuzzPixels = 256 * 256;

// A small glyph set: the space, a bar, a block and letters of noise, 6 x 9, made once.
const GlyphSet& SmallGlyphs()
{
    static const GlyphSet glyphs = [] {
        GlyphSet set;
        set.Reset(6, 9, 1, 7);
        unsigned state = 12345;
        for (char32_t code : {U' ', U'|', U'\u2588', U'a', U'b', U'c', U'x', U'\u0436', U'\t'}) {
            std::vector<std::uint8_t> image(set.ImageBytes(), 0);
            for (int y = 0; y < 9; ++y)
                for (int x = 0; x < 6; ++x) {
                    state = state * 1103515245U + 12345U;
                    const bool ink = code == U'\u2588' || (code == U'|' && x == 2) ||
                                     (code != U' ' && code != U'\t' && code != U'|' && y > 0 && y < 8 && (state >> 16) % 3 == 0);
                    if (ink)
                        image[static_cast<std::size_t>(y)] |= static_cast<std::uint8_t>(0x80 >> x);
                }
            set.Add(code, GlyphFace::Regular, image);
        }
        return set;
    }();
    return glyphs;
}

}  // namespace

void FuzzPageReader(std::span<const std::uint8_t> data)
{
    if (data.empty())
        return;
    // The first byte chooses the coefficient, the ink rule and whether the open step runs.
    const std::uint8_t choice = data[0];
    if (AnnouncedPixels(data.subspan(1)) > static_cast<std::uint64_t>(kMaxFuzzPixels))
        return;
    PictureLoad load = DecodePicture(data.subspan(1), "fuzz");
    if (!load.Ok())
        return;
    const CRaster picture = std::move(load.raster);
    if (static_cast<long long>(picture.width()) * picture.height() > kMaxFuzzPixels)
        return;
    PageOptions options;
    options.coefficient = (choice & 7) / 4.0 - 0.25;
    options.ink = (choice & 8) != 0 ? InkRule::Black : InkRule::Auto;
    const GlyphSet& glyphs = SmallGlyphs();
    PageReading page = ReadPage(picture, glyphs, options);
    FUZZ_CHECK(!page.bOutOfMemory);
    if ((choice & 16) != 0) {
        CDictionary dictionary;
        dictionary.SetAlphabet(1);
        dictionary.LoadWordsFromText("ab\nabc\nx\n");
        OpenWordsOptions open;
        open.nCellPixels = glyphs.cellWidth * glyphs.cellHeight;
        ReadPageWords(page, dictionary, (choice & 32) != 0 ? PageWordsStep::Open : PageWordsStep::ListOnly, open);
    }

    // Every line's cells are its grid's, lie against the picture, and read as printable text.
    for (const PageLine& line : page.lines) {
        FUZZ_CHECK(static_cast<int>(line.cells.size()) == line.grid.cells);
        FUZZ_CHECK(line.grid.cellWidth == glyphs.cellWidth && line.grid.cellHeight == glyphs.cellHeight);
        FUZZ_CHECK(line.grid.Rect().Overlaps(PixelRect{0, 0, picture.width(), picture.height()}));
        FUZZ_CHECK(page.text.find(line.text) != std::string::npos);
        for (const PageCell& cell : line.cells) {
            FUZZ_CHECK(ClassOfCode(cell.code) != CodeClass::Control);
            FUZZ_CHECK(cell.best >= 0 && cell.best <= cell.worst);
            for (const PageVariant& v : cell.variants)
                FUZZ_CHECK(ClassOfCode(v.code) != CodeClass::Control);
        }
    }
    for (char c : page.text)
        FUZZ_CHECK(static_cast<unsigned char>(c) >= 32 || c == '\n');
    for (std::size_t i = 1; i < page.lines.size(); ++i)
        FUZZ_CHECK(page.lines[i - 1].Top() <= page.lines[i].Top());

    // The stages can always be drawn, at the picture's size.
    for (const StagePicture& stage : DrawPageStages(picture, page, options))
        FUZZ_CHECK(stage.picture.width() == picture.width() && stage.picture.height() == picture.height());
    FUZZ_CHECK(!PageStageFigures(picture, page).empty());
}

}  // namespace fuzzing
