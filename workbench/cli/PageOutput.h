#pragma once

// What recognize-cli page prints and writes of a reading: the JSON object and the stage
// pictures of --debug-dir.

#include "CRaster.h"
#include "FontSearch.h"
#include "PageReader.h"
#include "ProportionalSearch.h"

#include <string>

// The reading as one JSON object (see the page command's --help); search, when the font was
// searched, adds "font".
std::string PageJson(const PageReading& page, bool complex, const FontSearchResult* search = nullptr);

// A proportional reading as one JSON object (see the page command's --help).
std::string ProportionalJson(const ProportionalReading& reading);

// Writes the stage pictures and figures of a reading into folder, made when missing; false after
// a message.
bool WriteStages(const std::string& folder, const CRaster& picture, const PageReading& page, const PageOptions& options);
