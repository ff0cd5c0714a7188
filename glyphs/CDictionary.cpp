#include "CDictionary.h"

#include "ByteStream.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstddef>
#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace {

// Longest line content kept, counted from the first non-space character.
constexpr std::size_t kMaxLineLength = 998;

}  // namespace

// Bump allocator for nodes and child tables; everything is freed at once with the tree.
struct CDictionary::Storage {
    static constexpr std::size_t kFirstChunk = std::size_t{16} << 10;
    static constexpr std::size_t kLargestChunk = std::size_t{2} << 20;
    // Most bytes a tree holds, about a million prefixes: a word list that needs more is
    // refused as memory that ran out, rather than left to exhaust the machine.
    static constexpr std::size_t kMaxBytes = std::size_t{256} << 20;

    // Makes sure that bytes can be allocated from the current chunk without failing;
    // throws std::bad_alloc and changes nothing when memory runs out.
    void Reserve(std::size_t bytes)
    {
        if (bytes <= m_nLeft)
            return;
        const std::size_t size = std::max(bytes, m_nNextChunk);
        if (size > kMaxBytes - m_nBytes)
            throw std::bad_alloc();
        m_Chunks.push_back(nullptr);
        std::byte* chunk = nullptr;
        if (size % kLargestChunk == 0) {
            // Whole huge pages: the kernel may back them with 2 MiB pages, which spares
            // hundreds of page faults per chunk.
            chunk = static_cast<std::byte*>(std::aligned_alloc(kLargestChunk, size));
            if (!chunk) {
                m_Chunks.pop_back();
                throw std::bad_alloc();
            }
#ifdef MADV_HUGEPAGE
            ::madvise(chunk, size, MADV_HUGEPAGE);
#endif
        } else {
            chunk = static_cast<std::byte*>(std::malloc(size));
            if (!chunk) {
                m_Chunks.pop_back();
                throw std::bad_alloc();
            }
        }
        m_Chunks.back().reset(chunk);
        m_pNext = chunk;
        m_nLeft = size;
        m_nBytes += size;
        m_nNextChunk = std::min(m_nNextChunk * 2, kLargestChunk);
    }

    // Takes bytes from the chunk that Reserve prepared.
    void* Take(std::size_t bytes)
    {
        void* p = m_pNext;
        m_pNext += bytes;
        m_nLeft -= bytes;
        return p;
    }

    struct FreeChunk {
        void operator()(std::byte* chunk) const { std::free(chunk); }
    };
    std::vector<std::unique_ptr<std::byte, FreeChunk>> m_Chunks;
    std::byte* m_pNext = nullptr;
    std::size_t m_nLeft = 0;
    std::size_t m_nBytes = 0;        // bytes of all chunks
    std::size_t m_nNextChunk = kFirstChunk;
    std::size_t m_nNodes = 0;        // nodes other than the dead end
};

namespace {

std::size_t TableBytes(int alphabetSize)
{
    return static_cast<std::size_t>(alphabetSize) * sizeof(CDictNode*);
}

}  // namespace

CDictionary::CDictionary() = default;

CDictionary::~CDictionary() = default;

bool CDictionary::SetAlphabet(int alphabet)
{
    const bool known = alphabet == 0 || alphabet == 1;
    // An unknown alphabet keeps the table and size but still starts an empty tree, as a
    // known one does; with no alphabet chosen yet there is no tree to make.
    if (!known && m_nAlphabetSize == 0)
        return false;
    const int size = !known ? m_nAlphabetSize : alphabet == 1 ? 27 : 33;

    // The new tree is built aside first, so that a failed allocation keeps the old one.
    auto storage = std::make_unique<Storage>();
    const std::size_t table = TableBytes(size);
    storage->Reserve(2 * (sizeof(CDictNode) + table));
    auto* deadEnd = new (storage->Take(sizeof(CDictNode))) CDictNode;
    deadEnd->m_nChildCount = size;
    deadEnd->m_pChildren = static_cast<CDictNode**>(storage->Take(table));
    std::fill_n(deadEnd->m_pChildren, size, deadEnd);
    auto* root = new (storage->Take(sizeof(CDictNode))) CDictNode;
    root->m_nChildCount = size;
    root->m_pChildren = deadEnd->m_pChildren;
    storage->m_nNodes = 1;

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

    m_pStorage = std::move(storage);
    m_pDeadEnd = deadEnd;
    m_pRoot = root;
    m_nAlphabetSize = size;
    m_nMaxWordLength = 0;
    return known;
}

bool CDictionary::AddWord(std::string_view text)
{
    if (!m_pRoot)
        return false;

    // Follows the entry as far as the tree has it.
    CDictNode* node = m_pRoot;
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        CDictNode* child = node->m_pChildren[m_Slots[static_cast<std::uint8_t>(text[i])]];
        if (child == m_pDeadEnd)
            break;
        node = child;
    }

    if (i < text.size()) {
        // Nodes start with the dead end's own table (every child the dead end) and get a
        // table of their own when their first child is added. All memory the new branch
        // needs is reserved before the tree is touched, so a std::bad_alloc leaves it as it was.
        const std::size_t table = TableBytes(m_nAlphabetSize);
        const std::size_t newNodes = text.size() - i;
        const std::size_t newTables = newNodes - 1 + (node->m_pChildren == m_pDeadEnd->m_pChildren ? 1 : 0);
        if (newNodes > (SIZE_MAX - table) / (sizeof(CDictNode) + table))
            throw std::bad_alloc();
        m_pStorage->Reserve(newNodes * sizeof(CDictNode) + newTables * table);

        for (; i < text.size(); ++i) {
            if (node->m_pChildren == m_pDeadEnd->m_pChildren) {
                auto** children = static_cast<CDictNode**>(m_pStorage->Take(table));
                std::fill_n(children, m_nAlphabetSize, m_pDeadEnd);
                node->m_pChildren = children;
            }
            auto* child = new (m_pStorage->Take(sizeof(CDictNode))) CDictNode;
            child->m_nChildCount = m_nAlphabetSize;
            child->m_pChildren = m_pDeadEnd->m_pChildren;
            node->m_pChildren[m_Slots[static_cast<std::uint8_t>(text[i])]] = child;
            node = child;
        }
        m_pStorage->m_nNodes += newNodes;
    }

    node->m_nWordEnd = 1;
    m_nMaxWordLength = std::max(m_nMaxWordLength, static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX)));
    return true;
}

bool CDictionary::LoadWords(const std::string& path)
{
    if (!m_pRoot)
        return false;
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes))
        return false;
    return LoadWordsFromText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

bool CDictionary::LoadWordsFromText(std::string_view text)
{
    if (!m_pRoot)
        return false;
    std::string entry;
    std::size_t start = 0;
    bool complete = true;
    for (;;) {
        const std::size_t lf = text.find('\n', start);
        const bool last = lf == std::string_view::npos;
        std::string_view line = text.substr(start, last ? std::string_view::npos : lf - start);
        if (!last && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        const std::size_t first = line.find_first_not_of(' ');
        line.remove_prefix(first == std::string_view::npos ? line.size() : first);
        if (line.size() > kMaxLineLength)
            line = line.substr(0, kMaxLineLength);
        const std::size_t end = line.find_last_not_of(' ');
        line = line.substr(0, end == std::string_view::npos ? 0 : end + 1);

        entry.assign(line);
        entry += ' ';
        // Past the memory bound the remaining lines are left out; the tree keeps what it has.
        try {
            AddWord(entry);
        } catch (const std::bad_alloc&) {
            complete = false;
            break;
        }

        if (last)
            break;
        start = lf + 1;
    }
    try {
        AddWord(" ");
    } catch (const std::bad_alloc&) {
        complete = false;
    }
    return complete;
}

std::size_t CDictionary::NodeCount() const
{
    return m_pStorage ? m_pStorage->m_nNodes : 0;
}

std::size_t CDictionary::MemoryBytes() const
{
    return m_pStorage ? sizeof(Storage) + m_pStorage->m_nBytes +
                            m_pStorage->m_Chunks.capacity() * sizeof(m_pStorage->m_Chunks[0])
                      : 0;
}
