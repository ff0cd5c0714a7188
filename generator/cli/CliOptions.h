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
    bool m_bHelp = false;
    bool m_bVersion = false;
};

// Reads the arguments (without the program name) into options; false, with a message, for
// bad usage. The preset and the class and code options apply in the order given, later ones
// winning.
bool ParseCliOptions(const std::vector<std::string>& args, CliOptions& options, std::string& error);

// Reads a list of codes such as "0-31, 127,152" into codes; false for anything else.
bool ParseCodeList(const std::string& text, std::vector<int>& codes);

// The text of --help.
std::string CliUsage();
