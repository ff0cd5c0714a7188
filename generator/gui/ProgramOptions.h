#pragma once

#include <optional>

// The options Glyphmill answers before it opens its dialog, so that they work without a
// display: --help and --version (also -h). Returns the exit status when one was given and
// its text printed on stdout, nothing when the program should start.
std::optional<int> HandleInfoOptions(int argc, char** argv);
