#include "TreeBuilder.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>

static_assert(std::endian::native == std::endian::little, "keys are compared eight at a time as little-endian words");

namespace {

// Keys of the entry text: slot + 1 for a character, 0 after the last one.
constexpr int kKeys = 34;

// The number of keys of the entry at keys.
std::size_t KeyCount(const std::uint8_t* keys)
{
    return std::strlen(reinterpret_cast<const char*>(keys));
}

// How many leading keys two entries share. Both end with a 0 and have eight readable bytes
// past it; eight keys are compared at a time.
std::size_t SharedKeys(const std::uint8_t* a, const std::uint8_t* b)
{
    std::size_t same = 0;
    for (;;) {
        std::uint64_t x = 0;
        std::uint64_t y = 0;
        std::memcpy(&x, a + same, 8);
        std::memcpy(&y, b + same, 8);
        // The lowest byte that differs or ends a: below it the bytes of a are no 0.
        const std::uint64_t stop = (x ^ y) | ((x - 0x0101010101010101ULL) & ~x & 0x8080808080808080ULL);
        if (stop != 0)
            return same + static_cast<std::size_t>(std::countr_zero(stop)) / 8;
        same += 8;
    }
}

// Sorts entries (their starts in text) by their keys, shorter before longer on a common
// prefix: a radix sort from the first key on, with insertion sort for short runs.
void SortEntries(std::vector<std::uint32_t>& entries, const std::uint8_t* text)
{
    const std::size_t n = entries.size();
    std::vector<std::uint32_t> scratch(n);
    std::vector<std::uint8_t> keys(n);
    struct Run {
        std::size_t lo, hi;
        std::uint32_t depth;
    };
    std::vector<Run> runs{{0, n, 0}};
    while (!runs.empty()) {
        const Run run = runs.back();
        runs.pop_back();
        if (run.hi - run.lo < 16) {
            for (std::size_t i = run.lo + 1; i < run.hi; ++i) {
                const std::uint32_t e = entries[i];
                std::size_t j = i;
                for (; j > run.lo; --j) {
                    const std::uint8_t* p = text + entries[j - 1] + run.depth;
                    const std::uint8_t* q = text + e + run.depth;
                    while (*p == *q && *p != 0) {
                        ++p;
                        ++q;
                    }
                    if (*p <= *q)
                        break;
                    entries[j] = entries[j - 1];
                }
                entries[j] = e;
            }
            continue;
        }
        std::size_t count[kKeys] = {};
        for (std::size_t i = run.lo; i < run.hi; ++i) {
            const std::uint8_t key = text[entries[i] + run.depth];
            keys[i] = key;
            ++count[key];
        }
        // A run that shares its next key as well goes on one key deeper.
        if (count[keys[run.lo]] == run.hi - run.lo) {
            if (keys[run.lo] != 0)
                runs.push_back({run.lo, run.hi, run.depth + 1});
            continue;
        }
        std::size_t next[kKeys];
        std::size_t at = run.lo;
        for (int k = 0; k < kKeys; ++k) {
            next[k] = at;
            at += count[k];
        }
        for (std::size_t i = run.lo; i < run.hi; ++i)
            scratch[next[keys[i]]++] = entries[i];
        std::copy(scratch.begin() + static_cast<std::ptrdiff_t>(run.lo),
                  scratch.begin() + static_cast<std::ptrdiff_t>(run.hi),
                  entries.begin() + static_cast<std::ptrdiff_t>(run.lo));
        // Entries that ended (key 0) are all equal.
        std::size_t lo = run.lo + count[0];
        for (int k = 1; k < kKeys; ++k) {
            if (count[k] > 1)
                runs.push_back({lo, lo + count[k], run.depth + 1});
            lo += count[k];
        }
    }
}

// Nodes of the tree of the sorted entries that begin before limit in the entry text, the
// root included: each entry adds the prefixes it does not share with the kept one before it.
// lcp[i] is the number of leading keys that entry i shares with entry i - 1.
std::uint64_t NodesOf(const std::vector<std::uint32_t>& entries, const std::uint8_t* text,
                      const std::vector<std::uint32_t>& lcp, std::uint32_t limit)
{
    std::uint64_t nodes = 1;
    std::uint32_t shared = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        shared = std::min(shared, lcp[i]);
        if (entries[i] >= limit)
            continue;
        nodes += KeyCount(text + entries[i]) - shared;
        shared = UINT32_MAX;
    }
    return nodes;
}

// Whether entries come grouped, checked as they are counted: per depth the slots of the
// children met so far of the path's node there. Only where an entry leaves the path can it
// come back to a prefix met before.
class CGroupCheck {
public:
    // The entry at keys, of count keys, shares shared keys with the one before. False when it
    // comes back to a prefix left before.
    bool Entry(std::size_t shared, std::size_t count, const std::uint8_t* keys)
    {
        if (shared == count)
            return true;
        if (m_Masks.size() < count + 1)
            m_Masks.resize(count + 1, 0);
        const std::uint64_t bit = std::uint64_t{1} << (keys[shared] - 1);
        if (m_Masks[shared] & bit)
            return false;
        m_Masks[shared] |= bit;
        for (std::size_t d = shared + 1; d < count; ++d)
            m_Masks[d] = std::uint64_t{1} << (keys[d] - 1);
        m_Masks[count] = 0;
        return true;
    }

private:
    std::vector<std::uint64_t> m_Masks;
};

// Lays a tree out depth after depth from grouped entries whose node count per depth is known
// beforehand: the nodes of a depth follow those of the depth above, and each node is written
// once, where it lies. A node's children come side by side at the end of their depth, as its
// first child opens them; a child whose slot lies below those met before moves them up one.
class CLevelLayout {
public:
    // Makes nodes the root and room for perDepth[d] nodes at every depth d from 1 on.
    CLevelLayout(std::vector<CDictNode>& nodes, const std::vector<std::size_t>& perDepth)
        : m_Nodes(nodes), m_Next(perDepth.size() + 1, 0), m_Path(perDepth.size() + 1, 0)
    {
        std::size_t total = 1;
        for (std::size_t depth = 1; depth < perDepth.size(); ++depth) {
            m_Next[depth] = total;
            total += perDepth[depth];
        }
        if (total - 1 > CDictNode::kMaxFirstChild)
            throw std::bad_alloc();
        m_Nodes.assign(total, CDictNode{});
    }

    // Opens the child in slot of the path's node at depth d, as the path's node at depth d + 1;
    // false when that node had such a child already, met and left before.
    bool Open(std::size_t d, unsigned slot)
    {
        const std::uint64_t bit = std::uint64_t{1} << slot;
        CDictNode& parent = m_Nodes[m_Path[d]];
        const std::uint64_t mask = parent.ChildMask();
        if (mask & bit)
            return false;
        std::size_t child = m_Next[d + 1]++;
        std::uint64_t first = mask == 0 ? child : parent.FirstChildIndex();
        if (mask > bit) {
            // The siblings above the new slot are few: moved up one by one.
            const std::size_t place = first + static_cast<std::size_t>(PopCount(mask & (bit - 1)));
            for (std::size_t k = child; k > place; --k)
                m_Nodes[k] = m_Nodes[k - 1];
            child = place;
        }
        parent.SetChildren(mask | bit, first);
        m_Nodes[child] = CDictNode{};
        m_Path[d + 1] = child;
        return true;
    }
    // Marks the path's node at depth d as the end of a word.
    void EndWord(std::size_t d) { m_Nodes[m_Path[d]].SetWordEnd(); }

private:
    std::vector<CDictNode>& m_Nodes;
    std::vector<std::size_t> m_Next;  // where the next node of each depth goes
    std::vector<std::size_t> m_Path;  // the path's node of each depth
};

// Lays out the tree of the entries (starts in text, which has eight readable bytes past its
// last entry). False, with the nodes undefined, when they do not come grouped; sorted entries
// always do, and are not checked.
bool BuildNodes(LaidOutTree& tree, const std::vector<std::uint32_t>& entries, const std::uint8_t* text, bool sorted)
{
    // Two passes: the keys each entry shares with the one before and the nodes per depth,
    // then the nodes.
    std::vector<std::uint32_t> shares(entries.size());
    std::vector<std::int64_t> steps(1, 0);  // how many more nodes each depth has than the one above
    CGroupCheck groups;
    std::size_t longest = 0;
    const std::uint8_t* previous = nullptr;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::uint8_t* keys = text + entries[i];
        const std::size_t shared = previous ? SharedKeys(keys, previous) : 0;
        const std::size_t count = shared + KeyCount(keys + shared);
        shares[i] = static_cast<std::uint32_t>(shared);
        if (!sorted && !groups.Entry(shared, count, keys))
            return false;
        if (count > shared) {
            // Depths shared + 1 to count each gain a node.
            if (steps.size() < count + 2)
                steps.resize(count + 2, 0);
            ++steps[shared + 1];
            --steps[count + 1];
        }
        longest = std::max(longest, count);
        previous = keys;
    }
    std::vector<std::size_t> perDepth(longest + 1, 0);
    std::int64_t nodes = 0;
    for (std::size_t depth = 1; depth <= longest; ++depth) {
        nodes += steps[depth];
        perDepth[depth] = static_cast<std::size_t>(nodes);
    }

    CLevelLayout layout(tree.nodes, perDepth);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::uint8_t* keys = text + entries[i];
        std::size_t d = shares[i];
        for (; keys[d] != 0; ++d)
            if (!layout.Open(d, keys[d] - 1U))
                return false;
        layout.EndWord(d);
    }
    tree.nMaxWordLength = longest;
    return true;
}

}  // namespace

LaidOutTree BuildTree(WordEntries& entries, std::size_t maxNodes)
{
    LaidOutTree tree;
    entries.Pad();
    const std::size_t count = entries.Count();
    tree.nKept = count;
    // A node per key at most, and the root.
    const std::uint64_t most = 1 + entries.keys.size() - count;
    if (most <= maxNodes && BuildNodes(tree, entries.starts, entries.keys.data(), false))
        return tree;

    // Where each entry begins, in list order, kept only when the tree might pass its bound.
    std::vector<std::uint32_t> inOrder;
    if (most > maxNodes)
        inOrder = entries.starts;
    SortEntries(entries.starts, entries.keys.data());
    if (!inOrder.empty()) {
        std::vector<std::uint32_t> lcp(count, 0);
        for (std::size_t i = 1; i < count; ++i)
            lcp[i] = static_cast<std::uint32_t>(SharedKeys(entries.keys.data() + entries.starts[i],
                                                           entries.keys.data() + entries.starts[i - 1]));
        const auto limitOf = [&](std::size_t kept) { return kept < count ? inOrder[kept] : UINT32_MAX; };
        const auto fits = [&](std::size_t kept) {
            return NodesOf(entries.starts, entries.keys.data(), lcp, limitOf(kept)) <= maxNodes;
        };
        if (!fits(count)) {
            // The most entries, from the first on, whose tree fits.
            std::size_t lo = 0;
            std::size_t hi = count - 1;
            while (lo < hi) {
                const std::size_t mid = lo + (hi - lo + 1) / 2;
                if (fits(mid))
                    lo = mid;
                else
                    hi = mid - 1;
            }
            const std::uint32_t limit = limitOf(lo);
            std::erase_if(entries.starts, [limit](std::uint32_t start) { return start >= limit; });
            tree.nKept = lo;
        }
    }
    BuildNodes(tree, entries.starts, entries.keys.data(), true);
    return tree;
}

bool AppendTreeEntries(const CDictNode* nodes, WordEntries& entries, std::size_t maxKeyBytes)
{
    const std::size_t keysBefore = entries.keys.size();
    const std::size_t countBefore = entries.Count();
    std::vector<std::uint8_t> path;  // the keys of the node on top of the stack
    struct Frame {
        std::uint64_t index;
        std::uint64_t rest;  // child slots not visited yet
    };
    std::vector<Frame> stack{{0, nodes[0].ChildMask()}};
    if (nodes[0].IsWordEnd())
        entries.Add(path.data(), 0);
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.rest == 0) {
            stack.pop_back();
            if (!path.empty())
                path.pop_back();
            continue;
        }
        const int slot = std::countr_zero(top.rest);
        top.rest &= top.rest - 1;
        const CDictNode& node = nodes[top.index];
        const std::uint64_t child =
            node.FirstChildIndex() + static_cast<std::uint64_t>(PopCount(node.ChildMask() & ((std::uint64_t{1} << slot) - 1)));
        path.push_back(static_cast<std::uint8_t>(slot + 1));
        if (nodes[child].IsWordEnd()) {
            if (entries.keys.size() - keysBefore + path.size() + 1 > maxKeyBytes) {
                entries.keys.resize(keysBefore);
                entries.starts.resize(countBefore);
                return false;
            }
            entries.Add(path.data(), path.size());
        }
        stack.push_back({child, nodes[child].ChildMask()});
    }
    return true;
}
