#pragma once

#include "CDictionary.h"

#include <cstdint>
#include <vector>

// The dictionary prefixes reachable up to one position of Complex recognition. Entries hold
// pairwise different nodes; the first arrival at a node stays.
class CPrefixList {
public:
    // Drops all entries and makes room for capacity entries. The room is taken as entries
    // arrive, so a generous capacity costs no memory.
    void Reset(int capacity);
    // Appends an entry unless one with the same node is already held (or the list is full).
    void Add(const CDictNode* node, std::int32_t slot, std::int32_t parent, std::int32_t cost);
    // Index of the cheapest entry (unsigned costs, first of equals) whose node ends a word;
    // 0 when none does.
    int BestWordEnd() const;

    int Count() const { return m_nCount; }
    int Capacity() const { return m_nCapacity; }
    // Entry fields; an index outside the entries answers no node and 0.
    const CDictNode* Node(int i) const { return Valid(i) ? m_Entries[i].node : nullptr; }
    std::int32_t SlotOf(int i) const { return Valid(i) ? m_Entries[i].slot : 0; }
    std::int32_t Parent(int i) const { return Valid(i) ? m_Entries[i].parent : 0; }
    std::int32_t Cost(int i) const { return Valid(i) ? m_Entries[i].cost : 0; }

private:
    struct Entry {
        const CDictNode* node;
        std::int32_t slot;    // index of the variant read last
        std::int32_t parent;  // index of the entry of the previous list
        std::int32_t cost;    // compared as unsigned: -1 loses to every cost
    };

    bool Valid(int i) const { return i >= 0 && i < m_nCount; }
    int Find(const CDictNode* node) const;
    void Rehash(std::size_t size);

    std::int32_t m_nCount = 0;
    std::int32_t m_nCapacity = 0;
    std::vector<Entry> m_Entries;
    // Open-addressing index of the entries by node (entry index + 1, 0 = free); made once the
    // list outgrows a short linear search.
    std::vector<std::int32_t> m_Index;
};
