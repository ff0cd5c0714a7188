#pragma once

#include <optional>

// The options Recognize answers before it opens a window, so that they work without a
// display: --help and --version (also -h). Returns the exit status when one was given and
// its text printed on stdout, nothing when the program should start. Arguments after "--"
// are file names.
std::optional<int> HandleInfoOptions(int argc, char** argv);
