#include "CDictionaryCache.h"

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

#include <sys/stat.h>

namespace {

// A file as it stood when it was loaded.
struct FileKey {
    std::string path;
    int alphabet;
    dev_t device;
    ino_t inode;
    off_t size;
    long long modifiedNs;

    auto Tie() const { return std::tie(path, alphabet, device, inode, size, modifiedNs); }
    bool operator<(const FileKey& other) const { return Tie() < other.Tie(); }
};

struct Loaded {
    std::unique_ptr<CDictionary> dictionary;
    DictionaryLoadReport report;
};

std::mutex g_Mutex;
std::map<FileKey, Loaded> g_Loaded;

}  // namespace

DictionaryLoadReport CDictionaryCache::Load(CDictionary& dictionary, const std::string& path, int alphabet)
{
    struct stat info {};
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        dictionary.SetAlphabet(alphabet);
        dictionary.LoadWords(path);
        return dictionary.LastLoad();
    }
    const FileKey key{absolute.lexically_normal().string(), alphabet, info.st_dev, info.st_ino, info.st_size,
                      static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec};

    const std::lock_guard<std::mutex> lock(g_Mutex);
    // Trees that no document uses any more are let go.
    for (auto it = g_Loaded.begin(); it != g_Loaded.end();) {
        if (!(it->first < key) && !(key < it->first))
            ++it;
        else if (it->second.dictionary->TreeUseCount() <= 1)
            it = g_Loaded.erase(it);
        else
            ++it;
    }
    auto found = g_Loaded.find(key);
    if (found == g_Loaded.end()) {
        Loaded loaded{std::make_unique<CDictionary>(), {}};
        loaded.dictionary->SetAlphabet(alphabet);
        loaded.dictionary->LoadWords(path);
        loaded.report = loaded.dictionary->LastLoad();
        // A file that could not be read is not kept: it may be readable next time.
        if (!loaded.report.bRead) {
            dictionary.ShareTree(*loaded.dictionary);
            return loaded.report;
        }
        found = g_Loaded.emplace(key, std::move(loaded)).first;
    }
    dictionary.ShareTree(*found->second.dictionary);
    return found->second.report;
}
