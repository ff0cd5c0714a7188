#include "CDictionary.h"

#include "CDictionaryImage.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A growable block of nodes in one allocation. It grows through realloc, which the C library
// may serve by remapping pages instead of copying them.
class CNodeBlock {
public:
    CNodeBlock() = default;
    CNodeBlock(const CNodeBlock& other) { CopyFrom(other); }
    CNodeBlock& operator=(const CNodeBlock& other)
    {
        if (this != &other) {
            CNodeBlock copy(other);
            swap(copy);
        }
        return *this;
    }
    ~CNodeBlock() { std::free(m_pData); }

    std::size_t size() const { return m_nSize; }
    std::size_t capacity() const { return m_nCapacity; }
    CDictNode* data() { return m_pData; }
    const CDictNode* data() const { return m_pData; }
    CDictNode& operator[](std::size_t i) { return m_pData[i]; }
    const CDictNode& operator[](std::size_t i) const { return m_pData[i]; }
    void swap(CNodeBlock& other) noexcept
    {
        std::swap(m_pData, other.m_pData);
        std::swap(m_nSize, other.m_nSize);
        std::swap(m_nCapacity, other.m_nCapacity);
    }

    // Room for n nodes; throws std::bad_alloc, keeping the block, when memory runs out.
    void reserve(std::size_t n)
    {
        if (n <= m_nCapacity)
            return;
        if (n > SIZE_MAX / sizeof(CDictNode))
            throw std::bad_alloc();
        void* grown = std::realloc(m_pData, n * sizeof(CDictNode));
        if (!grown)
            throw std::bad_alloc();
        m_pData = static_cast<CDictNode*>(grown);
        m_nCapacity = n;
    }
    // Appends n nodes, left unset, and returns the first of them; grows by half when full.
    CDictNode* Extend(std::size_t n)
    {
        if (m_nSize + n > m_nCapacity)
            reserve(std::max(m_nSize + n, m_nCapacity + m_nCapacity / 2 + 64));
        CDictNode* at = m_pData + m_nSize;
        m_nSize += n;
        return at;
    }
    void push_back(CDictNode node) { *Extend(1) = node; }
    void emplace_back() { push_back(CDictNode{}); }
    // Just the root, as a value-initialised node or as given.
    void assign(std::size_t n, CDictNode node)
    {
        m_nSize = 0;
        reserve(n);
        for (std::size_t i = 0; i < n; ++i)
            m_pData[i] = node;
        m_nSize = n;
    }

private:
    void CopyFrom(const CNodeBlock& other)
    {
        reserve(other.m_nSize);
        if (other.m_nSize > 0)
            std::memcpy(static_cast<void*>(m_pData), other.m_pData, other.m_nSize * sizeof(CDictNode));
        m_nSize = other.m_nSize;
    }

    CDictNode* m_pData = nullptr;
    std::size_t m_nSize = 0;
    std::size_t m_nCapacity = 0;
};

using NodeBlock = CNodeBlock;

}  // namespace

// The node block with what it was built from. The nodes are its own block, or an image
// mapped read-only from a file, copied into a block before any change.
struct CDictionary::Tree {
    NodeBlock nodes;  // the root first; children of a node side by side
    std::unique_ptr<CDictionaryImage> image;  // when set, the nodes, and the block is empty
    std::size_t nGarbage = 0;      // nodes left behind when AddWord moved a child block
    int nMaxWordLength = 0;

    Tree() = default;
    // A copy has a block of its own, whatever the original held.
    Tree(const Tree& other) : nodes(other.nodes), nGarbage(other.nGarbage), nMaxWordLength(other.nMaxWordLength)
    {
        if (other.image) {
            nodes.assign(0, CDictNode{});
            nodes.reserve(other.image->Count());
            CDictNode* to = nodes.Extend(other.image->Count());
            std::memcpy(static_cast<void*>(to), other.image->Nodes(), other.image->Count() * sizeof(CDictNode));
        }
    }
    Tree& operator=(const Tree&) = delete;

    const CDictNode* Data() const { return image ? image->Nodes() : nodes.data(); }
    std::size_t Size() const { return image ? image->Count() : nodes.size(); }
    // No entry yet: the root alone, ending no word.
    bool Empty() const { return Size() - nGarbage <= 1 && !Data()[0].m_nWordEnd; }
};

namespace {

// Longest line content kept, counted from the first non-space character.
constexpr std::size_t kMaxLineLength = 998;
// Keys of the entry text: slot + 1 for a character, 0 after the last one.
constexpr int kKeys = 34;

// One entry of a load: its keys start at off in the entry text and end with a 0.
struct Entry {
    std::uint32_t off;
};

// The number of keys of the entry at keys.
std::uint32_t KeyCount(const std::uint8_t* keys)
{
    return static_cast<std::uint32_t>(std::strlen(reinterpret_cast<const char*>(keys)));
}

// The entries of one load, as keys, in the order they were read.
using Entries = std::vector<Entry>;

// The keys of the entries of a load, one after the other: bytes that grow by half when
// full, and whose new bytes are left for the writer to set.
class CKeyText {
public:
    CKeyText() = default;
    CKeyText(const CKeyText&) = delete;
    CKeyText& operator=(const CKeyText&) = delete;
    ~CKeyText() { std::free(m_pData); }

    std::size_t size() const { return m_nSize; }
    std::size_t capacity() const { return m_nCapacity; }
    std::uint8_t* data() { return m_pData; }
    const std::uint8_t* data() const { return m_pData; }
    std::uint8_t& operator[](std::size_t i) { return m_pData[i]; }

    void reserve(std::size_t n)
    {
        if (n <= m_nCapacity)
            return;
        void* grown = std::realloc(m_pData, n);
        if (!grown)
            throw std::bad_alloc();
        m_pData = static_cast<std::uint8_t*>(grown);
        m_nCapacity = n;
    }
    // Appends n bytes, left unset, and returns the first of them.
    std::uint8_t* Extend(std::size_t n)
    {
        if (m_nSize + n > m_nCapacity)
            reserve(std::max(m_nSize + n, m_nCapacity + m_nCapacity / 2 + 4096));
        std::uint8_t* at = m_pData + m_nSize;
        m_nSize += n;
        return at;
    }
    // Keeps the first n bytes; n is at most size().
    void Truncate(std::size_t n) { m_nSize = n; }
    // Zeros eight bytes past the end, so that readers of eight bytes at a time stay inside.
    void Pad()
    {
        const std::size_t size = m_nSize;
        std::memset(Extend(8), 0, 8);
        m_nSize = size;
    }
    void push_back(std::uint8_t byte) { *Extend(1) = byte; }
    void Append(const char* from, std::size_t n)
    {
        if (n > 0)
            std::memcpy(Extend(n), from, n);
    }

private:
    std::uint8_t* m_pData = nullptr;
    std::size_t m_nSize = 0;
    std::size_t m_nCapacity = 0;
};

struct EntryList {
    CKeyText text;
    Entries entries;
};

// Sorts entries by their keys, shorter before longer on a common prefix: a radix sort from
// the first key on, with insertion sort for short runs.
void SortEntries(Entries& entries, const std::uint8_t* text)
{
    const std::size_t n = entries.size();
    Entries scratch(n);
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
                const Entry e = entries[i];
                std::size_t j = i;
                for (; j > run.lo; --j) {
                    const std::uint8_t* p = text + entries[j - 1].off + run.depth;
                    const std::uint8_t* q = text + e.off + run.depth;
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
            const std::uint8_t key = text[entries[i].off + run.depth];
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

// lcp[i]: the number of leading keys that sorted entry i shares with entry i - 1 (0 for i = 0).
std::vector<std::uint32_t> CommonPrefixes(const Entries& entries, const std::uint8_t* text)
{
    std::vector<std::uint32_t> lcp(entries.size(), 0);
    for (std::size_t i = 1; i < entries.size(); ++i) {
        const std::uint8_t* p = text + entries[i - 1].off;
        const std::uint8_t* q = text + entries[i].off;
        std::uint32_t k = 0;
        while (p[k] == q[k] && p[k] != 0)
            ++k;
        lcp[i] = k;
    }
    return lcp;
}

// Nodes of the tree of the sorted entries that begin before limit in the entry text, the
// root included: each entry adds the prefixes it does not share with the kept one before it.
std::uint64_t NodesOf(const Entries& entries, const std::uint8_t* text, const std::vector<std::uint32_t>& lcp,
                      std::uint32_t limit)
{
    std::uint64_t nodes = 1;
    std::uint32_t shared = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        shared = std::min(shared, lcp[i]);
        if (entries[i].off >= limit)
            continue;
        nodes += KeyCount(text + entries[i].off) - shared;
        shared = UINT32_MAX;
    }
    return nodes;
}

// Room kept in a fresh block for the one-space word: the root's block may move once.
constexpr std::size_t kSpaceRoom = 40;

// Whether a node lies in memory as one word of child mask (bits 0-32), word end (bit 33) and
// first child (bits 34-63), as the usual ABIs place the bit-fields: then the layout reads and
// writes it as that word.
const bool kPackedAsWord = [] {
    CDictNode node{};
    node.m_nChildMask = 1;
    node.m_nWordEnd = 1;
    node.m_nFirstChild = 1;
    std::uint64_t word = 0;
    static_assert(sizeof node == sizeof word);
    std::memcpy(&word, &node, sizeof word);
    return word == (std::uint64_t{1} | std::uint64_t{1} << 33 | std::uint64_t{1} << 34);
}();

// How many leading bytes a and b share, of their first most, eight at a time.
std::size_t SharedBytes(const std::uint8_t* a, const std::uint8_t* b, std::size_t most)
{
    std::size_t same = 0;
    while (same + 8 <= most) {
        std::uint64_t x = 0;
        std::uint64_t y = 0;
        std::memcpy(&x, a + same, 8);
        std::memcpy(&y, b + same, 8);
        if (x != y) {
            const int bit = std::endian::native == std::endian::little ? std::countr_zero(x ^ y) : std::countl_zero(x ^ y);
            return same + static_cast<std::size_t>(bit) / 8;
        }
        same += 8;
    }
    while (same < most && a[same] == b[same])
        ++same;
    return same;
}

// Lays a tree out depth after depth from grouped entries whose node count per depth is known
// beforehand: the nodes of a depth follow those of the depth above, and each node is written
// once, where it lies. A node's children come side by side at the end of their depth, as its
// first child opens them; a child whose slot lies below those met before moves them up one.
// Nodes are handled as words of child mask, word end and first child (see kPackedAsWord).
class CLevelLayout {
public:
    // Adds to steps that depths shared + 1 to keys each gain a node: the count of a depth is
    // the sum of the steps up to it.
    static void Count(std::vector<std::int64_t>& steps, std::size_t shared, std::size_t keys)
    {
        ++steps[shared + 1];
        --steps[keys + 1];
    }

    // Whether entries come grouped, checked as they are counted: per depth the slots of the
    // children met so far of the path's node there. Only where an entry leaves the path can it
    // come back to a prefix met before.
    class CGroupCheck {
    public:
        CGroupCheck() : m_Masks(kMaxLineLength + 3, 0) {}
        // The entry shares shared keys with the one before and has keys keys; slotAt(d) is the
        // slot of its key d. False when it comes back to a prefix left before.
        template <class SlotAt>
        bool Entry(std::size_t shared, std::size_t keys, SlotAt slotAt)
        {
            if (shared == keys)
                return true;
            const std::uint64_t bit = std::uint64_t{1} << slotAt(shared);
            if (m_Masks[shared] & bit)
                return false;
            m_Masks[shared] |= bit;
            for (std::size_t d = shared + 1; d < keys; ++d)
                m_Masks[d] = std::uint64_t{1} << slotAt(d);
            m_Masks[keys] = 0;
            return true;
        }
        // The same in steps, as a line is read: the key where it leaves the path (false when
        // it comes back to a prefix left before), each later key, and the count of its keys.
        bool Leave(std::size_t d, std::uint32_t slot)
        {
            const std::uint64_t bit = std::uint64_t{1} << slot;
            if (m_Masks[d] & bit)
                return false;
            m_Masks[d] |= bit;
            return true;
        }
        void Then(std::size_t d, std::uint32_t slot) { m_Masks[d] = std::uint64_t{1} << slot; }
        void End(std::size_t keys) { m_Masks[keys] = 0; }

    private:
        std::vector<std::uint64_t> m_Masks;
    };

    // Makes nodes the root and room for the nodes of every depth up to longest.
    CLevelLayout(NodeBlock& nodes, const std::vector<std::int64_t>& steps, std::size_t longest)
        : m_Next(longest + 2, 0), m_Path(longest + 2, 0)
    {
        std::size_t total = 1;
        std::int64_t count = 0;
        for (std::size_t depth = 1; depth <= longest; ++depth) {
            count += steps[depth];
            m_Next[depth] = total;
            total += static_cast<std::size_t>(count);
        }
        nodes.assign(0, CDictNode{});
        nodes.reserve(total + kSpaceRoom);
        m_pBlock = nodes.Extend(total);
        Store(0, 0);
    }

    // Opens the child in slot of the path's node at depth d, as the path's node at depth d + 1;
    // false when that node had such a child already, met and left before.
    bool Open(std::size_t d, std::uint32_t slot)
    {
        const std::uint64_t bit = std::uint64_t{1} << slot;
        const std::size_t parent = m_Path[d];
        std::uint64_t word = Load(parent);
        const std::uint64_t mask = word & kSlotBits;
        if (mask & bit)
            return false;
        std::size_t child = m_Next[d + 1]++;
        if (mask == 0) {
            word |= std::uint64_t{child} << 34;
        } else if (mask > bit) {
            const std::size_t first = word >> 34;
            // The children below it are few: counted one by one.
            std::size_t place = first;
            for (std::uint64_t below = mask & (bit - 1); below != 0; below &= below - 1)
                ++place;
            // A few nodes at most (the block so far): moved one by one, no call.
            for (std::size_t k = child; k > place; --k)
                Store(k, Load(k - 1));
            child = place;
        }
        Store(parent, word | bit);
        Store(child, 0);
        m_Path[d + 1] = child;
        return true;
    }
    // Marks the path's node at depth d as the end of a word.
    void EndWord(std::size_t d) { Store(m_Path[d], Load(m_Path[d]) | std::uint64_t{1} << 33); }

private:
    static constexpr std::uint64_t kSlotBits = (std::uint64_t{1} << 33) - 1;

    std::uint64_t Load(std::size_t i) const
    {
        std::uint64_t word = 0;
        if (kPackedAsWord) {
            std::memcpy(&word, m_pBlock + i, sizeof word);
        } else {
            const CDictNode& node = m_pBlock[i];
            word = node.ChildMask() | std::uint64_t{node.m_nWordEnd} << 33 | std::uint64_t{node.m_nFirstChild} << 34;
        }
        return word;
    }
    void Store(std::size_t i, std::uint64_t word)
    {
        if (kPackedAsWord) {
            std::memcpy(static_cast<void*>(m_pBlock + i), &word, sizeof word);
        } else {
            CDictNode node{};
            node.m_nChildMask = word & kSlotBits;
            node.m_nWordEnd = (word >> 33) & 1;
            node.m_nFirstChild = word >> 34;
            m_pBlock[i] = node;
        }
    }

    CDictNode* m_pBlock = nullptr;
    std::vector<std::size_t> m_Next;  // where the next node of each depth goes
    std::vector<std::size_t> m_Path;  // the path's node of each depth
};

// How many leading keys two entries share. Both end with a 0 and have eight readable bytes
// past it; on a little-endian machine eight keys are compared at a time.
std::size_t SharedKeys(const std::uint8_t* a, const std::uint8_t* b)
{
    std::size_t same = 0;
    if constexpr (std::endian::native == std::endian::little) {
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
    while (a[same] == b[same] && a[same] != 0)
        ++same;
    return same;
}

// Lays out the tree of grouped entries and finds their longest one. The text has eight
// readable bytes past its last entry. False, with nodes undefined, when they do not come
// grouped; sorted entries always do, and are not checked.
bool BuildNodes(NodeBlock& nodes, const Entries& entries, const std::uint8_t* text, int& maxLength, bool sorted)
{
    // Two passes: the keys each entry shares with the one before and the nodes per depth,
    // then the nodes.
    std::vector<std::uint16_t> shares(entries.size());
    std::vector<std::int64_t> perDepth(kMaxLineLength + 3, 0);
    CLevelLayout::CGroupCheck groups;
    std::size_t longest = 0;
    const std::uint8_t* previous = nullptr;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::uint8_t* keys = text + entries[i].off;
        const std::size_t shared = previous ? SharedKeys(keys, previous) : 0;
        const std::size_t count = shared + KeyCount(keys + shared);
        shares[i] = static_cast<std::uint16_t>(shared);
        if (!sorted && !groups.Entry(shared, count, [keys](std::size_t k) { return keys[k] - 1U; }))
            return false;
        if (count > shared)
            CLevelLayout::Count(perDepth, shared, count);
        longest = std::max(longest, count);
        previous = keys;
    }
    CLevelLayout layout(nodes, perDepth, longest);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::uint8_t* keys = text + entries[i].off;
        std::size_t d = shares[i];
        for (; keys[d] != 0; ++d)
            if (!layout.Open(d, keys[d] - 1U))
                return false;
        layout.EndWord(d);
    }
    maxLength = std::max(maxLength, static_cast<int>(longest));
    return true;
}

// Copies the live nodes of from into to, laid out afresh: the blocks that AddWord left behind
// are dropped.
void CopyLive(const NodeBlock& from, NodeBlock& to)
{
    to.assign(1, from[0]);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pending{{0, 0}};  // (to, from)
    while (!pending.empty()) {
        const auto [t, f] = pending.back();
        pending.pop_back();
        const CDictNode& source = from[f];
        std::uint64_t mask = source.ChildMask();
        const auto first = static_cast<std::uint32_t>(to.size());
        for (std::uint32_t k = 0; mask != 0; mask &= mask - 1, ++k) {
            to.push_back(from[source.m_nFirstChild + k]);
            pending.emplace_back(first + k, source.m_nFirstChild + k);
        }
        to[t].m_nFirstChild = first;
    }
}

// Bytes from memory.
class CTextSource {
public:
    explicit CTextSource(std::string_view text) : m_Text(text) {}
    bool Open() { return true; }
    std::size_t SizeHint() const { return m_Text.size(); }
    // The whole text at once, when the source holds it.
    std::optional<std::string_view> Whole() const { return m_Text; }
    void ReleaseWhole() {}
    // Up to size bytes into buffer; 0 at the end, -1 on an error.
    long Read(char* buffer, std::size_t size)
    {
        const std::size_t n = std::min(size, m_Text.size() - m_nAt);
        std::memcpy(buffer, m_Text.data() + m_nAt, n);
        m_nAt += n;
        return static_cast<long>(n);
    }

private:
    std::string_view m_Text;
    std::size_t m_nAt = 0;
};

// Bytes of a file: a regular file up to kWholeBytes is read whole at once, anything else in
// pieces.
class CFileSource {
public:
    static constexpr std::size_t kWholeBytes = std::size_t{64} << 20;

    explicit CFileSource(const std::string& path) : m_strPath(path) {}
    ~CFileSource()
    {
        if (m_nFd >= 0)
            ::close(m_nFd);
    }
    CFileSource(const CFileSource&) = delete;
    CFileSource& operator=(const CFileSource&) = delete;

    bool Open()
    {
        do
            m_nFd = ::open(m_strPath.c_str(), O_RDONLY | O_CLOEXEC);
        while (m_nFd < 0 && errno == EINTR);
        struct stat info {};
        if (m_nFd >= 0 && ::fstat(m_nFd, &info) == 0 && S_ISREG(info.st_mode))
            m_nSize = static_cast<std::size_t>(info.st_size);
        if (m_nFd >= 0 && S_ISREG(info.st_mode) && m_nSize <= kWholeBytes)
            ReadWhole();
        return m_nFd >= 0;
    }
    std::size_t SizeHint() const { return m_nSize; }
    std::optional<std::string_view> Whole() const
    {
        if (!m_bWhole)
            return std::nullopt;
        return std::string_view(m_pWhole.get(), m_nWholeSize);
    }
    // Frees the whole text once it has been read into entries.
    void ReleaseWhole()
    {
        m_pWhole.reset();
        m_nWholeSize = 0;
        m_bWhole = false;
    }
    long Read(char* buffer, std::size_t size)
    {
        if (m_bFailed)
            return -1;
        for (;;) {
            const ssize_t n = ::read(m_nFd, buffer, size);
            if (n >= 0 || errno != EINTR)
                return static_cast<long>(n);
        }
    }

private:
    // Reads the file whole when it still has the size it had when opened; a file that grew
    // meanwhile is read in pieces from its start instead.
    void ReadWhole()
    {
        // Plain malloc: a file too large for memory is read in pieces instead.
        m_pWhole.reset(static_cast<char*>(std::malloc(m_nSize + 1)));
        if (!m_pWhole)
            return;
        std::size_t at = 0;
        while (at < m_nSize + 1) {
            const long n = Read(m_pWhole.get() + at, m_nSize + 1 - at);
            if (n < 0) {
                m_bFailed = true;
                return;
            }
            if (n == 0)
                break;
            at += static_cast<std::size_t>(n);
        }
        if (at > m_nSize) {
            m_pWhole.reset();
            if (::lseek(m_nFd, 0, SEEK_SET) != 0)
                m_bFailed = true;
            return;
        }
        m_nWholeSize = at;
        m_bWhole = true;
    }

    std::string m_strPath;
    int m_nFd = -1;
    std::size_t m_nSize = 0;
    struct Free {
        void operator()(char* p) const { std::free(p); }
    };
    std::unique_ptr<char, Free> m_pWhole;
    std::size_t m_nWholeSize = 0;
    bool m_bWhole = false;
    bool m_bFailed = false;  // a read failed: the load fails
};

// What makes the entry of the line from b to e: without the CR before its LF (only a line
// that ends at an LF drops it), trimmed of spaces, at most kMaxLineLength bytes from its first
// non-space one.
std::string_view LineContent(const char* b, const char* e, bool atLf)
{
    if (atLf && e > b && e[-1] == '\r')
        --e;
    while (b < e && *b == ' ')
        ++b;
    if (static_cast<std::size_t>(e - b) > kMaxLineLength)
        e = b + kMaxLineLength;
    while (e > b && e[-1] == ' ')
        --e;
    return {b, static_cast<std::size_t>(e - b)};
}

// Reads the lines of source into list as LoadWords defines them. False on a read error.
// Stops keeping lines at the bounds; counts them to the end in any case.
template <class Source>
bool ReadLines(Source& source, const std::uint8_t* slots, EntryList& list, DictionaryLoadReport& report)
{
    constexpr std::size_t kChunk = std::size_t{1} << 20;
    std::uint8_t keyOf[256];
    for (int code = 0; code < 256; ++code)
        keyOf[code] = static_cast<std::uint8_t>(slots[code] + 1);
    // A source that holds its whole text is read in place, as one piece.
    const std::optional<std::string_view> whole = source.Whole();
    const std::size_t chunkSize = whole ? 0 : std::clamp<std::size_t>(source.SizeHint() + 1, 4096, kChunk);
    const std::unique_ptr<char[]> chunk(whole ? nullptr : new char[chunkSize]);
    // Each line gains a space and an end mark for its line end: room for short lines.
    const std::size_t hint = source.SizeHint();
    list.text.reserve(std::min(list.text.size() + hint + hint / 4 + 16, CDictionary::kMaxTextBytes + 1024));
    list.entries.reserve(list.entries.size() + std::min<std::size_t>(hint / 8 + 16, CDictionary::kMaxWords));
    bool wholeRead = false;
    const std::size_t entriesBefore = list.entries.size();

    bool keeping = true;
    bool leading = true;         // still at the spaces that open the line
    std::size_t lineStart = 0;   // where the current line's bytes begin in list.text
    std::size_t lineLength = 0;  // bytes of the line kept so far (at most kMaxLineLength)
    bool lastCr = false;         // the line's last byte so far is a CR that was kept
    bool lineHasBytes = false;   // anything (spaces included) since the last LF

    const auto startLine = [&] {
        leading = true;
        lineStart = list.text.size();
        lineLength = 0;
        lastCr = false;
        lineHasBytes = false;
        if (keeping && (list.entries.size() - entriesBefore >= CDictionary::kMaxWords ||
                        list.text.size() + kMaxLineLength + 2 > CDictionary::kMaxTextBytes))
            keeping = false;
    };
    // Ends the line: trims it, turns its bytes into keys and appends the space.
    const auto endLine = [&](bool atLf) {
        if (!keeping)
            return;
        std::size_t end = lineStart + lineLength;
        if (atLf && lastCr)
            --end;
        while (end > lineStart && list.text[end - 1] == ' ')
            --end;
        list.text.Truncate(end);
        for (std::size_t i = lineStart; i < end; ++i)
            list.text[i] = static_cast<std::uint8_t>(slots[list.text[i]] + 1);
        list.text.push_back(static_cast<std::uint8_t>(slots[static_cast<std::uint8_t>(' ')] + 1));
        list.text.push_back(0);
        list.entries.push_back({static_cast<std::uint32_t>(lineStart)});
    };

    startLine();
    for (;;) {
        const char* p = nullptr;
        long got = 0;
        if (whole) {
            if (wholeRead)
                break;
            wholeRead = true;
            p = whole->data();
            got = static_cast<long>(whole->size());
        } else {
            got = source.Read(chunk.get(), chunkSize);
            p = chunk.get();
        }
        if (got < 0)
            return false;
        if (got == 0)
            break;
        const char* const stop = p + got;
        while (p < stop) {
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(stop - p)));
            // A whole line in the piece read: trimmed, cut and turned into keys in one go.
            if (lf && keeping && !lineHasBytes) {
                const std::string_view content = LineContent(p, lf, true);
                const char* b = content.data();
                const char* e = b + content.size();
                const std::size_t at = list.text.size();
                const auto length = static_cast<std::size_t>(e - b);
                std::uint8_t* out = list.text.Extend(length + 2);
                for (std::size_t i = 0; i < length; ++i)
                    out[i] = keyOf[static_cast<std::uint8_t>(b[i])];
                out[length] = keyOf[static_cast<std::uint8_t>(' ')];
                out[length + 1] = 0;
                list.entries.push_back({static_cast<std::uint32_t>(at)});
                ++report.nLines;
                p = lf + 1;
                startLine();
                continue;
            }
            const char* segmentEnd = lf ? lf : stop;
            if (segmentEnd > p)
                lineHasBytes = true;
            if (keeping) {
                const char* q = p;
                if (leading) {
                    while (q < segmentEnd && *q == ' ')
                        ++q;
                    if (q < segmentEnd)
                        leading = false;
                }
                if (q < segmentEnd) {
                    const std::size_t take = std::min<std::size_t>(kMaxLineLength - lineLength, static_cast<std::size_t>(segmentEnd - q));
                    list.text.Append(q, take);
                    lineLength += take;
                    // A CR counts as the one before the LF only when it is the line's last byte.
                    lastCr = take == static_cast<std::size_t>(segmentEnd - q) && q[take - 1] == '\r';
                }
            }
            if (!lf) {
                p = stop;
                break;
            }
            endLine(true);
            ++report.nLines;
            p = lf + 1;
            startLine();
        }
    }
    // What follows the last LF is a line too, the empty remainder included.
    endLine(false);
    if (lineHasBytes)
        ++report.nLines;
    report.bComplete = keeping;
    return true;
}

// What BuildFromLines made of a text.
enum class LinesLayout { kBuilt, kNotGrouped, kPastBound };

// Whether a line of text holds more than kMaxLineLength bytes.
bool HasLongLine(std::string_view text)
{
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t lf = text.find('\n', from);
        if (lf == std::string_view::npos)
            lf = text.size();
        if (lf - from > kMaxLineLength)
            return true;
        from = lf + 1;
    }
    return false;
}

// Lists below this size cannot reach a bound, whatever their lines.
constexpr std::size_t kSmallList = std::size_t{1} << 21;

// BuildFromLines for a small list with nothing to trim: no space, no CR, every line ended by
// an LF. Each line is read once, byte by byte, as it is compared and laid out.
LinesLayout BuildFromCleanLines(std::string_view text, const std::uint8_t* slots, NodeBlock& nodes,
                                DictionaryLoadReport& report, int& maxLength)
{
    std::uint8_t slotOf[256];
    std::copy(slots, slots + 256, slotOf);
    slotOf[static_cast<std::uint8_t>('\n')] = slots[static_cast<std::uint8_t>(' ')];
    // What follows the last LF is an empty entry, the one-space word: a line of its own here.
    static const std::uint8_t kLastLine[1] = {'\n'};
    const auto* const begin = reinterpret_cast<const std::uint8_t*>(text.data());
    const std::uint8_t* const stop = begin + text.size();

    // First pass: the keys each line shares with the line before, and the nodes of each depth.
    // Equal bytes have equal slots; past them the slots may still agree.
    std::vector<std::uint16_t> shares;
    shares.reserve(text.size() / 8 + 2);
    std::vector<std::int64_t> perDepth(kMaxLineLength + 3, 0);
    CLevelLayout::CGroupCheck groups;
    std::size_t longest = 1;
    std::size_t lines = 0;
    const std::uint8_t* previous = nullptr;
    for (const std::uint8_t* line = begin;;) {
        const bool last = line == stop;
        if (last)
            line = kLastLine;
        std::size_t d = 0;
        bool ended = false;  // the line's LF is among the shared keys
        if (previous) {
            // Eight bytes at a time while they lie in the text: up to the first that differs
            // or is the line's LF.
            if constexpr (std::endian::native == std::endian::little) {
                const auto room = static_cast<std::size_t>(last ? 0 : stop - line);
                while (d + 8 <= room) {
                    std::uint64_t x = 0;
                    std::uint64_t y = 0;
                    std::memcpy(&x, line + d, 8);
                    std::memcpy(&y, previous + d, 8);
                    const std::uint64_t lf = x ^ 0x0A0A0A0A0A0A0A0AULL;
                    const std::uint64_t halt = (x ^ y) | ((lf - 0x0101010101010101ULL) & ~lf & 0x8080808080808080ULL);
                    if (halt != 0) {
                        d += static_cast<std::size_t>(std::countr_zero(halt)) / 8;
                        break;
                    }
                    d += 8;
                }
            }
            while (line[d] == previous[d] && line[d] != '\n')
                ++d;
            while (slotOf[line[d]] == slotOf[previous[d]]) {
                const bool end = line[d] == '\n';
                const bool previousEnd = previous[d++] == '\n';
                if (end || previousEnd) {
                    ended = end;
                    break;
                }
            }
        }
        shares.push_back(static_cast<std::uint16_t>(d));
        std::size_t keys = d;
        if (!ended) {
            // The keys from d on, up to the LF, which must come within a kept line.
            if (!groups.Leave(d, slotOf[line[d]]))
                return LinesLayout::kNotGrouped;
            if (line[keys] != '\n') {
                for (std::uint8_t c = line[++keys]; c != '\n'; c = line[++keys]) {
                    if (keys >= kMaxLineLength)
                        return LinesLayout::kNotGrouped;
                    groups.Then(keys, slotOf[c]);
                }
                if (keys > kMaxLineLength)
                    return LinesLayout::kNotGrouped;
                groups.Then(keys, slotOf['\n']);
            }
            groups.End(++keys);
            CLevelLayout::Count(perDepth, d, keys);
        }
        longest = std::max(longest, keys);
        if (last)
            break;
        ++lines;
        previous = line;
        line += keys;
    }

    // Second pass: the nodes, each written once.
    CLevelLayout layout(nodes, perDepth, longest);
    std::size_t at = 0;
    for (const std::uint8_t* line = begin;; ++at) {
        const bool last = line == stop;
        if (last)
            line = kLastLine;
        std::size_t d = shares[at];
        // Unless its LF is among the shared keys, the line opens a node per key from there on.
        if (d == 0 || line[d - 1] != '\n') {
            for (;;) {
                const std::uint8_t c = line[d];
                if (!layout.Open(d++, slotOf[c]))
                    return LinesLayout::kNotGrouped;
                if (c == '\n')
                    break;
            }
        }
        layout.EndWord(d);
        if (last)
            break;
        line += d;
    }
    maxLength = std::max(maxLength, static_cast<int>(longest));
    report.nLines = lines;
    report.nKept = lines;
    report.bComplete = true;
    return LinesLayout::kBuilt;
}

// Lays out the tree of the lines of text, read as ReadLines reads them, straight from the
// text when they come grouped: no entry list is made. kNotGrouped and kPastBound leave nodes
// undefined; at a bound the entry list decides what is kept.
LinesLayout BuildFromLines(std::string_view text, const std::uint8_t* slots, NodeBlock& nodes,
                           DictionaryLoadReport& report, int& maxLength)
{
    if (!text.empty() && text.size() < kSmallList && text.back() == '\n' &&
        !std::memchr(text.data(), ' ', text.size()) && !std::memchr(text.data(), '\r', text.size())) {
        const LinesLayout made = BuildFromCleanLines(text, slots, nodes, report, maxLength);
        // A line too long to keep whole is cut below; a list that is not grouped is not.
        if (made == LinesLayout::kNotGrouped && !HasLongLine(text))
            return made;
        if (made == LinesLayout::kBuilt)
            return made;
        report = {};
        report.bRead = true;
        maxLength = 0;
    }
    const std::uint8_t space = slots[static_cast<std::uint8_t>(' ')];
    // Each line's entry: its content's slots, then the space.
    struct Line {
        const std::uint8_t* bytes;
        std::size_t length;  // of the content
        std::uint32_t Key(std::size_t i, const std::uint8_t* slotOf, std::uint8_t closing) const
        {
            return i < length ? slotOf[bytes[i]] : closing;
        }
    };
    // Calls each(line) for every line of text, the empty remainder after the last LF included;
    // stops early when each returns false. Returns the number of lines as wc -l counts them
    // (an unended last line with bytes too).
    const auto forEachLine = [&](auto each) -> std::optional<std::size_t> {
        std::size_t lines = 0;
        const char* p = text.data();
        const char* const stop = p + text.size();
        for (;;) {
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(stop - p)));
            const std::string_view content = LineContent(p, lf ? lf : stop, lf != nullptr);
            if (!each(Line{reinterpret_cast<const std::uint8_t*>(content.data()), content.size()}))
                return std::nullopt;
            if (!lf)
                return lines + (p < stop);
            ++lines;
            p = lf + 1;
        }
    };

    // First pass: the bounds, the keys each line shares with the one before, the nodes per
    // depth, and whether the lines come grouped.
    std::vector<std::uint16_t> shares;
    std::vector<std::int64_t> perDepth(kMaxLineLength + 3, 0);
    CLevelLayout::CGroupCheck groups;
    std::uint64_t textBytes = 0;  // as ReadLines would hold them: keys and an end mark each
    std::uint64_t keys = 1;       // the root and a node per key, at most
    std::size_t longest = 0;
    LinesLayout failure = LinesLayout::kBuilt;
    std::optional<Line> previous;
    const std::optional<std::size_t> lines = forEachLine([&](const Line& line) {
        if (shares.size() >= CDictionary::kMaxWords || textBytes + kMaxLineLength + 2 > CDictionary::kMaxTextBytes)
            failure = LinesLayout::kPastBound;
        const std::size_t count = line.length + 1;
        keys += count;
        textBytes += line.length + 2;
        if (keys + 1 > CDictionary::kMaxNodes)
            failure = LinesLayout::kPastBound;
        if (failure != LinesLayout::kBuilt)
            return false;
        // Equal bytes have equal slots; past them the slots may still agree.
        std::size_t shared = 0;
        if (previous) {
            const std::size_t most = std::min(count, previous->length + 1);
            shared = SharedBytes(line.bytes, previous->bytes, std::min(line.length, previous->length));
            while (shared < most && line.Key(shared, slots, space) == previous->Key(shared, slots, space))
                ++shared;
        }
        if (!groups.Entry(shared, count, [&](std::size_t k) { return line.Key(k, slots, space); })) {
            failure = LinesLayout::kNotGrouped;
            return false;
        }
        if (count > shared)
            CLevelLayout::Count(perDepth, shared, count);
        shares.push_back(static_cast<std::uint16_t>(shared));
        longest = std::max(longest, count);
        previous = line;
        return true;
    });
    if (!lines)
        return failure;

    // Second pass: the nodes.
    CLevelLayout layout(nodes, perDepth, longest);
    std::size_t at = 0;
    if (!forEachLine([&](const Line& line) {
            std::size_t d = shares[at++];
            for (; d < line.length + 1; ++d)
                if (!layout.Open(d, line.Key(d, slots, space)))
                    return false;
            layout.EndWord(d);
            return true;
        }))
        return LinesLayout::kNotGrouped;
    maxLength = std::max(maxLength, static_cast<int>(longest));
    report.nLines = *lines;
    report.nKept = std::min(shares.size(), *lines);
    report.bComplete = true;
    return LinesLayout::kBuilt;
}

}  // namespace

CDictionary::CDictionary() = default;

CDictionary::~CDictionary() = default;

void CDictionary::UseTree(std::shared_ptr<Tree> tree)
{
    m_pTree = std::move(tree);
    m_pNodes = m_pTree ? m_pTree->Data() : nullptr;
}

CDictionary::Tree& CDictionary::OwnTree()
{
    if (m_pTree.use_count() > 1 || m_pTree->image)
        UseTree(std::make_shared<Tree>(*m_pTree));
    return *m_pTree;
}

bool CDictionary::SetAlphabet(int alphabet)
{
    const bool known = alphabet == 0 || alphabet == 1;
    // An unknown alphabet keeps the table and size but still starts an empty tree, as a
    // known one does; with no alphabet chosen yet there is no tree to make.
    if (!known && m_nAlphabetSize == 0)
        return false;
    const int size = !known ? m_nAlphabetSize : alphabet == 1 ? 27 : 33;

    auto tree = std::make_shared<Tree>();
    tree->nodes.assign(1, CDictNode{});

    if (alphabet == 1) {
        m_Slots[static_cast<std::uint8_t>(' ')] = 1;
        for (int code = 'b'; code <= 'z'; ++code)
            m_Slots[code] = static_cast<std::uint8_t>(code - 96);
    } else if (alphabet == 0) {
        for (int code = 224; code <= 255; ++code)
            m_Slots[code] = static_cast<std::uint8_t>(code - 224);
        m_Slots[184] = 32;
    }
    // Entries left from another alphabet keep their slot unless it lies past this one's table.
    for (std::uint8_t& slot : m_Slots) {
        if (slot >= size)
            slot = 0;
    }
    m_nAlphabetSize = size;
    UseTree(std::move(tree));
    return known;
}

void CDictionary::ShareTree(const CDictionary& other)
{
    if (&other == this)
        return;
    m_nAlphabetSize = other.m_nAlphabetSize;
    std::copy(std::begin(other.m_Slots), std::end(other.m_Slots), std::begin(m_Slots));
    UseTree(other.m_pTree);
}

void CDictionary::Clear()
{
    m_nAlphabetSize = 0;
    std::fill(std::begin(m_Slots), std::end(m_Slots), std::uint8_t{0});
    UseTree(nullptr);
    m_LastLoad = {};
}

bool CDictionary::AddWord(std::string_view text)
{
    if (!m_pNodes)
        return false;
    Insert(text.size(), [&](std::size_t i) { return m_Slots[static_cast<std::uint8_t>(text[i])]; });
    return true;
}

template <class SlotAt>
void CDictionary::Insert(std::size_t length, SlotAt slotAt)
{
    // Follows the entry as far as the tree has it.
    std::uint32_t node = 0;
    std::size_t i = 0;
    for (; i < length; ++i) {
        const CDictNode* child = ChildInSlot(m_pNodes + node, slotAt(i));
        if (child == &m_DeadEnd)
            break;
        node = static_cast<std::uint32_t>(child - m_pNodes);
    }

    const std::size_t newNodes = length - i;
    if (newNodes > 0) {
        // Everything is checked and reserved before the tree is touched, so a
        // std::bad_alloc leaves it as it was.
        const std::size_t live = NodeCount();
        if (newNodes > kMaxNodes - live)
            throw std::bad_alloc();
        Tree& tree = OwnTree();
        // Child blocks that were moved are dropped by a fresh layout once they outweigh the tree.
        if (tree.nGarbage > 1024 && tree.nGarbage > live) {
            NodeBlock fresh;
            fresh.reserve(live + newNodes + 64 + live / 4);
            CopyLive(tree.nodes, fresh);
            tree.nodes.swap(fresh);
            tree.nGarbage = 0;
            m_pNodes = tree.nodes.data();
            Insert(length, slotAt);
            return;
        }
        NodeBlock& nodes = tree.nodes;
        const std::uint64_t mask = nodes[node].ChildMask();
        const auto oldCount = static_cast<std::size_t>(PopCount(mask));
        const std::size_t grow = oldCount + newNodes;
        if (nodes.size() + grow > kMaxBlock)
            throw std::bad_alloc();
        if (nodes.size() + grow > nodes.capacity())
            nodes.reserve(std::max(nodes.size() + grow, nodes.size() + nodes.size() / 4 + 64));

        // The node's children move to the end, with the new child in its place among them.
        const int slot = slotAt(i);
        const std::uint64_t bit = std::uint64_t{1} << slot;
        const auto rank = static_cast<std::size_t>(PopCount(mask & (bit - 1)));
        const std::uint32_t oldFirst = nodes[node].m_nFirstChild;
        const auto newFirst = static_cast<std::uint32_t>(nodes.size());
        for (std::size_t c = 0; c < rank; ++c)
            nodes.push_back(nodes[oldFirst + c]);
        nodes.emplace_back();
        for (std::size_t c = rank; c < oldCount; ++c)
            nodes.push_back(nodes[oldFirst + c]);
        nodes[node].m_nFirstChild = newFirst;
        nodes[node].m_nChildMask = mask | bit;
        tree.nGarbage += oldCount;

        // The rest of the entry is a chain of single children.
        node = newFirst + static_cast<std::uint32_t>(rank);
        for (++i; i < length; ++i) {
            const std::uint64_t next = std::uint64_t{1} << slotAt(i);
            nodes[node].m_nFirstChild = static_cast<std::uint32_t>(nodes.size());
            nodes[node].m_nChildMask = next;
            node = static_cast<std::uint32_t>(nodes.size());
            nodes.emplace_back();
        }
    } else {
        OwnTree();
    }

    Tree& tree = *m_pTree;
    tree.nodes[node].m_nWordEnd = 1;
    tree.nMaxWordLength = std::max(tree.nMaxWordLength, static_cast<int>(std::min<std::size_t>(length, INT_MAX)));
    m_pNodes = tree.nodes.data();
}

template <class Source>
bool CDictionary::Load(Source& source)
{
    m_LastLoad = {};
    if (!m_pNodes || !source.Open())
        return false;

    DictionaryLoadReport report;
    report.bRead = true;
    const auto space = static_cast<std::uint8_t>(m_Slots[static_cast<std::uint8_t>(' ')] + 1);
    const bool empty = m_pTree->Empty();

    // Into an empty tree, a list held whole whose lines come grouped (a list sorted bytewise
    // mostly does) is laid out straight from its text.
    bool mayBeGrouped = true;
    if (const std::optional<std::string_view> whole = source.Whole(); whole && empty) {
        auto tree = std::make_shared<Tree>();
        const LinesLayout made = BuildFromLines(*whole, m_Slots, tree->nodes, report, tree->nMaxWordLength);
        if (made == LinesLayout::kBuilt) {
            source.ReleaseWhole();
            UseTree(std::move(tree));
            Insert(1, [&](std::size_t) { return space - 1; });
            m_LastLoad = report;
            return true;
        }
        mayBeGrouped = made != LinesLayout::kNotGrouped;
        report = {};
        report.bRead = true;
    }

    EntryList list;
    if (!ReadLines(source, m_Slots, list, report))
        return false;
    source.ReleaseWhole();
    const std::size_t lineEntries = list.entries.size();
    const auto keyAt = [&](const Entry& e) {
        return [&text = list.text, off = e.off](std::size_t i) { return text[off + i] - 1; };
    };

    if (!empty) {
        // Into a tree that holds entries already: one entry after the other, up to the bound.
        std::size_t kept = 0;
        try {
            for (const Entry& e : list.entries) {
                Insert(KeyCount(list.text.data() + e.off), keyAt(e));
                ++kept;
            }
        } catch (const std::bad_alloc&) {
            report.bComplete = false;
        }
        try {
            Insert(1, [&](std::size_t) { return space - 1; });
        } catch (const std::bad_alloc&) {
            report.bComplete = false;
        }
        report.nKept = std::min(kept, report.nLines);
        m_LastLoad = report;
        return report.bComplete;
    }

    // Into an empty tree. Entries that come grouped by prefix (a list sorted bytewise mostly
    // does) are laid out as they stand; others are sorted first.
    list.text.Pad();
    // Every entry holds its keys and an end mark.
    const std::uint64_t keys = 1 + list.text.size() - list.entries.size();
    auto tree = std::make_shared<Tree>();
    std::size_t keptEntries = lineEntries;
    bool built = false;
    if (keys + 1 <= kMaxNodes && mayBeGrouped)
        built = BuildNodes(tree->nodes, list.entries, list.text.data(), tree->nMaxWordLength, false);
    if (!built) {
        // Where each line's entry begins, kept only when the tree might pass its bound.
        std::vector<std::uint32_t> starts;
        if (keys + 1 > kMaxNodes)
            for (std::size_t i = 0; i < lineEntries; ++i)
                starts.push_back(list.entries[i].off);
        SortEntries(list.entries, list.text.data());
        if (!starts.empty()) {
            const auto all = static_cast<std::uint32_t>(list.text.size());
            // One node is kept for the one-space word.
            const auto fits = [&](const Entries& entries) {
                return NodesOf(entries, list.text.data(), CommonPrefixes(entries, list.text.data()), all) + 1 <= kMaxNodes;
            };
            if (!fits(list.entries)) {
                // The most lines, from the first on, whose tree fits.
                const auto keptOf = [&](std::size_t lines) {
                    Entries kept;
                    kept.reserve(list.entries.size());
                    for (const Entry& e : list.entries)
                        if (e.off < starts[lines])
                            kept.push_back(e);
                    return kept;
                };
                std::size_t lo = 0;
                std::size_t hi = lineEntries - 1;
                while (lo < hi) {
                    const std::size_t mid = lo + (hi - lo + 1) / 2;
                    if (fits(keptOf(mid)))
                        lo = mid;
                    else
                        hi = mid - 1;
                }
                list.entries = keptOf(lo);
                keptEntries = lo;
                report.bComplete = false;
            }
        }
        NodeBlock().swap(tree->nodes);
        BuildNodes(tree->nodes, list.entries, list.text.data(), tree->nMaxWordLength, true);
    }
    UseTree(std::move(tree));
    // The one-space word, always: one node at most, kept free above.
    Insert(1, [&](std::size_t) { return space - 1; });
    report.nKept = std::min(keptEntries, report.nLines);
    m_LastLoad = report;
    return report.bComplete;
}

namespace {

std::mutex g_ImageFolderLock;
std::optional<std::string> g_ImageFolder;  // unset: the default

}  // namespace

void CDictionary::SetImageFolder(const std::string& folder)
{
    const std::lock_guard<std::mutex> lock(g_ImageFolderLock);
    g_ImageFolder = folder;
}

std::string CDictionary::ImageFolder()
{
    const std::lock_guard<std::mutex> lock(g_ImageFolderLock);
    if (g_ImageFolder)
        return *g_ImageFolder;
    if (const char* off = std::getenv("RECOGNIZE_NO_DICTIONARY_IMAGES"); off && off[0] != 0)
        return {};
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && cache[0] == '/')
        return std::string(cache) + "/recognize";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.cache/recognize";
    return {};
}

bool CDictionary::LoadWords(const std::string& path)
{
    // A list loaded whole into an empty tree is kept as an image of its tree; while the file
    // stays as it was, later loads map that image instead of reading the list again.
    std::optional<DictionaryImageKey> key;
    std::string imagePath;
    if (m_pTree && m_pTree->Empty()) {
        const std::string folder = ImageFolder();
        if (!folder.empty())
            key = DictionaryImageKeyOf(path, m_nAlphabetSize, m_Slots);
        if (key) {
            imagePath = DictionaryImagePath(folder, *key);
            if (std::unique_ptr<CDictionaryImage> image = CDictionaryImage::Map(imagePath, *key)) {
                const DictionaryImageFacts& facts = image->Facts();
                auto tree = std::make_shared<Tree>();
                tree->nGarbage = static_cast<std::size_t>(facts.nGarbage);
                tree->nMaxWordLength = static_cast<int>(facts.nMaxWordLength);
                tree->image = std::move(image);
                UseTree(std::move(tree));
                m_LastLoad = {};
                m_LastLoad.bRead = true;
                m_LastLoad.bComplete = true;
                m_LastLoad.nLines = static_cast<std::size_t>(facts.nLines);
                m_LastLoad.nKept = static_cast<std::size_t>(facts.nKept);
                return true;
            }
        }
    }
    CFileSource source(path);
    const bool loaded = Load(source);
    if (loaded && key) {
        // Only when the file did not change while it was read.
        const std::optional<DictionaryImageKey> after = DictionaryImageKeyOf(path, m_nAlphabetSize, m_Slots);
        if (after && SameFile(*after, *key)) {
            DictionaryImageFacts facts;
            facts.nNodes = m_pTree->Size();
            facts.nGarbage = m_pTree->nGarbage;
            facts.nLines = m_LastLoad.nLines;
            facts.nKept = m_LastLoad.nKept;
            facts.nMaxWordLength = static_cast<std::uint32_t>(m_pTree->nMaxWordLength);
            WriteDictionaryImage(imagePath, *key, facts, m_pTree->Data());
        }
    }
    return loaded;
}

bool CDictionary::LoadWordsFromText(std::string_view text)
{
    CTextSource source(text);
    return Load(source);
}

std::size_t CDictionary::NodeCount() const
{
    return m_pTree ? m_pTree->Size() - m_pTree->nGarbage : 0;
}

std::size_t CDictionary::MemoryBytes() const
{
    if (!m_pTree)
        return 0;
    return sizeof(Tree) + (m_pTree->image ? m_pTree->image->Bytes() : m_pTree->nodes.capacity() * sizeof(CDictNode));
}

int CDictionary::MaxWordLength() const
{
    return m_pTree ? m_pTree->nMaxWordLength : 0;
}
