#pragma once

#include "CDictNode.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// What a laid-out dictionary tree was made from: the identity of its word list file, as the
// caller defines it, and the alphabet.
struct DictionaryImageKey {
    std::uint64_t nDevice = 0;
    std::uint64_t nInode = 0;
    std::uint64_t nSize = 0;
    std::int64_t nModified = 0;  // nanoseconds
    std::int64_t nChanged = 0;   // nanoseconds
    std::uint32_t nAlphabetSize = 0;
    std::uint8_t slots[256] = {};
};

// What a load reported beside the nodes.
struct DictionaryImageFacts {
    std::uint64_t nNodes = 0;    // the block, nodes left behind included
    std::uint64_t nGarbage = 0;  // nodes left behind when a child block moved
    std::uint64_t nLines = 0;
    std::uint64_t nKept = 0;
    std::uint32_t nMaxWordLength = 0;
};

// A tree image mapped read-only from its file: a 512-byte header (the key and the facts),
// then the nodes exactly as they lie in memory. Map checks everything a lookup relies on
// (the key, the sizes, every child index within the block), so a damaged or stale image is
// refused, never used.
class CDictionaryImage {
public:
    // Bytes of the header; the nodes follow it.
    static constexpr std::size_t kHeaderBytes = 512;
    // Where the header keeps the alphabet size (32 bits).
    static constexpr std::size_t kAlphabetAt = 64;

    static std::unique_ptr<CDictionaryImage> Map(const std::string& path, const DictionaryImageKey& key);
    ~CDictionaryImage();
    CDictionaryImage(const CDictionaryImage&) = delete;
    CDictionaryImage& operator=(const CDictionaryImage&) = delete;

    const CDictNode* Nodes() const { return m_pNodes; }
    std::size_t Count() const { return static_cast<std::size_t>(m_Facts.nNodes); }
    const DictionaryImageKey& Key() const { return m_Key; }
    const DictionaryImageFacts& Facts() const { return m_Facts; }
    std::size_t Bytes() const { return m_nBytes; }

private:
    CDictionaryImage() = default;

    void* m_pMapping = nullptr;
    std::size_t m_nBytes = 0;
    const CDictNode* m_pNodes = nullptr;
    DictionaryImageKey m_Key;
    DictionaryImageFacts m_Facts;
};

// Writes the image of nodes under key to path, atomically (a temporary file in the same
// folder, then a rename). False when it could not; the folder must exist.
bool WriteDictionaryImage(const std::string& path, const DictionaryImageKey& key,
                          const DictionaryImageFacts& facts, const CDictNode* nodes);
