#pragma once

// The golden pictures of tests/data/pictures: every kind of picture file the programs read,
// each beside NAME.txt with the pixels every program must see in it.

#include "CRaster.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fixtures {

inline const std::filesystem::path kPictureData = std::filesystem::path(RECOGNIZE_SOURCE_DIR) / "tests/data/pictures";

// The pixels of a NAME.txt file: rows of RRGGBB words.
inline CRaster GoldenPixels(const std::filesystem::path& text)
{
    std::ifstream in(text);
    std::vector<std::vector<std::uint32_t>> rows;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        rows.emplace_back();
        for (std::string word; words >> word;)
            rows.back().push_back(static_cast<std::uint32_t>(std::stoul(word, nullptr, 16)));
    }
    CRaster raster;
    if (rows.empty() || !raster.Create(static_cast<int>(rows[0].size()), static_cast<int>(rows.size())))
        return raster;
    for (int y = 0; y < raster.height(); ++y)
        for (int x = 0; x < raster.width(); ++x)
            raster.SetPixel(x, y, rows[static_cast<std::size_t>(y)].at(static_cast<std::size_t>(x)));
    return raster;
}

// Every golden picture file (those with a NAME.txt beside them), sorted.
inline std::vector<std::filesystem::path> GoldenPictures()
{
    std::vector<std::filesystem::path> pictures;
    for (const auto& entry : std::filesystem::directory_iterator(kPictureData))
        if (entry.path().extension() == ".txt")
            pictures.push_back(entry.path().parent_path() / entry.path().stem());
    std::sort(pictures.begin(), pictures.end());
    return pictures;
}

// The first pixel where two pictures differ, as "x, y: AABBCC, not DDEEFF", or a size
// mismatch; empty when they are equal.
inline std::string PictureDifference(const CRaster& actual, const CRaster& expected)
{
    if (actual.width() != expected.width() || actual.height() != expected.height())
        return "size " + std::to_string(actual.width()) + " x " + std::to_string(actual.height()) + ", not " +
               std::to_string(expected.width()) + " x " + std::to_string(expected.height());
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (actual.Pixel(x, y) != expected.Pixel(x, y)) {
                char text[64];
                std::snprintf(text, sizeof text, "%d, %d: %06X, not %06X", x, y, actual.Pixel(x, y), expected.Pixel(x, y));
                return text;
            }
    return {};
}

}  // namespace fixtures
