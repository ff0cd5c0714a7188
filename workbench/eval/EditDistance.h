#pragma once

#include <string>
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

// How a character error rate counts white space (blanks: space, tab, CR, FF, VT).
enum class WhitespaceRule {
    LayoutKept,  // every character counts, spaces and line breaks too; blanks ending a line and blank lines ending the text aside
    RunsAsOne,   // each run of blanks and line breaks counts as one space, and none at either end
};

// The code points of UTF-8 text; a byte that starts no valid sequence is one code point of its own (U+FFFD).
std::u32string CodePoints(std::string_view text);
// The character error rate of a reading against its truth, both UTF-8: the Levenshtein distance
// over code points divided by the truth's code points, both texts first normalised by rule. An
// empty truth gives 0 for an empty reading and 1 for any other.
double CharacterErrorRate(std::string_view truth, std::string_view read, WhitespaceRule rule);
