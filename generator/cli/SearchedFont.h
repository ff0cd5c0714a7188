#pragma once

#include "CRaster.h"
#include "CliOptions.h"

#include <optional>

// --fit-picture without --font: the font is searched among the installed fixed-width families
// as recognize-cli page searches it, drawn as the screen's program draws it; the choice is
// printed and, with -o, written as a GLF font of the found glyphs that Windows-1251 holds.
// Returns the exit status.
int FitSearchedFont(const CliOptions& options);

// Loads the picture of --fit-picture. Says on stderr why it cannot, with exitStatus set (1 when
// memory ran out, else 2), and a warning about a picture read despite damage after its pixels.
std::optional<CRaster> LoadFitPicture(const CliOptions& options, int& exitStatus);
