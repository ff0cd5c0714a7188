#pragma once

#include "CDictionary.h"

#include <cstdint>
#include <vector>

// The dictionary prefixes reachable up to one position of Complex recognition. Entries hold
// pairwise different nodes; the first arrival at a node stays.
class CPrefixList {
public:
    // Drops all entries and makes room for capacity entries.
    void Reset(int capacity);
    // Appends an entry unless one with the same node is already held.
    void Add(const CDictNode* node, std::int32_t slot, std::int32_t parent, std::int32_t cost);
    // Index of the cheapest entry (unsigned costs, first of equals) whose node ends a word;
    // 0 when none does.
    int BestWordEnd() const;

    int Count() const { return m_nCount; }
    int Capacity() const { return m_nCapacity; }
    const CDictNode* Node(int i) const { return m_Nodes[i]; }
    std::int32_t SlotOf(int i) const { return m_Slots[i]; }
    std::int32_t Parent(int i) const { return m_Parents[i]; }
    std::int32_t Cost(int i) const { return m_CostValues[i]; }

private:
    std::int32_t m_nCount = 0;
    std::int32_t m_nCapacity = 0;
    std::vector<const CDictNode*> m_Nodes;
    std::vector<std::int32_t> m_Slots;
    std::vector<std::int32_t> m_Parents;
    std::vector<std::int32_t> m_CostValues;  // compared as unsigned: -1 loses to every cost
};
