#pragma once

#include "CDictionary.h"

#include <string>

// Word lists loaded once per process: documents that load the same unchanged file with the
// same alphabet share one read-only tree. Safe to use from several threads.
class CDictionaryCache {
public:
    // Makes dictionary the word list at path with alphabet (1 Latin, 0 Cyrillic), as
    // SetAlphabet and LoadWords do, sharing the tree of an earlier load of the same file when
    // its size and modification time are unchanged. Returns what the load reported.
    static DictionaryLoadReport Load(CDictionary& dictionary, const std::string& path, int alphabet);
};
