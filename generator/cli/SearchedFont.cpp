#include "SearchedFont.h"

#include "AtomicFile.h"
#include "ByteStream.h"
#include "CodePage1251.h"
#include "FontSearch.h"
#include "PictureFile.h"

#include <iostream>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

}  // namespace

int FitSearchedFont(const CliOptions& options)
{
    PictureLoad load = LoadPicture(options.m_strFitPicture);
    if (!load.Ok()) {
        std::cerr << "glyphmill-cli: " << load.message << '\n';
        return load.problem == PictureProblem::OutOfMemory ? kExitFailed : kExitUsage;
    }
    if (!load.warning.empty())
        std::cerr << "glyphmill-cli: warning: " << load.warning << '\n';
    const FontSearchResult found = FindScreenFont(load.raster, InkMask(load.raster, InkRule::Auto));
    if (!found.Found()) {
        std::cerr << "glyphmill-cli: no installed fixed-width family reads " << options.m_strFitPicture << ": "
                  << found.problem << '\n';
        return kExitFailed;
    }
    const FontCandidate& font = found.Best().candidate;
    std::cout << "font: " << font.Describe() << '\n';
    std::cout << "cells " << found.glyphs.cellWidth << " x " << found.glyphs.cellHeight << ", baseline "
              << found.glyphs.baseline << "; mean cost per cell: " << found.Best().fit.meanCost << " ("
              << found.tried << " candidates in " << found.dMilliseconds / 1000 << " s)\n";
    if (options.m_strOutput.empty())
        return kExitOk;
    // The regular face's glyphs that Windows-1251 holds, at the screen's first phase.
    GlyphSet regular;
    regular.Reset(found.glyphs.cellWidth, found.glyphs.cellHeight, 1, found.glyphs.baseline);
    regular.name = found.glyphs.name;
    for (int g = 0; g < found.glyphs.Glyphs(); ++g)
        if (found.glyphs.faces[static_cast<std::size_t>(g)] == GlyphFace::Regular &&
            UnicodeToCp1251(found.glyphs.codes[static_cast<std::size_t>(g)]))
            regular.Add(found.glyphs.codes[static_cast<std::size_t>(g)], GlyphFace::Regular,
                        std::vector<std::uint8_t>(found.glyphs.Image(0, g), found.glyphs.Image(0, g) + found.glyphs.ImageBytes()));
    std::string error;
    const std::optional<CCharImageFont> glf = GlyphSetToFont(regular, &error);
    if (!glf) {
        std::cerr << "glyphmill-cli: the font found cannot be a GLF font: " << error << '\n';
        return kExitFailed;
    }
    CByteWriter writer;
    glf->SaveToArchive(writer);
    if (!WriteFileAtomically(options.m_strOutput, writer.Bytes(), error)) {
        std::cerr << "glyphmill-cli: cannot write " << options.m_strOutput << ": " << error << '\n';
        return kExitFailed;
    }
    return kExitOk;
}

