// Corpus files of the evaluation.
#include "EvalCorpus.h"

#include "ByteStream.h"
#include "CodePage1251.h"

#include <cstdint>

namespace {

// Largest corpus file that is read.
constexpr std::size_t kMaxCorpusBytes = std::size_t{64} << 20;

}  // namespace

bool ParseCorpus(std::string_view utf8, std::vector<CorpusLine>& lines, std::string& error) {
    lines.clear();
    int number = 0;
    while (!utf8.empty()) {
        const std::size_t end = utf8.find('\n');
        std::string_view line = utf8.substr(0, end);
        utf8.remove_prefix(end == std::string_view::npos ? utf8.size() : end + 1);
        ++number;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.empty())
            continue;
        std::size_t badOffset = 0;
        std::optional<std::string> text = Utf8ToCp1251(line, &badOffset);
        if (!text) {
            error = "line " + std::to_string(number) + ": the character at byte " + std::to_string(badOffset + 1) +
                    " of the line is not valid UTF-8 or has no place in the code page Windows-1251";
            lines.clear();
            return false;
        }
        lines.push_back({number, std::move(*text)});
    }
    return true;
}

bool LoadCorpus(const std::string& path, std::vector<CorpusLine>& lines, std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, kMaxCorpusBytes)) {
        error = "cannot read the file or it is too large";
        lines.clear();
        return false;
    }
    return ParseCorpus(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), lines, error);
}
