#pragma once

#include <cstdint>

// The variants of one character position after Simple recognition: glyph codes and their
// match costs, in the order added (ascending code).
struct CCharVariants {
    void Add(std::uint8_t code, std::int32_t cost) {
        m_Codes[m_nCount] = code;
        m_Costs[m_nCount] = cost;
        ++m_nCount;
    }

    std::int32_t m_nCount = 0;         // 0..256
    std::uint8_t m_Codes[256] = {};
    std::int32_t m_Costs[256] = {};
};
