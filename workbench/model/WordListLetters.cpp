#include "WordListLetters.h"

#include "DataFiles.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#ifndef RECOGNIZE_BUILD_DATA_DIR
#define RECOGNIZE_BUILD_DATA_DIR ""
#endif

namespace {

constexpr const char* kRussianListName = "dict-ru.dic";

bool IsFile(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

WordListLetters LettersOf(std::string_view text)
{
    std::size_t latin = 0, cyrillic = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z'))
            ++latin;
        else if (byte >= 0xC0 || byte == 0xA8 || byte == 0xB8)  // А..я, Ё, ё
            ++cyrillic;
    }
    const std::size_t letters = latin + cyrillic;
    if (letters == 0)
        return WordListLetters::None;
    if (latin * 10 >= letters * 9)
        return WordListLetters::Latin;
    if (cyrillic * 10 >= letters * 9)
        return WordListLetters::Cyrillic;
    return WordListLetters::Both;
}

WordListLetters ReadWordListLetters(const std::string& path, std::size_t maxBytes)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return WordListLetters::None;
    std::string text(maxBytes, '\0');
    file.read(text.data(), static_cast<std::streamsize>(maxBytes));
    text.resize(static_cast<std::size_t>(file.gcount()));
    return LettersOf(text);
}

std::string FindRussianWordList()
{
    const std::string found = FindDataFile(kRussianListName);
    if (IsFile(found))
        return found;
    const std::string_view build = RECOGNIZE_BUILD_DATA_DIR;
    if (!build.empty() && IsFile(std::filesystem::path(build) / kRussianListName))
        return (std::filesystem::path(build) / kRussianListName).string();
    return {};
}

bool HasCyrillicGlyphs(const CCharImageFont& font)
{
    return font.HasGlyphs() && font.First() <= 0xFF && font.Last() >= 0xC0;
}
