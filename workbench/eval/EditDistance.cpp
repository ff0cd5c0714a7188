// Edit distances between a text and its reading.
#include "EditDistance.h"

#include <algorithm>
#include <numeric>

namespace {

// Two rows of the Levenshtein table over any sequences whose items compare with ==.
template <typename Sequence>
int Levenshtein(const Sequence& a, const Sequence& b) {
    std::vector<int> previous(b.size() + 1);
    std::vector<int> current(b.size() + 1);
    std::iota(previous.begin(), previous.end(), 0);
    for (std::size_t i = 0; i < a.size(); ++i) {
        current[0] = static_cast<int>(i + 1);
        for (std::size_t j = 0; j < b.size(); ++j) {
            const int substitution = previous[j] + (a[i] == b[j] ? 0 : 1);
            current[j + 1] = std::min({substitution, previous[j + 1] + 1, current[j] + 1});
        }
        std::swap(previous, current);
    }
    return previous[b.size()];
}

}  // namespace

std::string_view TrimTrailingSpaces(std::string_view text) {
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

std::vector<std::string_view> SplitWords(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        const std::size_t end = std::min(text.find(' ', i), text.size());
        words.push_back(text.substr(i, end - i));
        i = end;
    }
    return words;
}

int CharacterEditDistance(std::string_view a, std::string_view b) {
    return Levenshtein(a, b);
}

int WordEditDistance(std::string_view a, std::string_view b) {
    return Levenshtein(SplitWords(a), SplitWords(b));
}

std::u32string CodePoints(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        char32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length > 0 && i + length <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not code points.
        static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && code >= kLeast[length] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        out.push_back(valid ? code : U'\uFFFD');
        i += valid ? length : 1;
    }
    return out;
}

namespace {

bool IsBlank(char32_t c) {
    return c == U' ' || c == U'\t' || c == U'\r' || c == U'\f' || c == U'\v';
}

// The text as the rule compares it.
std::u32string Normalised(std::string_view text, WhitespaceRule rule) {
    const std::u32string code = CodePoints(text);
    std::u32string out;
    if (rule == WhitespaceRule::RunsAsOne) {
        for (const char32_t c : code) {
            if (IsBlank(c) || c == U'\n') {
                if (!out.empty() && out.back() != U' ')
                    out.push_back(U' ');
            } else {
                out.push_back(c);
            }
        }
        if (!out.empty() && out.back() == U' ')
            out.pop_back();
        return out;
    }
    std::size_t start = 0;
    while (start <= code.size()) {
        std::size_t end = code.find(U'\n', start);
        if (end == std::u32string::npos)
            end = code.size();
        std::size_t last = end;
        while (last > start && IsBlank(code[last - 1]))
            --last;
        out.append(code, start, last - start);
        out.push_back(U'\n');
        start = end + 1;
    }
    while (!out.empty() && out.back() == U'\n')
        out.pop_back();
    return out;
}

}  // namespace

double CharacterErrorRate(std::string_view truth, std::string_view read, WhitespaceRule rule) {
    const std::u32string a = Normalised(truth, rule);
    const std::u32string b = Normalised(read, rule);
    if (a.empty())
        return b.empty() ? 0.0 : 1.0;
    return static_cast<double>(Levenshtein(a, b)) / static_cast<double>(a.size());
}
