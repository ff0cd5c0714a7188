#include "CDictionaryCache.h"

#include "DocMessages.h"
#include "words/CDictionaryImage.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::uint64_t Fnv1a(std::uint64_t hash, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 0x100000001B3ULL;
    }
    return hash;
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

// Removes all but the newest kept images of folder (other files stay).
void KeepNewestImages(const std::string& folder, std::size_t kept)
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
    if (images.size() <= kept)
        return;
    std::sort(images.begin(), images.end(), std::greater<>());
    for (std::size_t i = kept; i < images.size(); ++i)
        ::unlink(images[i].second.c_str());
}

DictionaryImageKey ImageKey(const WordListFile& file, const CDictionary& dictionary)
{
    DictionaryImageKey key;
    key.nDevice = file.nDevice;
    key.nInode = file.nInode;
    key.nSize = file.nSize;
    key.nModified = file.nModified;
    key.nChanged = file.nChanged;
    dictionary.DescribeAlphabet(key);
    return key;
}

}  // namespace

std::optional<WordListFile> WordListFileOf(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    WordListFile file;
    file.nDevice = static_cast<std::uint64_t>(info.st_dev);
    file.nInode = static_cast<std::uint64_t>(info.st_ino);
    file.nSize = static_cast<std::uint64_t>(info.st_size);
    file.nModified = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    file.nChanged = static_cast<std::int64_t>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
    return file;
}

std::string DefaultDictionaryImageFolder()
{
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

CDictionaryCache::CDictionaryCache(std::string imageFolder) : m_strImageFolder(std::move(imageFolder)) {}

CDictionaryCache& CDictionaryCache::Shared()
{
    static CDictionaryCache cache(DefaultDictionaryImageFolder());
    return cache;
}

std::string CDictionaryCache::ImagePath(const WordListFile& file, const CDictionary& dictionary) const
{
    if (m_strImageFolder.empty())
        return {};
    const DictionaryImageKey key = ImageKey(file, dictionary);
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    hash = Fnv1a(hash, &key.nDevice, sizeof key.nDevice);
    hash = Fnv1a(hash, &key.nInode, sizeof key.nInode);
    hash = Fnv1a(hash, &key.nAlphabetSize, sizeof key.nAlphabetSize);
    hash = Fnv1a(hash, key.slots, sizeof key.slots);
    char name[40];
    std::snprintf(name, sizeof name, "dict-%016llx.tree", static_cast<unsigned long long>(hash));
    return m_strImageFolder + "/" + name;
}

void CDictionaryCache::LoadOrMap(CDictionary& dictionary, const std::string& path, const WordListFile& file)
{
    const std::string imagePath = ImagePath(file, dictionary);
    if (imagePath.empty()) {
        dictionary.LoadWords(path);
        return;
    }
    const DictionaryImageKey key = ImageKey(file, dictionary);
    if (dictionary.UseImage(CDictionaryImage::Map(imagePath, key)))
        return;
    // Only a whole list, from a file that did not change while it was read, leaves an image.
    if (dictionary.LoadWords(path) && WordListFileOf(path) == file && MakeFolders(m_strImageFolder) &&
        dictionary.SaveImage(imagePath, key))
        KeepNewestImages(m_strImageFolder, kKeptImages);
}

DictionaryLoadReport CDictionaryCache::Load(CDictionary& dictionary, const std::string& path, int alphabet)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    const std::optional<WordListFile> file = WordListFileOf(path);
    if (error || !file) {
        dictionary.SetAlphabet(alphabet);
        dictionary.LoadWords(path);
        return dictionary.LastLoad();
    }
    const Key key{absolute.lexically_normal().string(), alphabet, *file};

    const std::lock_guard<std::mutex> lock(m_Mutex);
    // Trees that no dictionary uses any more are let go.
    std::erase_if(m_Loaded, [&](const auto& entry) {
        return entry.first != key && entry.second.dictionary->TreeUseCount() <= 1;
    });
    auto found = m_Loaded.find(key);
    if (found == m_Loaded.end()) {
        Loaded loaded{std::make_unique<CDictionary>(), {}};
        loaded.dictionary->SetAlphabet(alphabet);
        LoadOrMap(*loaded.dictionary, path, *file);
        loaded.report = loaded.dictionary->LastLoad();
        // A file that could not be read is not kept: it may be readable next time.
        if (!loaded.report.bRead) {
            dictionary.ShareTree(*loaded.dictionary);
            return loaded.report;
        }
        found = m_Loaded.emplace(key, std::move(loaded)).first;
    }
    dictionary.ShareTree(*found->second.dictionary);
    return found->second.report;
}

std::string WordListMessage(const std::string& file, const DictionaryLoadReport& report)
{
    if (report.Unreadable())
        return std::string(DocMessages::kCannotReadWordList) + file + ".";
    if (report.BoundReached())
        return std::string(DocMessages::kWordListTooLong1) + file + std::string(DocMessages::kWordListTooLong2) +
               std::to_string(report.nKept) + std::string(DocMessages::kWordListTooLong3) +
               std::to_string(report.nLines) + std::string(DocMessages::kWordListTooLong4);
    return {};
}
