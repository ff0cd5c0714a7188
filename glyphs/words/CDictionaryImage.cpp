#include "CDictionaryImage.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The image file: a 512-byte header, then the nodes as they lie in memory.
constexpr char kMagic[8] = {'R', 'C', 'G', 'T', 'R', 'E', 'E', 0};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeaderBytes = CDictionaryImage::kHeaderBytes;
// Header fields, by offset.
constexpr std::size_t kAtVersion = 8;
constexpr std::size_t kAtNodeSize = 12;
constexpr std::size_t kAtProbe = 16;
constexpr std::size_t kAtDevice = 24;
constexpr std::size_t kAtInode = 32;
constexpr std::size_t kAtSize = 40;
constexpr std::size_t kAtModified = 48;
constexpr std::size_t kAtChanged = 56;
constexpr std::size_t kAtAlphabet = CDictionaryImage::kAlphabetAt;
constexpr std::size_t kAtMaxWord = 68;
constexpr std::size_t kAtNodes = 72;
constexpr std::size_t kAtLines = 80;
constexpr std::size_t kAtKept = 88;
constexpr std::size_t kAtSlots = 96;
constexpr std::size_t kAtGarbage = 352;
// Longest entry a word list gives: a kept line and its space.
constexpr std::uint32_t kMaxEntry = 999;
// A node with every field 1, as its word: images of another layout are refused.
constexpr std::uint64_t kLayoutProbe = CDictNode::Make(1, true, 1).Word();

template <class T>
void Put(std::uint8_t* header, std::size_t at, T value)
{
    std::memcpy(header + at, &value, sizeof value);
}

template <class T>
T Get(const std::uint8_t* header, std::size_t at)
{
    T value{};
    std::memcpy(&value, header + at, sizeof value);
    return value;
}

void WriteHeader(std::uint8_t* header, const DictionaryImageKey& key, const DictionaryImageFacts& facts)
{
    std::memset(header, 0, kHeaderBytes);
    std::memcpy(header, kMagic, sizeof kMagic);
    Put(header, kAtVersion, kVersion);
    Put(header, kAtNodeSize, static_cast<std::uint32_t>(sizeof(CDictNode)));
    Put(header, kAtProbe, kLayoutProbe);
    Put(header, kAtDevice, key.nDevice);
    Put(header, kAtInode, key.nInode);
    Put(header, kAtSize, key.nSize);
    Put(header, kAtModified, key.nModified);
    Put(header, kAtChanged, key.nChanged);
    Put(header, kAtAlphabet, key.nAlphabetSize);
    Put(header, kAtMaxWord, facts.nMaxWordLength);
    Put(header, kAtNodes, facts.nNodes);
    Put(header, kAtLines, facts.nLines);
    Put(header, kAtKept, facts.nKept);
    std::memcpy(header + kAtSlots, key.slots, sizeof key.slots);
    Put(header, kAtGarbage, facts.nGarbage);
}

// Whether header belongs to key; fills facts from it.
bool HeaderFits(const std::uint8_t* header, const DictionaryImageKey& key, DictionaryImageFacts& facts)
{
    if (std::memcmp(header, kMagic, sizeof kMagic) != 0 || Get<std::uint32_t>(header, kAtVersion) != kVersion ||
        Get<std::uint32_t>(header, kAtNodeSize) != sizeof(CDictNode) || Get<std::uint64_t>(header, kAtProbe) != kLayoutProbe)
        return false;
    if (Get<std::uint64_t>(header, kAtDevice) != key.nDevice || Get<std::uint64_t>(header, kAtInode) != key.nInode ||
        Get<std::uint64_t>(header, kAtSize) != key.nSize || Get<std::int64_t>(header, kAtModified) != key.nModified ||
        Get<std::int64_t>(header, kAtChanged) != key.nChanged || Get<std::uint32_t>(header, kAtAlphabet) != key.nAlphabetSize ||
        std::memcmp(header + kAtSlots, key.slots, sizeof key.slots) != 0)
        return false;
    facts.nMaxWordLength = Get<std::uint32_t>(header, kAtMaxWord);
    facts.nNodes = Get<std::uint64_t>(header, kAtNodes);
    facts.nLines = Get<std::uint64_t>(header, kAtLines);
    facts.nKept = Get<std::uint64_t>(header, kAtKept);
    facts.nGarbage = Get<std::uint64_t>(header, kAtGarbage);
    return key.nAlphabetSize <= static_cast<std::uint32_t>(CDictNode::kMaskBits) && facts.nMaxWordLength <= kMaxEntry &&
           facts.nNodes >= 1 && facts.nNodes <= CDictNode::kMaxFirstChild + 1 && facts.nGarbage < facts.nNodes &&
           facts.nKept <= facts.nLines;
}

// Whether every child that nodes name lies within them, past the root, and in the alphabet's
// slots. Runs of 64 nodes are checked without a branch; a block that starts at least the
// alphabet's size before the end fits whatever its count, and only a run with a block nearer
// the end has its children counted.
bool NodesFit(const CDictNode* nodes, std::size_t count, std::uint32_t alphabetSize)
{
    const std::uint64_t outside = ~((std::uint64_t{1} << alphabetSize) - 1);
    const std::uint64_t total = count;
    constexpr std::size_t kRun = 64;
    for (std::size_t run = 0; run < count; run += kRun) {
        const std::size_t stop = std::min(count, run + kRun);
        std::uint64_t bad = 0;
        std::uint64_t near = 0;
        for (std::size_t i = run; i < stop; ++i) {
            const std::uint64_t mask = nodes[i].ChildMask();
            const std::uint64_t first = nodes[i].FirstChildIndex();
            const std::uint64_t children = (mask | (0 - mask)) >> 63;  // 1 when it has any
            bad |= (mask & outside) | (children & ((first - 1) >> 63));
            near |= children & ((total - (first + alphabetSize)) >> 63);
        }
        if (bad != 0)
            return false;
        for (std::size_t i = run; near != 0 && i < stop; ++i) {
            if (nodes[i].ChildMask() != 0 && nodes[i].FirstChildIndex() + static_cast<std::uint64_t>(nodes[i].ChildCount()) > total)
                return false;
        }
    }
    return true;
}

bool WriteAll(int fd, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::unique_ptr<CDictionaryImage> CDictionaryImage::Map(const std::string& path, const DictionaryImageKey& key)
{
    int fd = -1;
    do
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return nullptr;
    struct stat info {};
    void* mapping = MAP_FAILED;
    std::size_t bytes = 0;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<std::uint64_t>(info.st_size) >= kHeaderBytes) {
        bytes = static_cast<std::size_t>(info.st_size);
        mapping = ::mmap(nullptr, bytes, PROT_READ, MAP_PRIVATE, fd, 0);
    }
    ::close(fd);
    if (mapping == MAP_FAILED)
        return nullptr;
    std::unique_ptr<CDictionaryImage> image(new CDictionaryImage);
    image->m_pMapping = mapping;
    image->m_nBytes = bytes;
    image->m_Key = key;
    const auto* header = static_cast<const std::uint8_t*>(mapping);
    if (!HeaderFits(header, key, image->m_Facts) || bytes != kHeaderBytes + image->m_Facts.nNodes * sizeof(CDictNode))
        return nullptr;
    image->m_pNodes = reinterpret_cast<const CDictNode*>(header + kHeaderBytes);
    if (!NodesFit(image->m_pNodes, image->Count(), key.nAlphabetSize))
        return nullptr;
    return image;
}

CDictionaryImage::~CDictionaryImage()
{
    if (m_pMapping)
        ::munmap(m_pMapping, m_nBytes);
}

bool WriteDictionaryImage(const std::string& path, const DictionaryImageKey& key,
                          const DictionaryImageFacts& facts, const CDictNode* nodes)
{
    static std::atomic<unsigned> counter{0};
    const std::string temporary = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    int fd = -1;
    do
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    std::uint8_t header[kHeaderBytes];
    WriteHeader(header, key, facts);
    bool written = WriteAll(fd, header, sizeof header) &&
                   WriteAll(fd, nodes, static_cast<std::size_t>(facts.nNodes) * sizeof(CDictNode));
    written = ::close(fd) == 0 && written;
    if (!written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}
