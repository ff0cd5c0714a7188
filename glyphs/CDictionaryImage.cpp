#include "CDictionaryImage.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <utility>
#include <vector>
#include <cerrno>
#include <cstdio>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The image file: a 512-byte header, then the nodes as they lie in memory.
constexpr char kMagic[8] = {'R', 'C', 'G', 'T', 'R', 'E', 'E', 0};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeaderBytes = 512;
// Header fields, by offset.
constexpr std::size_t kAtVersion = 8;
constexpr std::size_t kAtNodeSize = 12;
constexpr std::size_t kAtProbe = 16;
constexpr std::size_t kAtDevice = 24;
constexpr std::size_t kAtInode = 32;
constexpr std::size_t kAtSize = 40;
constexpr std::size_t kAtModified = 48;
constexpr std::size_t kAtChanged = 56;
constexpr std::size_t kAtAlphabet = 64;
constexpr std::size_t kAtMaxWord = 68;
constexpr std::size_t kAtNodes = 72;
constexpr std::size_t kAtLines = 80;
constexpr std::size_t kAtKept = 88;
constexpr std::size_t kAtSlots = 96;
constexpr std::size_t kAtGarbage = 352;
// Longest entry a word list gives: a kept line and its space.
constexpr std::uint32_t kMaxEntry = 999;

// A node with every field 1, as its bytes lie: images of another layout are refused.
std::uint64_t LayoutProbe()
{
    CDictNode node{};
    node.m_nChildMask = 1;
    node.m_nWordEnd = 1;
    node.m_nFirstChild = 1;
    std::uint64_t word = 0;
    std::memcpy(&word, &node, sizeof word);
    return word;
}

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
    Put(header, kAtProbe, LayoutProbe());
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
        Get<std::uint32_t>(header, kAtNodeSize) != sizeof(CDictNode) || Get<std::uint64_t>(header, kAtProbe) != LayoutProbe())
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
    return facts.nMaxWordLength <= kMaxEntry && facts.nNodes >= 1 && facts.nNodes <= (std::uint64_t{1} << 30) &&
           facts.nGarbage < facts.nNodes && facts.nKept <= facts.nLines;
}

// The faults of the nodes from first to stop, as one-word nodes (mask, word end and first
// child from the low bit up): bits outside the alphabet, or a node with children whose block
// starts at the root or ends past total. Adds, shifts and masks only, without a branch.
std::uint64_t WordFaults(const unsigned char* words, std::size_t first, std::size_t stop, std::uint64_t outside,
                         std::uint64_t total)
{
    std::uint64_t bad = 0;
    for (std::size_t i = first; i < stop; ++i) {
        std::uint64_t word = 0;
        std::memcpy(&word, words + i * sizeof word, sizeof word);
        const std::uint64_t mask = word & ((std::uint64_t{1} << 33) - 1);
        const std::uint64_t child = word >> 34;
        std::uint64_t x = mask - ((mask >> 1) & 0x5555555555555555ULL);
        x = (x & 0x3333333333333333ULL) + ((x >> 2) & 0x3333333333333333ULL);
        x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
        x += x >> 8;
        x += x >> 16;
        x += x >> 32;
        const std::uint64_t end = child + (x & 0x7F);              // past the node's block
        const std::uint64_t children = (mask | (0 - mask)) >> 63;  // 1 when it has any
        const std::uint64_t past = (total - end) >> 63;            // 1 when its block ends late
        const std::uint64_t root = (child - 1) >> 63;              // 1 when it names the root
        bad |= (mask & outside) | (children & (past | root));
    }
    return bad;
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// WordFaults four nodes at a time. A block that starts at least the alphabet's most slots
// before the end fits without counting its children; a run of 64 nodes with another is
// checked again one by one.
__attribute__((target("avx2"))) std::uint64_t WordFaultsAvx2(const unsigned char* words, std::size_t count,
                                                             std::uint64_t outside, std::uint64_t total)
{
    const __m256i slots = _mm256_set1_epi64x(static_cast<long long>((std::uint64_t{1} << 33) - 1));
    const __m256i one = _mm256_set1_epi64x(1);
    const __m256i most = _mm256_set1_epi64x(33);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i beyond = _mm256_set1_epi64x(static_cast<long long>(outside));
    const __m256i all = _mm256_set1_epi64x(static_cast<long long>(total));
    constexpr std::size_t kRun = 64;
    std::uint64_t faults = 0;
    std::size_t i = 0;
    for (; i + kRun <= count; i += kRun) {
        __m256i bad = zero;
        __m256i near = zero;
        for (std::size_t k = i; k < i + kRun; k += 4) {
            const __m256i word = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(words + k * 8));
            const __m256i mask = _mm256_and_si256(word, slots);
            const __m256i child = _mm256_srli_epi64(word, 34);
            const __m256i children = _mm256_srli_epi64(_mm256_or_si256(mask, _mm256_sub_epi64(zero, mask)), 63);
            const __m256i root = _mm256_srli_epi64(_mm256_sub_epi64(child, one), 63);
            const __m256i late = _mm256_srli_epi64(_mm256_sub_epi64(all, _mm256_add_epi64(child, most)), 63);
            bad = _mm256_or_si256(bad, _mm256_or_si256(_mm256_and_si256(mask, beyond), _mm256_and_si256(children, root)));
            near = _mm256_or_si256(near, _mm256_and_si256(children, late));
        }
        alignas(32) std::uint64_t lanes[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), bad);
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes + 4), near);
        faults |= lanes[0] | lanes[1] | lanes[2] | lanes[3];
        if ((lanes[4] | lanes[5] | lanes[6] | lanes[7]) != 0)
            faults |= WordFaults(words, i, i + kRun, outside, total);
    }
    return faults | WordFaults(words, i, count, outside, total);
}
#endif

// NodesFit for one-word nodes, with vectors where the processor has them.
bool WordNodesFit(const unsigned char* words, std::size_t count, std::uint32_t alphabetSize)
{
    const std::uint64_t outside = ~((std::uint64_t{1} << alphabetSize) - 1);
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    if (__builtin_cpu_supports("avx2"))
        return WordFaultsAvx2(words, count, outside, count) == 0;
#endif
    return WordFaults(words, 0, count, outside, count) == 0;
}

// Whether every child that nodes name lies within them and in the alphabet's slots.
bool NodesFit(const CDictNode* nodes, std::size_t count, std::uint32_t alphabetSize)
{
    const std::uint64_t outside = ~((std::uint64_t{1} << alphabetSize) - 1);
    bool fit = true;
    // Where a node is one word of mask, word end and first child from the low bit up (as
    // the usual ABIs lay the bit-fields out), the word is read as it stands.
    if (LayoutProbe() == (std::uint64_t{1} | std::uint64_t{1} << 33 | std::uint64_t{1} << 34)) {
        return WordNodesFit(reinterpret_cast<const unsigned char*>(nodes), count, alphabetSize);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t mask = nodes[i].ChildMask();
        const std::uint64_t first = nodes[i].m_nFirstChild;
        fit &= (mask & outside) == 0;
        // A block of the most children a node can have fits, nearly always, without counting.
        fit &= mask == 0 || (first >= 1 && (first + alphabetSize <= count ||
                                            first + static_cast<std::uint64_t>(CDictionary::PopCount(mask)) <= count));
    }
    return fit;
}

std::uint64_t Fnv1a(std::uint64_t hash, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001B3ULL;
    }
    return hash;
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

// Makes folder and the folders above it, for the user alone.
bool MakeFolders(const std::string& folder)
{
    for (std::size_t at = 1; at <= folder.size(); ++at) {
        if (at < folder.size() && folder[at] != '/')
            continue;
        const std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Images a folder keeps: the oldest beyond them are removed when a new one is written.
constexpr std::size_t kKeptImages = 16;

// Removes all but the kKeptImages newest images of folder (other files stay).
void KeepNewestImages(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    std::vector<std::pair<std::int64_t, std::string>> images;  // (modified, path)
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() != 26 || name.compare(0, 5, "dict-") != 0 || name.compare(21, 5, ".tree") != 0)
            continue;
        const std::string path = folder + "/" + name;
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            images.emplace_back(static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec, path);
    }
    ::closedir(dir);
    if (images.size() <= kKeptImages)
        return;
    std::sort(images.begin(), images.end(), std::greater<>());
    for (std::size_t i = kKeptImages; i < images.size(); ++i)
        ::unlink(images[i].second.c_str());
}

}  // namespace

std::optional<DictionaryImageKey> DictionaryImageKeyOf(const std::string& path, int alphabetSize,
                                                       const std::uint8_t* slots)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || alphabetSize <= 0)
        return std::nullopt;
    DictionaryImageKey key;
    key.nDevice = static_cast<std::uint64_t>(info.st_dev);
    key.nInode = static_cast<std::uint64_t>(info.st_ino);
    key.nSize = static_cast<std::uint64_t>(info.st_size);
    key.nModified = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    key.nChanged = static_cast<std::int64_t>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    key.nAlphabetSize = static_cast<std::uint32_t>(alphabetSize);
    std::memcpy(key.slots, slots, sizeof key.slots);
    return key;
}

std::string DictionaryImagePath(const std::string& folder, const DictionaryImageKey& key)
{
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    hash = Fnv1a(hash, &key.nDevice, sizeof key.nDevice);
    hash = Fnv1a(hash, &key.nInode, sizeof key.nInode);
    hash = Fnv1a(hash, &key.nAlphabetSize, sizeof key.nAlphabetSize);
    hash = Fnv1a(hash, key.slots, sizeof key.slots);
    char name[40];
    std::snprintf(name, sizeof name, "dict-%016llx.tree", static_cast<unsigned long long>(hash));
    return folder + "/" + name;
}

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
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash)))
        return false;
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
    if (slash != std::string::npos)
        KeepNewestImages(path.substr(0, slash));
    return true;
}
