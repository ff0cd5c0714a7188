#include "SearchedFont.h"

#include "AtomicFile.h"
#include "ByteStream.h"
#include "FontSearch.h"
#include "PictureFile.h"

#include <iostream>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

}  // namespace

std::optional<CRaster> LoadFitPicture(const CliOptions& options, int& exitStatus)
{
    PictureLoad load = LoadPicture(options.m_strFitPicture);
    if (!load.Ok()) {
        std::cerr << "glyphmill-cli: " << load.message << '\n';
        exitStatus = load.problem == PictureProblem::OutOfMemory ? kExitFailed : kExitUsage;
        return std::nullopt;
    }
    if (!load.warning.empty())
        std::cerr << "glyphmill-cli: warning: " << load.warning << '\n';
    return std::move(load.raster);
}

int FitSearchedFont(const CliOptions& options)
{
    int status = kExitOk;
    const std::optional<CRaster> picture = LoadFitPicture(options, status);
    if (!picture)
        return status;
    const FontSearchResult found = FindScreenFont(*picture, InkMask(*picture, InkRule::Auto));
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
    std::string error;
    const std::optional<CCharImageFont> glf = Cp1251Font(found.glyphs, &error);
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

