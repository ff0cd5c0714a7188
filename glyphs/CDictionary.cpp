#include "CDictionary.h"

#include "ByteStream.h"
#include "words/CDictionaryImage.h"
#include "words/TreeBuilder.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <vector>

// The node block with what it was built from. The nodes are its own block, or an image
// mapped read-only from a file, copied into a block before any change.
struct CDictionary::Tree {
    std::vector<CDictNode> nodes;              // the root first; children of a node side by side
    std::unique_ptr<CDictionaryImage> image;  // when set, the nodes, and the block is empty
    std::size_t nGarbage = 0;                  // nodes left behind when AddWord moved a child block
    int nMaxWordLength = 0;

    Tree() = default;
    // A copy has a block of its own, whatever the original held.
    Tree(const Tree& other) : nodes(other.nodes), nGarbage(other.nGarbage), nMaxWordLength(other.nMaxWordLength)
    {
        if (other.image)
            nodes.assign(other.image->Nodes(), other.image->Nodes() + other.image->Count());
    }
    Tree& operator=(const Tree&) = delete;

    const CDictNode* Data() const { return image ? image->Nodes() : nodes.data(); }
    std::size_t Size() const { return image ? image->Count() : nodes.size(); }
    // No entry yet: the root alone, ending no word.
    bool Empty() const { return Size() - nGarbage <= 1 && !Data()[0].IsWordEnd(); }
};

namespace {

// Longest dict.dic file read; a longer one is read up to here and counts as past a bound.
constexpr std::size_t kMaxFileBytes = std::size_t{1} << 30;

// Copies the live nodes of from into to, laid out afresh: the blocks that AddWord left behind
// are dropped.
void CopyLive(const std::vector<CDictNode>& from, std::vector<CDictNode>& to)
{
    to.assign(1, from[0]);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> pending{{0, 0}};  // (to, from)
    while (!pending.empty()) {
        const auto [t, f] = pending.back();
        pending.pop_back();
        const CDictNode source = from[f];
        const std::uint64_t first = to.size();
        for (int k = 0; k < source.ChildCount(); ++k) {
            to.push_back(from[source.FirstChildIndex() + k]);
            pending.emplace_back(first + k, source.FirstChildIndex() + k);
        }
        to[t].SetChildren(source.ChildMask(), first);
    }
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
    m_LastLoad = other.m_LastLoad;
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
    // Follows the entry as far as the tree has it.
    std::uint64_t node = 0;
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        const CDictNode* child = GetChild(m_pNodes + node, static_cast<std::uint8_t>(text[i]));
        if (child == &m_DeadEnd)
            break;
        node = static_cast<std::uint64_t>(child - m_pNodes);
    }

    // One entry changes the tree in place: the node where it leaves the tree gets its child
    // block anew at the end of the block, the new child in its place among the others, and
    // the rest of the entry follows as a chain of single children.
    const std::size_t newNodes = text.size() - i;
    if (newNodes > 0) {
        // Everything is checked and reserved before the tree is touched, so a
        // std::bad_alloc leaves it as it was.
        const std::size_t live = NodeCount();
        if (newNodes > kMaxNodes - live)
            throw std::bad_alloc();
        Tree& tree = OwnTree();
        // Child blocks that were moved are dropped by a fresh layout once they outweigh the tree.
        if (tree.nGarbage > 1024 && tree.nGarbage > live) {
            std::vector<CDictNode> fresh;
            fresh.reserve(live + newNodes + 64 + live / 4);
            CopyLive(tree.nodes, fresh);
            tree.nodes.swap(fresh);
            tree.nGarbage = 0;
            m_pNodes = tree.nodes.data();
            return AddWord(text);
        }
        std::vector<CDictNode>& nodes = tree.nodes;
        const CDictNode at = nodes[node];
        const auto oldCount = static_cast<std::size_t>(at.ChildCount());
        const std::size_t grow = oldCount + newNodes;
        if (nodes.size() + grow > CDictNode::kMaxFirstChild)
            throw std::bad_alloc();
        if (nodes.size() + grow > nodes.capacity())
            nodes.reserve(std::max(nodes.size() + grow, nodes.size() + nodes.size() / 4 + 64));

        const std::uint64_t bit = std::uint64_t{1} << m_Slots[static_cast<std::uint8_t>(text[i])];
        const auto rank = static_cast<std::size_t>(PopCount(at.ChildMask() & (bit - 1)));
        const std::uint64_t oldFirst = at.FirstChildIndex();
        const std::uint64_t newFirst = nodes.size();
        for (std::size_t c = 0; c < rank; ++c)
            nodes.push_back(nodes[oldFirst + c]);
        nodes.emplace_back();
        for (std::size_t c = rank; c < oldCount; ++c)
            nodes.push_back(nodes[oldFirst + c]);
        nodes[node].SetChildren(at.ChildMask() | bit, newFirst);
        tree.nGarbage += oldCount;

        node = newFirst + rank;
        for (++i; i < text.size(); ++i) {
            nodes[node].SetChildren(std::uint64_t{1} << m_Slots[static_cast<std::uint8_t>(text[i])], nodes.size());
            node = nodes.size();
            nodes.emplace_back();
        }
    } else {
        OwnTree();
    }

    Tree& tree = *m_pTree;
    tree.nodes[node].SetWordEnd();
    tree.nMaxWordLength = std::max(tree.nMaxWordLength, static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX)));
    m_pNodes = tree.nodes.data();
    return true;
}

bool CDictionary::AddList(std::string_view text, std::vector<std::uint8_t>* file, bool cut)
{
    // The entries of the tree so far, then the one-space word, then the lines: the first
    // entries are those a bound keeps.
    WordEntries entries;
    if (!m_pTree->Empty() && !AppendTreeEntries(m_pNodes, entries, kMaxTextBytes)) {
        m_LastLoad.bRead = true;
        return false;
    }
    const std::size_t before = entries.Count() + 1;
    const auto space = static_cast<std::uint8_t>(m_Slots[static_cast<std::uint8_t>(' ')] + 1);
    entries.Add(&space, 1);
    DictionaryLoadReport report = ReadWordList(text, m_Slots, {kMaxWords, kMaxTextBytes}, entries);
    // The file's bytes are no longer needed while the tree is laid out.
    if (file)
        std::vector<std::uint8_t>().swap(*file);

    const std::size_t count = entries.Count();
    LaidOutTree laid = BuildTree(entries, kMaxNodes);
    auto tree = std::make_shared<Tree>();
    tree->nodes = std::move(laid.nodes);
    tree->nMaxWordLength = std::max(m_pTree->nMaxWordLength, static_cast<int>(laid.nMaxWordLength));
    UseTree(std::move(tree));

    if (laid.nKept < count) {
        report.bComplete = false;
        report.nKept = std::min(laid.nKept - std::min(laid.nKept, before), report.nLines);
    }
    report.bComplete = report.bComplete && !cut;
    m_LastLoad = report;
    return report.bComplete;
}

bool CDictionary::LoadWords(const std::string& path)
{
    m_LastLoad = {};
    if (!m_pNodes)
        return false;
    std::vector<std::uint8_t> bytes;
    if (!ReadFilePrefix(path, bytes, kMaxFileBytes))
        return false;
    const bool cut = bytes.size() >= kMaxFileBytes;
    return AddList(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &bytes, cut);
}

bool CDictionary::LoadWordsFromText(std::string_view text)
{
    m_LastLoad = {};
    if (!m_pNodes)
        return false;
    return AddList(text, nullptr, false);
}

bool CDictionary::UseImage(std::unique_ptr<CDictionaryImage> image)
{
    if (!image || image->Key().nAlphabetSize != static_cast<std::uint32_t>(m_nAlphabetSize) ||
        std::memcmp(image->Key().slots, m_Slots, sizeof m_Slots) != 0)
        return false;
    const DictionaryImageFacts& facts = image->Facts();
    auto tree = std::make_shared<Tree>();
    tree->nGarbage = static_cast<std::size_t>(facts.nGarbage);
    tree->nMaxWordLength = static_cast<int>(facts.nMaxWordLength);
    m_LastLoad = {};
    m_LastLoad.bRead = true;
    m_LastLoad.bComplete = true;
    m_LastLoad.nLines = static_cast<std::size_t>(facts.nLines);
    m_LastLoad.nKept = static_cast<std::size_t>(facts.nKept);
    tree->image = std::move(image);
    UseTree(std::move(tree));
    return true;
}

bool CDictionary::SaveImage(const std::string& path, const DictionaryImageKey& key) const
{
    if (!m_pTree)
        return false;
    DictionaryImageKey own = key;
    DescribeAlphabet(own);
    DictionaryImageFacts facts;
    facts.nNodes = m_pTree->Size();
    facts.nGarbage = m_pTree->nGarbage;
    facts.nLines = m_LastLoad.nLines;
    facts.nKept = m_LastLoad.nKept;
    facts.nMaxWordLength = static_cast<std::uint32_t>(m_pTree->nMaxWordLength);
    return WriteDictionaryImage(path, own, facts, m_pTree->Data());
}

void CDictionary::DescribeAlphabet(DictionaryImageKey& key) const
{
    key.nAlphabetSize = static_cast<std::uint32_t>(m_nAlphabetSize);
    std::memcpy(key.slots, m_Slots, sizeof key.slots);
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
