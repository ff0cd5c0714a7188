#pragma once

#include "CDictNode.h"
#include "WordList.h"

#include <cstddef>
#include <vector>

// A laid-out trie: the root first, the nodes of each depth after those of the depth above,
// the children of a node side by side in slot order.
struct LaidOutTree {
    std::vector<CDictNode> nodes;
    std::size_t nMaxWordLength = 0;  // keys of the longest entry kept
    std::size_t nKept = 0;           // entries kept, from the first on
};

// Lays out the tree of entries, one node per distinct key prefix, each written once. Entries
// that come grouped by prefix (a list sorted bytewise mostly does) are laid out as they
// stand, others are sorted first. When the tree would pass maxNodes nodes, the most entries
// from the first on whose tree fits are kept, and entries holds them alone. Throws std::bad_alloc when memory runs out.
LaidOutTree BuildTree(WordEntries& entries, std::size_t maxNodes);

// Appends the entries of a laid-out tree (every word end, in slot order) to entries. False,
// with entries as they were, when they would pass maxKeyBytes bytes of keys.
bool AppendTreeEntries(const CDictNode* nodes, WordEntries& entries, std::size_t maxKeyBytes);
