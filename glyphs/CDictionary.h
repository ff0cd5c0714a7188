#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A node of the dictionary trie: one child per slot of the alphabet, never null (a prefix of
// no word leads to the dictionary's shared dead end).
class CDictNode {
public:
    int IsWordEnd() const { return m_nWordEnd; }

    int m_nChildCount = 0;
    CDictNode** m_pChildren = nullptr;  // m_nChildCount pointers, owned by the dictionary
    int m_nWordEnd = 0;                 // 1 when a word ends exactly here
};

// The word trie of dict.dic. Words are stored with a trailing space. Characters map to
// slots through a 256-entry table; codes without an entry share slot 0.
class CDictionary {
public:
    CDictionary();
    ~CDictionary();
    CDictionary(const CDictionary&) = delete;
    CDictionary& operator=(const CDictionary&) = delete;

    // 1 selects the Latin alphabet (27 slots), 0 the Cyrillic one (33 slots); starts an
    // empty tree. Other values return false: they keep the slot table and alphabet size and,
    // once an alphabet was chosen, still start an empty tree (before that, nothing). Slot entries
    // written by an earlier alphabet stay unless they lie past the new table (they become 0).
    // Throws std::bad_alloc, keeping the old tree, when memory runs out.
    bool SetAlphabet(int alphabet);
    // Adds the words of a dict.dic file (one per line, trimmed, plus a space), then the
    // one-space word. Lines end at LF, a CR before the LF is dropped. Only the first 998
    // characters from a line's first non-space character count; the rest of a longer line
    // is ignored. False when the file cannot be read or no alphabet was chosen, and when the
    // tree reached its bound of 256 MiB: the lines past that point are then left out.
    bool LoadWords(const std::string& path);
    // The same from text in memory.
    bool LoadWordsFromText(std::string_view text);
    // Adds one entry as it stands (every byte, a zero byte included, is a character). True
    // once an alphabet is chosen, false before. Throws std::bad_alloc when memory runs out or
    // the tree would pass 256 MiB, after leaving the tree as it was before the call.
    bool AddWord(std::string_view text);

    // The root, or nullptr before an alphabet was chosen.
    const CDictNode* GetRoot() const { return m_pRoot; }
    const CDictNode* GetChild(const CDictNode* node, std::uint8_t code) const {
        return node->m_pChildren[m_Slots[code]];
    }
    const CDictNode* DeadEnd() const { return m_pDeadEnd; }
    int AlphabetSize() const { return m_nAlphabetSize; }
    int Slot(std::uint8_t code) const { return m_Slots[code]; }

    // Number of nodes other than the dead end, and bytes the tree holds.
    std::size_t NodeCount() const;
    std::size_t MemoryBytes() const;
    // Length in characters (the trailing space included) of the longest entry.
    int MaxWordLength() const { return m_nMaxWordLength; }

private:
    struct Storage;

    int m_nAlphabetSize = 0;
    CDictNode* m_pRoot = nullptr;
    CDictNode* m_pDeadEnd = nullptr;
    std::uint8_t m_Slots[256] = {};
    int m_nMaxWordLength = 0;
    std::unique_ptr<Storage> m_pStorage;  // node and child-table arena
};
