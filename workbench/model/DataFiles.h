#pragma once

#include <string>

// The data files of a new document, relative to where they are looked up.
inline constexpr const char* kDefaultFontPath = "Fonts/default.GLF";
inline constexpr const char* kDictionaryPath = "dict.dic";

// Resolves a data file: relative to the working directory when it exists there, otherwise in
// the data folder installed beside the program (../share/recognize from its bin folder), then
// in the data folder of the configured prefix, otherwise the relative path unchanged (so that
// the load fails as it would have).
std::string FindDataFile(const std::string& relativePath);
