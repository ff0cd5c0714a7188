#pragma once

#include "words/CDictNode.h"
#include "words/WordList.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CDictionaryImage;
struct DictionaryImageKey;

// The word trie of dict.dic. Words are stored with a trailing space. Characters map to
// slots through a 256-entry table; codes without an entry share slot 0. All nodes live in
// one block; a child is found in constant time from its parent's mask.
//
// Lookups (GetRoot, GetChild, IsWordEnd and the rest of the const interface) change nothing
// and may run on many threads at once. Node pointers stay valid until the next SetAlphabet,
// AddWord or LoadWords. Dictionaries may share one tree (ShareTree); a change to one of
// them copies the tree first, so each behaves as if it had its own.
class CDictionary {
public:
    // Most nodes a tree holds (the root included), and most lines one LoadWords keeps.
    static constexpr std::size_t kMaxNodes = std::size_t{1} << 24;
    static constexpr std::size_t kMaxWords = std::size_t{1} << 22;
    // Most bytes of entries one LoadWords keeps.
    static constexpr std::size_t kMaxTextBytes = std::size_t{256} << 20;

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
    // list passes a bound (kMaxWords lines, kMaxNodes nodes, kMaxTextBytes): the first lines
    // that fit are kept then. LastLoad tells which of these happened. Throws std::bad_alloc,
    // keeping the tree as it was, when memory runs out.
    bool LoadWords(const std::string& path);
    // The same from text in memory.
    bool LoadWordsFromText(std::string_view text);
    // Adds one entry as it stands (every byte, a zero byte included, is a character). True
    // once an alphabet is chosen, false before. Throws std::bad_alloc when memory runs out or
    // the tree would pass kMaxNodes, after leaving the tree as it was before the call.
    bool AddWord(std::string_view text);
    // Makes this dictionary use other's alphabet, tree and load report; the tree itself is shared.
    void ShareTree(const CDictionary& other);
    // Back to a new dictionary: no alphabet, no tree, a slot table of zeros.
    void Clear();
    // How many dictionaries use this one's tree (0 without a tree).
    long TreeUseCount() const { return m_pTree.use_count(); }

    // Takes the tree of an image made for this dictionary's alphabet and slot table, in place
    // of the tree it has; the load report becomes the one the image keeps. False, with
    // nothing changed, when the image was made for another alphabet or slot table.
    bool UseImage(std::unique_ptr<CDictionaryImage> image);
    // Writes the tree as an image under key, whose alphabet and slots are this dictionary's.
    // False when it could not, or there is no tree.
    bool SaveImage(const std::string& path, const DictionaryImageKey& key) const;
    // Fills the alphabet and slot table of key with this dictionary's.
    void DescribeAlphabet(DictionaryImageKey& key) const;

    // The root, or nullptr before an alphabet was chosen.
    const CDictNode* GetRoot() const { return m_pNodes; }
    const CDictNode* GetChild(const CDictNode* node, std::uint8_t code) const {
        return ChildInSlot(node, m_Slots[code]);
    }
    // The child of node in slot (0 .. AlphabetSize() - 1), the dead end when there is none.
    const CDictNode* ChildInSlot(const CDictNode* node, int slot) const {
        const std::uint64_t mask = node->ChildMask();
        const std::uint64_t bit = std::uint64_t{1} << slot;
        if ((mask & bit) == 0)
            return &m_DeadEnd;
        return m_pNodes + node->FirstChildIndex() + ::PopCount(mask & (bit - 1));
    }
    // Where the children of node begin, to fetch them ahead of use.
    const CDictNode* FirstChild(const CDictNode* node) const { return m_pNodes + node->FirstChildIndex(); }
    const CDictNode* DeadEnd() const { return &m_DeadEnd; }
    int AlphabetSize() const { return m_nAlphabetSize; }
    int Slot(std::uint8_t code) const { return m_Slots[code]; }

    // Number of nodes other than the dead end, and bytes the tree holds.
    std::size_t NodeCount() const;
    std::size_t MemoryBytes() const;
    // Length in characters (the trailing space included) of the longest entry.
    int MaxWordLength() const;
    // What the last LoadWords or LoadWordsFromText did.
    const DictionaryLoadReport& LastLoad() const { return m_LastLoad; }

    // The number of set bits.
    static int PopCount(std::uint64_t x) { return ::PopCount(x); }

private:
    struct Tree;

    // Makes the tree this dictionary's own before a change.
    Tree& OwnTree();
    void UseTree(std::shared_ptr<Tree> tree);
    // Adds the entries of a dict.dic text, and the one-space word, through one layout of
    // the whole tree. file, when given, holds the text and is freed once it has been read;
    // cut tells that the text is only the start of its file.
    bool AddList(std::string_view text, std::vector<std::uint8_t>* file, bool cut);

    int m_nAlphabetSize = 0;
    std::uint8_t m_Slots[256] = {};
    std::shared_ptr<Tree> m_pTree;
    const CDictNode* m_pNodes = nullptr;  // the tree's node block; the root comes first
    CDictNode m_DeadEnd{};                // no children: every child of it is itself
    DictionaryLoadReport m_LastLoad;
};
