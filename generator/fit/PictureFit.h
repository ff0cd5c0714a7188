#pragma once

#include "GeneratorSettings.h"

#include "CRaster.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What a fit found: the settings whose font the page reader reads the picture with best.
struct PictureFit {
    bool bFound = false;
    std::string strProblem;             // why nothing was found, when bFound is false
    GeneratorSettings settings;         // the chosen font, size, antialiasing and cell window
    std::vector<std::uint8_t> glf;      // the GLF bytes of the chosen settings
    double dMeanCost = 0;               // mean best cost over the cells that hold ink
    int nCells = 0;                     // cells holding ink, read with the chosen font
    int nCandidates = 0;                // fonts tried
    int nLinePitch = 0;                 // the line pitch found in the picture, in pixels
    double dSeconds = 0;
};

// Tells of candidates tried, out of an estimate of all; returns false to stop the fit.
using FitProgress = std::function<bool(int done, int total)>;

// The largest mean cost per ink cell, as a share of the cell's pixels, that still counts as
// a match: the right family stays below 0.6 % on real screenshots, a similar monospaced family
// lies at 3 to 4 %.
constexpr double kFitCostBound = 0.015;

// Searches the font of base's family, weight and included codes that reads picture best with
// the page reader: sizes whose line height is the picture's line pitch, with and without
// antialiasing, in the cell layout and cell windows moved a pixel or two against the pen.
// "Best" is the least mean best cost per cell that holds ink.
PictureFit FitFontToPicture(const CRaster& picture, const GeneratorSettings& base, const FitProgress& progress = {});

// The glyphmill-cli options that make the font of settings; output is added as -o when given.
std::string FitCommandLine(const GeneratorSettings& settings, const std::string& output);
