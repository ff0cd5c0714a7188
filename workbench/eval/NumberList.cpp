#include "NumberList.h"

#include <charconv>
#include <cmath>

namespace {

constexpr std::string_view kBlanks = " \t\n\v\f\r";

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::optional<double> ParseItem(std::string_view text) {
    text = Trimmed(text);
    // One sign at most: from_chars reads a '-' but no '+'.
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-'))
            return std::nullopt;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<std::vector<double>> ParseNumberList(std::string_view text) {
    std::vector<double> values;
    while (true) {
        const std::size_t comma = text.find(',');
        const std::optional<double> value = ParseItem(text.substr(0, comma));
        if (!value)
            return std::nullopt;
        values.push_back(*value);
        if (comma == std::string_view::npos)
            return values;
        text.remove_prefix(comma + 1);
    }
}
