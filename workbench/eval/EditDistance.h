#pragma once

#include <string_view>
#include <vector>

// The text without its trailing spaces.
std::string_view TrimTrailingSpaces(std::string_view text);
// The words of a text: the runs of characters other than the space.
std::vector<std::string_view> SplitWords(std::string_view text);
// The Levenshtein distance: the fewest insertions, deletions and substitutions of single
// characters that turn a into b.
int CharacterEditDistance(std::string_view a, std::string_view b);
// The same over whole words.
int WordEditDistance(std::string_view a, std::string_view b);
