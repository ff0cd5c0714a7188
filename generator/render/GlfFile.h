#pragma once

#include "GeneratorSettings.h"
#include "GlfWriter.h"

#include <cstdint>
#include <string>
#include <vector>

// Renders and samples every included code of the settings and builds the GLF bytes.
bool RenderGlfFile(const GeneratorSettings& settings, const CodeProgress& progress,
                   std::vector<std::uint8_t>& bytes, std::string& error);

// Renders the GLF file of the settings and writes it to path, replacing a previous file only
// when the new one is complete. False, with a message, when nothing was written. written, when
// given, receives the bytes of the file.
bool SaveGlfFile(const std::string& path, const GeneratorSettings& settings, const CodeProgress& progress,
                 std::string& error, std::vector<std::uint8_t>* written = nullptr);
