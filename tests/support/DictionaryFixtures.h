#pragma once

#include "CDictionary.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

// Shared helpers of the dictionary tests: lookups by reading, a tree's shape, word-list files.

// The node reached from the root by following every character of reading.
inline const CDictNode* Follow(const CDictionary& dictionary, std::string_view reading)
{
    const CDictNode* node = dictionary.GetRoot();
    for (char c : reading)
        node = dictionary.GetChild(node, static_cast<std::uint8_t>(c));
    return node;
}

// True when reading followed by a space ends a word of the dictionary.
inline bool IsWord(const CDictionary& dictionary, std::string_view reading)
{
    return Follow(dictionary, std::string(reading) + ' ')->IsWordEnd() == 1;
}

inline void WriteFile(const std::string& path, std::string_view text)
{
    std::ofstream(path, std::ios::binary).write(text.data(), static_cast<std::streamsize>(text.size()));
}

// Every node's word end and child slots, depth first from the root: equal for two trees
// exactly when they hold the same slot prefixes and words.
inline std::string Shape(const CDictionary& dictionary)
{
    std::string shape;
    std::vector<const CDictNode*> stack{dictionary.GetRoot()};
    while (!stack.empty()) {
        const CDictNode* node = stack.back();
        stack.pop_back();
        shape += node->IsWordEnd() ? 'w' : '.';
        for (int slot = dictionary.AlphabetSize() - 1; slot >= 0; --slot) {
            const CDictNode* child = dictionary.ChildInSlot(node, slot);
            if (child != dictionary.DeadEnd()) {
                shape += static_cast<char>('A' + slot);
                stack.push_back(child);
            }
        }
        shape += '|';
    }
    return shape;
}
