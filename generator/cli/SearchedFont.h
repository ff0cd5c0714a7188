#pragma once

#include "CliOptions.h"

// --fit-picture without --font: the font is searched among the installed fixed-width families
// as recognize-cli page searches it, drawn as the screen's program draws it; the choice is
// printed and, with -o, written as a GLF font of the found glyphs that Windows-1251 holds.
// Returns the exit status.
int FitSearchedFont(const CliOptions& options);
