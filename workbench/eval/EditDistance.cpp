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
