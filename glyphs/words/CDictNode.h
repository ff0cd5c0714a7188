#pragma once

#include <cstdint>

// The number of set bits, inline on any processor: without -mpopcnt the compiler would call
// the runtime for std::popcount.
constexpr int PopCount(std::uint64_t x)
{
#if defined(__POPCNT__)
    return __builtin_popcountll(x);
#else
    x = x - ((x >> 1) & 0x5555555555555555ULL);
    x = (x & 0x3333333333333333ULL) + ((x >> 2) & 0x3333333333333333ULL);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return static_cast<int>((x * 0x0101010101010101ULL) >> 56);
#endif
}

// A node of the dictionary trie, one 64-bit word: the child mask (bits 0-32, one per slot),
// the word end (bit 33) and the index of the first child in the node block (bits 34-63).
// The children of a node lie side by side in slot order; a slot's rank among the set bits of
// the mask is its place after the first child. A value-initialised node is all zero: no
// children, no word end.
class CDictNode {
public:
    static constexpr int kMaskBits = 33;
    static constexpr std::uint64_t kMask = (std::uint64_t{1} << kMaskBits) - 1;
    static constexpr std::uint64_t kWordEndBit = std::uint64_t{1} << kMaskBits;
    static constexpr int kFirstChildShift = 34;
    // Most nodes a block can index.
    static constexpr std::uint64_t kMaxFirstChild = (std::uint64_t{1} << (64 - kFirstChildShift)) - 1;

    constexpr CDictNode() = default;
    // The node of the given fields; firstChild must be at most kMaxFirstChild.
    static constexpr CDictNode Make(std::uint64_t childMask, bool wordEnd, std::uint64_t firstChild)
    {
        return FromWord((childMask & kMask) | (wordEnd ? kWordEndBit : 0) | firstChild << kFirstChildShift);
    }
    static constexpr CDictNode FromWord(std::uint64_t word)
    {
        CDictNode node;
        node.m_nWord = word;
        return node;
    }

    constexpr int IsWordEnd() const { return static_cast<int>((m_nWord >> kMaskBits) & 1); }
    // The child slots as one mask: bit s is set when slot s leads to a node.
    constexpr std::uint64_t ChildMask() const { return m_nWord & kMask; }
    constexpr std::uint64_t FirstChildIndex() const { return m_nWord >> kFirstChildShift; }
    constexpr int ChildCount() const { return PopCount(ChildMask()); }
    constexpr std::uint64_t Word() const { return m_nWord; }

    constexpr void SetWordEnd() { m_nWord |= kWordEndBit; }
    constexpr void SetChildren(std::uint64_t childMask, std::uint64_t firstChild)
    {
        m_nWord = (childMask & kMask) | (m_nWord & kWordEndBit) | firstChild << kFirstChildShift;
    }

private:
    std::uint64_t m_nWord = 0;  // mask | word end << 33 | first child << 34
};

static_assert(sizeof(CDictNode) == 8);
