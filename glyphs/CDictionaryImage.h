#pragma once

#include "CDictionary.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// What a laid-out dictionary tree was made from: the word list file as the system saw it
// (device, inode, size and both times, which any change of the file moves) and the alphabet.
struct DictionaryImageKey {
    std::uint64_t nDevice = 0;
    std::uint64_t nInode = 0;
    std::uint64_t nSize = 0;
    std::int64_t nModified = 0;  // nanoseconds
    std::int64_t nChanged = 0;   // nanoseconds
    std::uint32_t nAlphabetSize = 0;
    std::uint8_t slots[256] = {};
};

// Whether two keys name the same file as it was: device, inode, size and both times.
inline bool SameFile(const DictionaryImageKey& a, const DictionaryImageKey& b)
{
    return a.nDevice == b.nDevice && a.nInode == b.nInode && a.nSize == b.nSize && a.nModified == b.nModified &&
           a.nChanged == b.nChanged;
}

// What a load reported beside the nodes.
struct DictionaryImageFacts {
    std::uint64_t nNodes = 0;    // the block, nodes left behind included
    std::uint64_t nGarbage = 0;  // nodes left behind when a child block moved
    std::uint64_t nLines = 0;
    std::uint64_t nKept = 0;
    std::uint32_t nMaxWordLength = 0;
};

// The key of the word list at path for an alphabet; none when the path is no regular file.
std::optional<DictionaryImageKey> DictionaryImageKeyOf(const std::string& path, int alphabetSize,
                                                       const std::uint8_t* slots);

// Where the image of key lives in folder: one file per word list file and alphabet.
std::string DictionaryImagePath(const std::string& folder, const DictionaryImageKey& key);

// A tree image mapped read-only from its file: the nodes exactly as the load laid them out.
// Map checks everything a lookup relies on (the key, the sizes, every child index within
// the block), so a damaged or stale image is refused, never used.
class CDictionaryImage {
public:
    static std::unique_ptr<CDictionaryImage> Map(const std::string& path, const DictionaryImageKey& key);
    ~CDictionaryImage();
    CDictionaryImage(const CDictionaryImage&) = delete;
    CDictionaryImage& operator=(const CDictionaryImage&) = delete;

    const CDictNode* Nodes() const { return m_pNodes; }
    std::size_t Count() const { return static_cast<std::size_t>(m_Facts.nNodes); }
    const DictionaryImageFacts& Facts() const { return m_Facts; }
    std::size_t Bytes() const { return m_nBytes; }

private:
    CDictionaryImage() = default;

    void* m_pMapping = nullptr;
    std::size_t m_nBytes = 0;
    const CDictNode* m_pNodes = nullptr;
    DictionaryImageFacts m_Facts;
};

// Writes the image of nodes under key to path, atomically (a temporary file in the same
// folder, then a rename); makes the folder when it is missing. False when it could not.
bool WriteDictionaryImage(const std::string& path, const DictionaryImageKey& key,
                          const DictionaryImageFacts& facts, const CDictNode* nodes);
