#pragma once

#include "CCharVariants.h"
#include "CDictionary.h"
#include "CPrefixList.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// What a rebuild of the prefix lists did.
enum class PrefixListsStatus {
    Built,
    NothingToDo,      // no positions, no variants, or a start outside 0..cells: nothing changed
    AllocationError,  // the lists could not be made; they are left empty
    NoDictionary,     // the dictionary has no root; the new lists stay empty, the row untouched
};

// Rebuilds lists from start position a: cells + 1 new lists, list k holding the distinct
// dictionary nodes reached by reading one variant at each position a..k - 1, the first
// arrival at a node staying. Writes row[a..cells]: row[k] is the least cost of a word read
// from a to k, or -1. Positions past the end of variants have no variants.
PrefixListsStatus BuildPrefixLists(std::vector<CPrefixList>& lists, int a, int cells,
                                   std::span<const CCharVariants> variants,
                                   const CDictionary& dictionary, std::int32_t* row);

// One word of the cut: positions start..end - 1 and the word-cost matrix entry M[start][end].
struct CutWord {
    int start = 0;
    int end = 0;
    std::uint32_t cost = 0;
    bool bKnown = true;  // its letters were read from the list (every word of the list-only step)
};

// The result of the dictionary step.
struct ComplexResult {
    bool bCut = false;  // the positions could be cut into dictionary words (no positions: true)
    std::string text;   // the characters of those words; cells spaces when there is no cut
    std::vector<CutWord> words;  // the cut, first word first; empty when there is none
    std::uint32_t totalCost = 0; // sum of the word costs, as 32-bit unsigned arithmetic adds them
};

// The dictionary step of Complex recognition: the cheapest cut of the positions into
// consecutive dictionary words, one variant read per position.
//
// Words are never longer than the dictionary's deepest entry, so the word costs are kept
// only for the positions that a word from each start can reach; time and memory grow
// linearly with the number of positions. The outcome equals that of the full word-cost
// matrix, prefix lists included.
class CComplexRecognizer {
public:
    // Runs the step over cells positions. When the dictionary has no root, notify hears
    // NoDictionary once for every start position, as every rebuild reports it. lists ends as
    // the last rebuild of the full algorithm leaves it: built from position 0 after a cut,
    // from the last position when there is none. Throws std::bad_alloc when memory runs out.
    ComplexResult Recognize(int cells, std::span<const CCharVariants> variants,
                            const CDictionary& dictionary, std::vector<CPrefixList>& lists,
                            const std::function<void(PrefixListsStatus)>& notify) const;
};
