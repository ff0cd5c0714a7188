#include "CPrefixList.h"

#include <algorithm>
#include <cstddef>

namespace {

// Lists up to this size are searched linearly; larger ones get a hash index.
constexpr int kLinearSearchLimit = 16;

std::size_t HashNode(const CDictNode* node, std::size_t mask)
{
    const auto key = reinterpret_cast<std::uintptr_t>(node);
    return static_cast<std::size_t>((static_cast<std::uint64_t>(key) * 0x9E3779B97F4A7C15ULL) >> 32) & mask;
}

}  // namespace

void CPrefixList::Reset(int capacity)
{
    m_Entries.clear();
    m_Index.clear();
    m_nCount = 0;
    m_nCapacity = std::max(capacity, 0);
}

int CPrefixList::Find(const CDictNode* node) const
{
    if (m_Index.empty()) {
        for (int i = 0; i < m_nCount; ++i)
            if (m_Entries[i].node == node)
                return i;
        return -1;
    }
    const std::size_t mask = m_Index.size() - 1;
    for (std::size_t h = HashNode(node, mask);; h = (h + 1) & mask) {
        const std::int32_t slot = m_Index[h];
        if (slot == 0)
            return -1;
        if (m_Entries[slot - 1].node == node)
            return slot - 1;
    }
}

void CPrefixList::Rehash(std::size_t size)
{
    m_Index.assign(size, 0);
    const std::size_t mask = size - 1;
    for (int i = 0; i < m_nCount; ++i) {
        std::size_t h = HashNode(m_Entries[i].node, mask);
        while (m_Index[h] != 0)
            h = (h + 1) & mask;
        m_Index[h] = i + 1;
    }
}

void CPrefixList::Add(const CDictNode* node, std::int32_t slot, std::int32_t parent, std::int32_t cost)
{
    if (m_nCount >= m_nCapacity || Find(node) >= 0)
        return;
    m_Entries.push_back({node, slot, parent, cost});
    ++m_nCount;
    if (m_Index.empty()) {
        if (m_nCount > kLinearSearchLimit)
            Rehash(4 * kLinearSearchLimit);
        return;
    }
    if (2 * static_cast<std::size_t>(m_nCount) > m_Index.size()) {
        Rehash(2 * m_Index.size());
        return;
    }
    const std::size_t mask = m_Index.size() - 1;
    std::size_t h = HashNode(node, mask);
    while (m_Index[h] != 0)
        h = (h + 1) & mask;
    m_Index[h] = m_nCount;
}

int CPrefixList::BestWordEnd() const
{
    int best = 0;
    bool found = false;
    for (int i = 0; i < m_nCount; ++i) {
        const Entry& e = m_Entries[i];
        if (e.node == nullptr || !e.node->IsWordEnd())
            continue;
        if (!found || static_cast<std::uint32_t>(e.cost) < static_cast<std::uint32_t>(m_Entries[best].cost)) {
            best = i;
            found = true;
        }
    }
    return best;
}
