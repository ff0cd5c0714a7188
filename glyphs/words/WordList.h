#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// What one load of a word list did.
struct DictionaryLoadReport {
    bool bRead = false;        // the file could be opened and read
    bool bComplete = false;    // every line was kept
    std::size_t nLines = 0;    // lines of the file (as wc -l counts, an unended last line too)
    std::size_t nKept = 0;     // lines kept, from the first on

    // Nothing was added: the file could not be opened or read.
    bool Unreadable() const { return !bRead; }
    // The list passed a bound of the dictionary: only its first nKept lines were added.
    bool BoundReached() const { return bRead && !bComplete; }
};

// Entries as slot keys: slot + 1 for each character, so that 0 can end an entry.
struct WordEntries {
    std::vector<std::uint8_t> keys;     // the entries one after the other, each ended by a 0
    std::vector<std::uint32_t> starts;  // where each entry begins in keys, in the order added

    std::size_t Count() const { return starts.size(); }
    // Appends an entry of keys (each 1 .. 34).
    void Add(const std::uint8_t* entry, std::size_t length);
    // Zeros eight bytes past the last entry, so that readers of eight keys at a time stay
    // inside; the entries stay as they are.
    void Pad();
};

// Longest line content kept, counted from the first non-space character.
inline constexpr std::size_t kMaxLineLength = 998;

// How much one list may add: lines kept and bytes of keys.
struct WordListBounds {
    std::size_t nMaxLines = 0;
    std::size_t nMaxKeyBytes = 0;
};

// Appends the entries of the dict.dic text to entries: each line without the CR before its
// LF, trimmed of spaces at both ends, cut to kMaxLineLength bytes from its first non-space
// byte, trimmed again, then the space; slots maps each byte. The empty remainder after the
// last LF is no line and gives no entry: it stands for the one-space word, which the
// dictionary adds to every list. Past a bound no more lines are kept, and they are still
// counted.
DictionaryLoadReport ReadWordList(std::string_view text, const std::uint8_t (&slots)[256], WordListBounds bounds,
                                  WordEntries& entries);
