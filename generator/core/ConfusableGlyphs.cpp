#include "ConfusableGlyphs.h"

#include "GlfWriter.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kHeaderSize = 12;

bool IsControlCode(std::uint8_t code)
{
    return code < 32;
}

// The character a code shows, for codes that print; empty for blanks and control codes.
std::string Shown(std::uint8_t code)
{
    if (code > 32 && code < 127)
        return std::string(" '") + static_cast<char>(code) + "'";
    return {};
}

} // namespace

std::vector<ConfusableGroup> FindConfusableGroups(const GeneratorSettings& settings,
                                                  const std::vector<std::uint8_t>& glfBytes)
{
    std::vector<ConfusableGroup> groups;
    if (settings.m_nFirstCode > settings.m_nLastCode || glfBytes.size() < kHeaderSize)
        return groups;
    const std::size_t recordSize = 2 + GlyphBitsSize(settings);
    // The offset of the first record of each group, to compare later records with.
    std::vector<std::size_t> groupRecord;
    std::size_t offset = kHeaderSize;
    for (int code = settings.m_nFirstCode; code <= settings.m_nLastCode; ++code) {
        if (!settings.IsIncluded(code)) {
            offset += 2;
            continue;
        }
        if (offset + recordSize > glfBytes.size())
            return {};
        const std::uint8_t* record = glfBytes.data() + offset;
        std::size_t group = 0;
        while (group < groups.size() && std::memcmp(glfBytes.data() + groupRecord[group], record, recordSize) != 0)
            ++group;
        if (group == groups.size()) {
            ConfusableGroup fresh;
            fresh.blank = std::all_of(record + 2, record + recordSize, [](std::uint8_t b) { return b == 0; });
            groups.push_back(fresh);
            groupRecord.push_back(offset);
        }
        offset += recordSize;
        groups[group].codes.push_back(static_cast<std::uint8_t>(code));
    }
    std::erase_if(groups, [](const ConfusableGroup& group) { return group.codes.size() < 2; });
    return groups;
}

std::vector<int> GroupOfEachCode(const std::vector<ConfusableGroup>& groups)
{
    std::vector<int> marks(256, -1);
    for (std::size_t g = 0; g < groups.size(); ++g)
        for (std::uint8_t code : groups[g].codes)
            marks[code] = static_cast<int>(g);
    return marks;
}

std::string FormatCodeRuns(const std::vector<std::uint8_t>& codes)
{
    std::string text;
    for (std::size_t i = 0; i < codes.size();) {
        std::size_t end = i;
        while (end + 1 < codes.size() && codes[end + 1] == codes[end] + 1)
            ++end;
        if (!text.empty())
            text += ", ";
        text += std::to_string(codes[i]);
        if (end > i) {
            text += '-';
            text += std::to_string(codes[end]);
        }
        i = end + 1;
    }
    return text;
}

std::string DescribeConfusableGroups(const std::vector<ConfusableGroup>& groups)
{
    if (groups.empty())
        return {};
    std::string text = std::to_string(groups.size()) +
                       (groups.size() == 1 ? " group" : " groups") +
                       " of included codes have identical glyphs; a cell of such a glyph reads as the lowest code:\n";
    bool controlBlanksBeatSpace = false;
    for (const ConfusableGroup& group : groups) {
        text += "  " + FormatCodeRuns(group.codes) + (group.blank ? " (blank)" : "") + " read as " +
                std::to_string(group.codes.front()) + Shown(group.codes.front()) + "\n";
        bool hasSpace = false;
        bool hasControl = false;
        for (std::uint8_t code : group.codes) {
            hasSpace = hasSpace || code == 32;
            hasControl = hasControl || IsControlCode(code);
        }
        controlBlanksBeatSpace = controlBlanksBeatSpace || (group.blank && hasSpace && hasControl);
    }
    if (controlBlanksBeatSpace)
        text += "Blank control characters compete with the space: exclude \"Control characters\" in Inclusions "
                "so that a space reads as 32.\n";
    return text;
}

std::string EmptyRangeWarning(const GeneratorSettings& settings)
{
    if (settings.m_nFirstCode <= settings.m_nLastCode)
        return {};
    return "the first code (" + std::to_string(settings.m_nFirstCode) + ") is above the last code (" +
           std::to_string(settings.m_nLastCode) +
           "): the file holds no glyphs, and Recognize cannot load a font without glyphs.\n";
}
