#pragma once

// The fields of a line of the caches' tab-separated files.

#include <string>
#include <vector>

// The fields of line between its tabs, empty ones kept: "a\t\tb" has three.
inline std::vector<std::string> TabFields(const std::string& line)
{
    std::vector<std::string> fields;
    for (std::size_t from = 0;;) {
        const std::size_t tab = line.find('\t', from);
        fields.push_back(line.substr(from, tab == std::string::npos ? std::string::npos : tab - from));
        if (tab == std::string::npos)
            return fields;
        from = tab + 1;
    }
}
