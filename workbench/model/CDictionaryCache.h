#pragma once

#include "CDictionary.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

// A word list file as it stands: any change of the file moves its change time, even one
// that puts the modification time back.
struct WordListFile {
    std::uint64_t nDevice = 0;
    std::uint64_t nInode = 0;
    std::uint64_t nSize = 0;
    std::int64_t nModified = 0;  // nanoseconds
    std::int64_t nChanged = 0;   // nanoseconds

    auto operator<=>(const WordListFile&) const = default;
};

// The identity of the regular file at path; none for anything else.
std::optional<WordListFile> WordListFileOf(const std::string& path);

// The folder of the images of the desktop program and recognize-cli: $XDG_CACHE_HOME/recognize,
// else ~/.cache/recognize; empty (no images) when RECOGNIZE_NO_DICTIONARY_IMAGES is set.
std::string DefaultDictionaryImageFolder();

// Word lists loaded once per process: dictionaries that load the same unchanged file with
// the same alphabet share one read-only tree. A list that loads whole leaves the image of its
// tree in the image folder, and later loads of the unchanged file, in any process, map that
// image instead of reading the list. Safe to use from several threads.
class CDictionaryCache {
public:
    // Images a folder keeps: the oldest beyond them are removed when a new one is written.
    static constexpr std::size_t kKeptImages = 16;

    // Keeps images in imageFolder; an empty folder keeps none.
    explicit CDictionaryCache(std::string imageFolder = {});
    CDictionaryCache(const CDictionaryCache&) = delete;
    CDictionaryCache& operator=(const CDictionaryCache&) = delete;

    // The cache of the documents, its images in DefaultDictionaryImageFolder().
    static CDictionaryCache& Shared();

    // Makes dictionary the word list at path with alphabet (1 Latin, 0 Cyrillic), as
    // SetAlphabet and LoadWords do, sharing the tree of an earlier load of the same unchanged
    // file. Returns what the load reported.
    DictionaryLoadReport Load(CDictionary& dictionary, const std::string& path, int alphabet);

    // Where the image of file's list for dictionary's alphabet lies; empty without a folder.
    std::string ImagePath(const WordListFile& file, const CDictionary& dictionary) const;

private:
    struct Key {
        std::string path;
        int alphabet = 0;
        WordListFile file;
        auto operator<=>(const Key&) const = default;
    };
    struct Loaded {
        std::unique_ptr<CDictionary> dictionary;
        DictionaryLoadReport report;
    };

    // Loads path into dictionary from its image, or from the text and then leaves an image.
    void LoadOrMap(CDictionary& dictionary, const std::string& path, const WordListFile& file);

    std::string m_strImageFolder;
    std::mutex m_Mutex;
    std::map<Key, Loaded> m_Loaded;
};

// What a front end tells the user about a load of file: empty when it kept every line.
std::string WordListMessage(const std::string& file, const DictionaryLoadReport& report);
