#pragma once

#include "GeneratorSettings.h"

#include <string>
#include <vector>

// What the command line asks glyphmill-cli to do.
struct CliOptions {
    GeneratorSettings m_Settings;       // the dialog's start values, changed by the options
    std::string m_strOutput;            // -o, empty when no file is to be written
    std::string m_strSheet;             // --sheet, the PNG glyph sheet to write, or empty
    bool m_bMeasure = false;            // print the measured X, W, Y, H
    bool m_bMeasureFit = false;         // --measure=fit: measure where the capture draws
    bool m_bAutoLayout = false;         // write with the measured cell window
    bool m_bAutoLayoutFit = false;      // --autolayout=fit: with the window measured where the capture draws
    bool m_bFontGiven = false;          // --font was given; only such a family is checked
    bool m_bAllowSubstitute = false;    // draw with another family when --font is not installed
    bool m_bListFonts = false;
    std::string m_strFitPicture;        // --fit-picture: the picture whose text the font must read
    bool m_bXGiven = false;             // --x, --y, --width, --height were given: the cell
    bool m_bYGiven = false;             // layout keeps them instead of the font's cell
    bool m_bWidthGiven = false;
    bool m_bHeightGiven = false;
    bool m_bHelp = false;
    bool m_bVersion = false;
};

// Reads the arguments (without the program name) into options; false, with a message, for
// bad usage. The preset and the class and code options apply in the order given, later ones
// winning.
bool ParseCliOptions(const std::vector<std::string>& args, CliOptions& options, std::string& error);

// Parses a decimal number such as 10.67 that lies in low..high; false for anything else.
bool ParseDecimal(const std::string& text, double low, double high, double& value);

// Reads a list of codes such as "0-31, 127,152" into codes; false for anything else.
bool ParseCodeList(const std::string& text, std::vector<int>& codes);

// The text of --help.
std::string CliUsage();
