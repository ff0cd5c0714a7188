#pragma once

#include "GeneratorSettings.h"

#include <cstdint>
#include <string>
#include <vector>

// Included codes whose glyph records are byte for byte the same: a reader cannot tell them
// apart, and a cell of that glyph reads as the lowest of them.
struct ConfusableGroup {
    std::vector<std::uint8_t> codes;    // ascending; the first is the code the glyph reads as
    bool blank = false;                 // the glyph has no ink
};

// Finds the groups of identical records among the included codes of a GLF file built from
// settings, in the order of their lowest code. Empty when the bytes are not such a file.
std::vector<ConfusableGroup> FindConfusableGroups(const GeneratorSettings& settings,
                                                  const std::vector<std::uint8_t>& glfBytes);

// Marks, per code, the group it belongs to: -1 for none, else the index into groups.
std::vector<int> GroupOfEachCode(const std::vector<ConfusableGroup>& groups);

// A list of codes with runs joined: "0-8, 11, 14-31".
std::string FormatCodeRuns(const std::vector<std::uint8_t>& codes);

// The warning lines for the groups, one group a line, with the hint to exclude "Control
// characters" when blank control characters compete with the space. Empty when no group.
std::string DescribeConfusableGroups(const std::vector<ConfusableGroup>& groups);

// The warning for a range without codes: first is above last.
std::string EmptyRangeWarning(const GeneratorSettings& settings);
