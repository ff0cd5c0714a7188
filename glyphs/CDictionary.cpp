#include "CDictionary.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>

#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using NodeBlock = std::vector<CDictNode>;

}  // namespace

// The node block with what it was built from.
struct CDictionary::Tree {
    NodeBlock nodes;  // the root first; children of a node side by side
    std::size_t nGarbage = 0;      // nodes left behind when AddWord moved a child block
    int nMaxWordLength = 0;
};

namespace {

// Longest line content kept, counted from the first non-space character.
constexpr std::size_t kMaxLineLength = 998;
// Keys of the entry text: slot + 1 for a character, 0 after the last one.
constexpr int kKeys = 34;

// One entry of a load: its keys start at off in the entry text and end with a 0.
struct Entry {
    std::uint32_t off;
    std::uint32_t len;
};

// The entries of one load, as keys, in the order they were read.
using Entries = std::vector<Entry>;

struct EntryList {
    std::vector<std::uint8_t> text;
    Entries entries;

    // Appends the keys of slots (already slot + 1) as one entry.
    void Add(const std::uint8_t* keys, std::size_t len)
    {
        const auto off = static_cast<std::uint32_t>(text.size());
        text.insert(text.end(), keys, keys + len);
        text.push_back(0);
        entries.push_back({off, static_cast<std::uint32_t>(len)});
    }
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
std::uint64_t NodesOf(const Entries& entries, const std::vector<std::uint32_t>& lcp, std::uint32_t limit)
{
    std::uint64_t nodes = 1;
    std::uint32_t shared = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        shared = std::min(shared, lcp[i]);
        if (entries[i].off >= limit)
            continue;
        nodes += entries[i].len - shared;
        shared = UINT32_MAX;
    }
    return nodes;
}

// Room kept in a fresh block for the one-space word: the root's block may move once.
constexpr std::size_t kSpaceRoom = 40;

// The nodes of the tree of entries that come grouped (see BuildNodes), the root included:
// each entry adds the prefixes it does not share with the one before it.
std::uint64_t GroupedNodeCount(const Entries& entries, const std::uint8_t* text)
{
    std::uint64_t nodes = 1;
    const std::uint8_t* previous = nullptr;
    std::uint32_t previousLength = 0;
    for (const Entry& e : entries) {
        const std::uint8_t* keys = text + e.off;
        std::uint32_t shared = 0;
        if (previous) {
            const std::uint32_t most = std::min(previousLength, e.len);
            while (shared < most && keys[shared] == previous[shared])
                ++shared;
        }
        nodes += e.len - shared;
        previous = keys;
        previousLength = e.len;
    }
    return nodes;
}

// Lays the tree of entries out in one pass, each node's block of children placed once the
// node is complete. The entries must come grouped: once an entry leaves a prefix, no later
// entry has it again (sorted entries always are). False, with nodes undefined, when they
// are not; true when the tree was laid out.
bool BuildNodes(NodeBlock& nodes, const Entries& entries, const std::uint8_t* text)
{
    nodes.assign(1, CDictNode{});
    // The children met so far of every node of the current path, as one stack: those of the
    // path's node at depth d begin at start[d], and the path's node at depth d + 1 is the
    // last of them. Their slots, and per depth the mask of the slots and whether they came
    // in ascending order.
    std::vector<CDictNode> pending;
    std::vector<std::uint8_t> pendingSlots;
    std::vector<std::uint32_t> start(1, 0);
    std::vector<std::uint64_t> masks(1, 0);
    std::vector<std::uint8_t> ascending(1, 1);
    std::size_t depth = 0;  // length of the current path
    const std::uint8_t* previous = nullptr;

    const auto pathNode = [&](std::size_t d) -> CDictNode& {
        return d == 0 ? nodes[0] : pending[start[d] - 1];
    };
    // Places the children of the path's node at depth d as its block.
    const auto close = [&](std::size_t d) {
        const std::uint32_t from = start[d];
        const auto count = static_cast<std::uint32_t>(pending.size()) - from;
        if (count == 0)
            return;
        const std::size_t first = nodes.size();
        if (ascending[d]) {
            nodes.insert(nodes.end(), pending.begin() + from, pending.end());
        } else {
            CDictNode block[64];
            for (std::uint32_t i = from; i < from + count; ++i) {
                const std::uint64_t below = masks[d] & ((std::uint64_t{1} << pendingSlots[i]) - 1);
                block[CDictionary::PopCount(below)] = pending[i];
            }
            nodes.insert(nodes.end(), block, block + count);
        }
        pending.resize(from);
        pendingSlots.resize(from);
        // The node is written whole: field stores would stall the reads that follow.
        CDictNode& parent = pathNode(d);
        CDictNode done{};
        done.m_nChildMask = masks[d];
        done.m_nWordEnd = parent.m_nWordEnd;
        done.m_nFirstChild = first;
        parent = done;
        masks[d] = 0;
        ascending[d] = 1;
    };

    for (const Entry& e : entries) {
        const std::uint8_t* keys = text + e.off;
        std::size_t shared = 0;
        if (previous) {
            const std::size_t most = std::min<std::size_t>(depth, e.len);
            while (shared < most && keys[shared] == previous[shared])
                ++shared;
        }
        // The path's nodes below the shared prefix are complete.
        for (std::size_t d = depth; d > shared; --d)
            if (d < start.size())
                close(d);
        if (start.size() < e.len + 1) {
            start.resize(e.len + 1, 0);
            masks.resize(e.len + 1, 0);
            ascending.resize(e.len + 1, 1);
        }
        for (std::size_t d = shared; d < e.len; ++d) {
            const int slot = keys[d] - 1;
            const std::uint64_t bit = std::uint64_t{1} << slot;
            if (masks[d] & bit)
                return false;
            if (masks[d] >= bit)
                ascending[d] = 0;
            masks[d] |= bit;
            pending.push_back(CDictNode{});
            pendingSlots.push_back(static_cast<std::uint8_t>(slot));
            if (d + 1 < start.size())
                start[d + 1] = static_cast<std::uint32_t>(pending.size());
        }
        pathNode(e.len).m_nWordEnd = 1;
        depth = e.len;
        previous = keys;
    }
    for (std::size_t d = std::min(depth, start.size() - 1) + 1; d-- > 0;)
        close(d);
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

// Bytes of a file, read in pieces.
class CFileSource {
public:
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
        return m_nFd >= 0;
    }
    std::size_t SizeHint() const { return m_nSize; }
    long Read(char* buffer, std::size_t size)
    {
        for (;;) {
            const ssize_t n = ::read(m_nFd, buffer, size);
            if (n >= 0 || errno != EINTR)
                return static_cast<long>(n);
        }
    }

private:
    std::string m_strPath;
    int m_nFd = -1;
    std::size_t m_nSize = 0;
};

// Reads the lines of source into list as LoadWords defines them. False on a read error.
// Stops keeping lines at the bounds; counts them to the end in any case.
template <class Source>
bool ReadLines(Source& source, const std::uint8_t* slots, EntryList& list, DictionaryLoadReport& report)
{
    constexpr std::size_t kChunk = std::size_t{1} << 20;
    std::uint8_t keyOf[256];
    for (int code = 0; code < 256; ++code)
        keyOf[code] = static_cast<std::uint8_t>(slots[code] + 1);
    const std::size_t chunkSize = std::clamp<std::size_t>(source.SizeHint() + 1, 4096, kChunk);
    const std::unique_ptr<char[]> chunk(new char[chunkSize]);
    list.text.reserve(std::min(list.text.size() + source.SizeHint() + 16, CDictionary::kMaxTextBytes + 1024));
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
        list.text.resize(end);
        for (std::size_t i = lineStart; i < end; ++i)
            list.text[i] = static_cast<std::uint8_t>(slots[list.text[i]] + 1);
        list.text.push_back(static_cast<std::uint8_t>(slots[static_cast<std::uint8_t>(' ')] + 1));
        list.text.push_back(0);
        list.entries.push_back({static_cast<std::uint32_t>(lineStart), static_cast<std::uint32_t>(end - lineStart + 1)});
    };

    startLine();
    for (;;) {
        const long got = source.Read(chunk.get(), chunkSize);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        const char* p = chunk.get();
        const char* const stop = p + got;
        while (p < stop) {
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(stop - p)));
            // A whole line in the piece read: trimmed, cut and turned into keys in one go.
            if (lf && keeping && !lineHasBytes) {
                const char* b = p;
                const char* e = lf;
                if (e > b && e[-1] == '\r')
                    --e;
                while (b < e && *b == ' ')
                    ++b;
                if (static_cast<std::size_t>(e - b) > kMaxLineLength)
                    e = b + kMaxLineLength;
                while (e > b && e[-1] == ' ')
                    --e;
                const std::size_t at = list.text.size();
                const auto length = static_cast<std::size_t>(e - b);
                list.text.resize(at + length + 2);
                std::uint8_t* out = list.text.data() + at;
                for (std::size_t i = 0; i < length; ++i)
                    out[i] = keyOf[static_cast<std::uint8_t>(b[i])];
                out[length] = keyOf[static_cast<std::uint8_t>(' ')];
                out[length + 1] = 0;
                list.entries.push_back({static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(length + 1)});
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
                    list.text.insert(list.text.end(), q, q + take);
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

}  // namespace

CDictionary::CDictionary() = default;

CDictionary::~CDictionary() = default;

void CDictionary::UseTree(std::shared_ptr<Tree> tree)
{
    m_pTree = std::move(tree);
    m_pNodes = m_pTree ? m_pTree->nodes.data() : nullptr;
}

CDictionary::Tree& CDictionary::OwnTree()
{
    if (m_pTree.use_count() > 1)
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
    EntryList list;
    if (!ReadLines(source, m_Slots, list, report))
        return false;
    const std::size_t lineEntries = list.entries.size();
    const auto space = static_cast<std::uint8_t>(m_Slots[static_cast<std::uint8_t>(' ')] + 1);
    const auto keyAt = [&](const Entry& e) {
        return [&text = list.text, off = e.off](std::size_t i) { return text[off + i] - 1; };
    };

    const Tree& old = *m_pTree;
    if (old.nodes.size() - old.nGarbage > 1 || old.nodes[0].m_nWordEnd) {
        // Into a tree that holds entries already: one entry after the other, up to the bound.
        std::size_t kept = 0;
        try {
            for (const Entry& e : list.entries) {
                Insert(e.len, keyAt(e));
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
    std::uint64_t keys = 1;
    for (const Entry& e : list.entries)
        keys += e.len;
    auto tree = std::make_shared<Tree>();
    std::size_t keptEntries = lineEntries;
    bool built = false;
    if (keys + 1 <= kMaxNodes) {
        tree->nodes.reserve(static_cast<std::size_t>(GroupedNodeCount(list.entries, list.text.data())) + kSpaceRoom);
        built = BuildNodes(tree->nodes, list.entries, list.text.data());
    }
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
                return NodesOf(entries, CommonPrefixes(entries, list.text.data()), all) + 1 <= kMaxNodes;
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
        tree->nodes.reserve(static_cast<std::size_t>(GroupedNodeCount(list.entries, list.text.data())) + kSpaceRoom);
        BuildNodes(tree->nodes, list.entries, list.text.data());
    }
    for (const Entry& e : list.entries)
        tree->nMaxWordLength = std::max(tree->nMaxWordLength, static_cast<int>(std::min<std::uint32_t>(e.len, INT_MAX)));
    UseTree(std::move(tree));
    // The one-space word, always: one node at most, kept free above.
    Insert(1, [&](std::size_t) { return space - 1; });
    report.nKept = std::min(keptEntries, report.nLines);
    m_LastLoad = report;
    return report.bComplete;
}

bool CDictionary::LoadWords(const std::string& path)
{
    CFileSource source(path);
    return Load(source);
}

bool CDictionary::LoadWordsFromText(std::string_view text)
{
    CTextSource source(text);
    return Load(source);
}

std::size_t CDictionary::NodeCount() const
{
    return m_pTree ? m_pTree->nodes.size() - m_pTree->nGarbage : 0;
}

std::size_t CDictionary::MemoryBytes() const
{
    return m_pTree ? sizeof(Tree) + m_pTree->nodes.capacity() * sizeof(CDictNode) : 0;
}

int CDictionary::MaxWordLength() const
{
    return m_pTree ? m_pTree->nMaxWordLength : 0;
}
