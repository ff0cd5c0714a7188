#pragma once

#include <optional>
#include <string_view>
#include <vector>

// A list of numbers separated by commas, as the noise rates and coefficients of an evaluation
// are written ("0,0.05,0.1"): blanks around an item are allowed, a leading '+' too. Nothing
// when an item is empty, not a whole decimal number, or not finite.
std::optional<std::vector<double>> ParseNumberList(std::string_view text);
