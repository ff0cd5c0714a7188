#include "CComplexRecognizer.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <new>

namespace {

constexpr std::uint32_t kNoPath = 0xFFFFFFFFU;  // -1 as an unsigned cost

const CCharVariants& VariantsAt(std::span<const CCharVariants> variants, int p)
{
    static const CCharVariants none;
    return p >= 0 && static_cast<std::size_t>(p) < variants.size() ? variants[p] : none;
}

int VariantCount(const CCharVariants& v)
{
    return std::clamp(v.m_nCount, 0, 256);
}

// Sum of two costs; -1 when either is -1. Wraps as 32-bit arithmetic does.
std::uint32_t AddCosts(std::uint32_t a, std::uint32_t b)
{
    return a == kNoPath || b == kNoPath ? kNoPath : a + b;
}

// A variant that can lead somewhere new: variants with the same dictionary slot lead from
// every node to the same child, so only the first of them (the lowest index) can arrive first.
struct SlotVariant {
    std::int32_t index;  // index among the position's variants
    std::int32_t slot;   // dictionary slot of its code
    std::uint32_t cost;
};

// For every position, its variant count and the first variant of each dictionary slot.
class CPositionSlots {
public:
    // Positions from..cells - 1; those past the end of variants have none.
    CPositionSlots(int cells, std::span<const CCharVariants> variants, const CDictionary& dictionary, int from = 0)
        : m_nFrom(from)
    {
        const int count = std::max(cells - from, 0);
        m_Start.reserve(static_cast<std::size_t>(count) + 1);
        m_Counts.reserve(static_cast<std::size_t>(count));
        for (int p = from; p < cells; ++p) {
            const CCharVariants& v = VariantsAt(variants, p);
            m_Start.push_back(m_Slots.size());
            m_Counts.push_back(VariantCount(v));
            std::uint64_t seen[4] = {};
            for (int s = 0; s < VariantCount(v); ++s) {
                const int slot = dictionary.Slot(v.m_Codes[s]);
                std::uint64_t& word = seen[slot >> 6];
                const std::uint64_t bit = std::uint64_t{1} << (slot & 63);
                if (word & bit)
                    continue;
                word |= bit;
                m_Slots.push_back({s, slot, static_cast<std::uint32_t>(v.m_Costs[s])});
            }
        }
        m_Start.push_back(m_Slots.size());
    }

    const SlotVariant* Begin(int p) const { return m_Slots.data() + m_Start[static_cast<std::size_t>(p - m_nFrom)]; }
    const SlotVariant* End(int p) const { return m_Slots.data() + m_Start[static_cast<std::size_t>(p - m_nFrom) + 1]; }
    // Number of all the variants of position p.
    int Count(int p) const { return m_Counts[static_cast<std::size_t>(p - m_nFrom)]; }
    // One past the last position.
    int End() const { return m_nFrom + static_cast<int>(m_Counts.size()); }

private:
    int m_nFrom;
    std::vector<SlotVariant> m_Slots;
    std::vector<std::size_t> m_Start;  // where each position's slots begin in m_Slots
    std::vector<int> m_Counts;
};

// An entry of a prefix list without the dead end, which never ends a word and leads nowhere
// else: leaving it out changes neither the other nodes' first arrivals nor their order.
struct LiveEntry {
    const CDictNode* node;
    std::uint32_t cost;
    std::int32_t slot;
    std::int32_t parent;
};

// A set of dictionary nodes that is emptied in constant time.
class CNodeSet {
public:
    void Clear()
    {
        if (++m_nStamp == 0) {
            std::fill(m_Cells.begin(), m_Cells.end(), Cell{});
            m_nStamp = 1;
        }
        m_nUsed = 0;
    }

    // True when node was not yet in the set; it is then.
    bool Insert(const CDictNode* node)
    {
        if (2 * (m_nUsed + 1) > m_Cells.size())
            Grow();
        const std::size_t mask = m_Cells.size() - 1;
        for (std::size_t h = Hash(node, mask);; h = (h + 1) & mask) {
            Cell& cell = m_Cells[h];
            if (cell.stamp != m_nStamp) {
                cell = {node, m_nStamp};
                ++m_nUsed;
                return true;
            }
            if (cell.node == node)
                return false;
        }
    }

private:
    struct Cell {
        const CDictNode* node = nullptr;
        std::uint32_t stamp = 0;
    };

    static std::size_t Hash(const CDictNode* node, std::size_t mask)
    {
        const auto key = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(node));
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> 32) & mask;
    }

    void Grow()
    {
        std::vector<Cell> old;
        old.swap(m_Cells);
        m_Cells.assign(std::max<std::size_t>(64, 2 * old.size()), Cell{});
        const std::size_t mask = m_Cells.size() - 1;
        for (const Cell& cell : old) {
            if (cell.stamp != m_nStamp)
                continue;
            std::size_t h = Hash(cell.node, mask);
            while (m_Cells[h].stamp == m_nStamp)
                h = (h + 1) & mask;
            m_Cells[h] = cell;
        }
    }

    std::vector<Cell> m_Cells;
    std::uint32_t m_nStamp = 1;
    std::size_t m_nUsed = 0;
};

// Builds the live prefix lists from one start position, one position at a time.
class CLiveLists {
public:
    CLiveLists(const CPositionSlots& slots, const CDictionary& dictionary) : m_Slots(slots), m_Dictionary(dictionary) {}

    // next = the live entries reached from prev by reading one variant of position p.
    // Returns the least cost of those that end a word, or -1.
    std::uint32_t Extend(const std::vector<LiveEntry>& prev, int p, std::vector<LiveEntry>& next)
    {
        next.clear();
        m_Seen.Clear();
        const SlotVariant* first = m_Slots.Begin(p);
        const SlotVariant* last = m_Slots.End(p);
        const CDictNode* deadEnd = m_Dictionary.DeadEnd();
        for (std::size_t j = 0; j < prev.size(); ++j) {
            const LiveEntry& from = prev[j];
            for (const SlotVariant* v = first; v != last; ++v) {
                const CDictNode* child = m_Dictionary.ChildInSlot(from.node, v->slot);
                if (child == deadEnd || !m_Seen.Insert(child))
                    continue;
                __builtin_prefetch(child);
                next.push_back({child, AddCosts(v->cost, from.cost), v->index, static_cast<std::int32_t>(j)});
            }
        }
        // The trie is large and read in no order: the nodes were fetched above while the
        // children were gathered, and the child blocks that the next position reads are
        // fetched here, ahead of its Extend.
        const bool more = p + 1 < m_Slots.End();
        const SlotVariant* nextFirst = more ? m_Slots.Begin(p + 1) : nullptr;
        const SlotVariant* nextLast = more ? m_Slots.End(p + 1) : nullptr;
        std::uint32_t least = kNoPath;
        for (const LiveEntry& e : next) {
            if (e.node->IsWordEnd() && least >= e.cost)
                least = e.cost;
            if (nextFirst != nextLast)
                __builtin_prefetch(m_Dictionary.FirstChild(e.node));
        }
        return least;
    }

private:
    const CPositionSlots& m_Slots;
    const CDictionary& m_Dictionary;
    CNodeSet m_Seen;
};

// BuildPrefixLists over slots that are already known.
PrefixListsStatus BuildLists(std::vector<CPrefixList>& lists, int a, int cells, const CPositionSlots& slots,
                             const CDictionary& dictionary, std::int32_t* row)
{
    try {
        lists.clear();
        lists.resize(static_cast<std::size_t>(cells) + 1);
    } catch (const std::bad_alloc&) {
        lists.clear();
        return PrefixListsStatus::AllocationError;
    }
    const CDictNode* root = dictionary.GetRoot();
    if (root == nullptr)
        return PrefixListsStatus::NoDictionary;

    lists[a].Reset(1);
    lists[a].Add(root, 0, 0, 0);
    row[a] = root->IsWordEnd() ? 0 : -1;

    const CDictNode* deadEnd = dictionary.DeadEnd();
    for (int k = a + 1; k <= cells; ++k) {
        const CPrefixList& prev = lists[k - 1];
        CPrefixList& list = lists[k];
        const long long capacity = static_cast<long long>(prev.Count()) * slots.Count(k - 1);
        list.Reset(static_cast<int>(std::min<long long>(capacity, INT_MAX)));
        for (int j = 0; j < prev.Count(); ++j) {
            const CDictNode* node = prev.Node(j);
            const auto cost = static_cast<std::uint32_t>(prev.Cost(j));
            for (const SlotVariant* s = slots.Begin(k - 1); s != slots.End(k - 1); ++s) {
                list.Add(dictionary.ChildInSlot(node, s->slot), s->index, j, static_cast<std::int32_t>(AddCosts(s->cost, cost)));
                // Every child of the dead end is the dead end: the first variant decides.
                if (node == deadEnd)
                    break;
            }
        }
        std::uint32_t least = kNoPath;
        for (int i = 0; i < list.Count(); ++i)
            if (list.Node(i)->IsWordEnd() && least >= static_cast<std::uint32_t>(list.Cost(i)))
                least = static_cast<std::uint32_t>(list.Cost(i));
        row[k] = static_cast<std::int32_t>(least);
    }
    return PrefixListsStatus::Built;
}

}  // namespace

PrefixListsStatus BuildPrefixLists(std::vector<CPrefixList>& lists, int a, int cells,
                                   std::span<const CCharVariants> variants,
                                   const CDictionary& dictionary, std::int32_t* row)
{
    if (cells <= 0 || variants.empty() || a < 0 || a > cells)
        return PrefixListsStatus::NothingToDo;
    try {
        return BuildLists(lists, a, cells, CPositionSlots(cells, variants, dictionary, a), dictionary, row);
    } catch (const std::bad_alloc&) {
        lists.clear();
        return PrefixListsStatus::AllocationError;
    }
}

ComplexResult CComplexRecognizer::Recognize(int cells, std::span<const CCharVariants> variants,
                                            const CDictionary& dictionary, std::vector<CPrefixList>& lists,
                                            const std::function<void(PrefixListsStatus)>& notify) const
{
    ComplexResult result;
    // No positions: the empty row is cut into no words.
    if (cells <= 0) {
        result.bCut = true;
        return result;
    }
    const auto n = static_cast<std::size_t>(cells);
    result.text.assign(n, ' ');
    // Without variants no list is ever built: every word cost stays -1.
    if (variants.empty())
        return result;
    const CDictNode* root = dictionary.GetRoot();
    const CPositionSlots slots(cells, variants, dictionary);
    CLiveLists live(slots, dictionary);

    // Word costs from every start a, for the ends a + 1 .. a + reach[a]; later ends have none.
    std::vector<std::uint32_t> wordCosts;
    std::vector<std::size_t> rowStart(n + 1, 0);
    std::vector<int> reach(n, 0);
    std::vector<LiveEntry> prev, next;
    for (int a = 0; a < cells; ++a) {
        rowStart[a] = wordCosts.size();
        if (root == nullptr) {
            notify(PrefixListsStatus::NoDictionary);
            continue;
        }
        prev.assign(1, LiveEntry{root, 0, 0, 0});
        for (int k = a + 1; k <= cells; ++k) {
            const std::uint32_t least = live.Extend(prev, k - 1, next);
            if (next.empty())
                break;
            wordCosts.push_back(least);
            prev.swap(next);
        }
        reach[a] = static_cast<int>(wordCosts.size() - rowStart[a]);
    }

    // Least cost of cutting positions 0..i - 1 into words, and where its last word starts.
    // Each start hands its word costs on to the ends it reaches; the starts come in
    // ascending order and only a strictly smaller sum replaces, so among equal sums the
    // earliest start (the longest last word) stays.
    std::vector<std::uint32_t> least(n + 1, kNoPath);
    std::vector<int> lastStart(n + 1, -1);
    least[0] = 0;
    lastStart[0] = 0;
    for (int j = 0; j < cells; ++j) {
        if (least[j] == kNoPath)
            continue;
        const std::uint32_t* word = wordCosts.data() + rowStart[j];
        for (int length = 1; length <= reach[j]; ++length) {
            const std::uint32_t total = AddCosts(least[j], word[length - 1]);
            if (total < least[j + length]) {
                least[j + length] = total;
                lastStart[j + length] = j;
            }
        }
    }

    std::vector<int> bounds{cells};
    for (int m = cells; m != 0;) {
        if (lastStart[m] == -1) {
            if (root != nullptr) {
                std::vector<std::int32_t> row(n + 1, -1);
                BuildLists(lists, cells - 1, cells, slots, dictionary, row.data());
            } else {
                lists.clear();
                lists.resize(n + 1);
            }
            return result;
        }
        m = lastStart[m];
        bounds.push_back(m);
    }

    // bounds runs from the end back to 0: the words from the last to the first.
    std::vector<std::vector<LiveEntry>> levels;
    result.words.resize(bounds.size() - 1);
    result.totalCost = least[n];
    for (std::size_t w = 0; w + 1 < bounds.size(); ++w) {
        const int e = bounds[w];
        const int a = bounds[w + 1];
        result.words[bounds.size() - 2 - w] = {a, e, wordCosts[rowStart[a] + static_cast<std::size_t>(e - a - 1)]};
        levels.resize(static_cast<std::size_t>(e - a) + 1);
        levels[0].assign(1, LiveEntry{root, 0, 0, 0});
        for (int k = a + 1; k <= e; ++k)
            live.Extend(levels[k - 1 - a], k - 1, levels[k - a]);

        const std::vector<LiveEntry>& ends = levels[e - a];
        std::size_t x = 0;
        bool found = false;
        for (std::size_t i = 0; i < ends.size(); ++i)
            if (ends[i].node->IsWordEnd() && (!found || ends[i].cost < ends[x].cost)) {
                x = i;
                found = true;
            }
        for (int i = e - 1; i >= a; --i) {
            const LiveEntry& entry = levels[i + 1 - a][x];
            result.text[i] = static_cast<char>(VariantsAt(variants, i).m_Codes[entry.slot]);
            x = static_cast<std::size_t>(entry.parent);
        }
    }
    result.bCut = true;
    std::vector<std::int32_t> row(n + 1, -1);
    BuildLists(lists, 0, cells, slots, dictionary, row.data());
    return result;
}
