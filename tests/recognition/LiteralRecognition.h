#pragma once

// A plain, literal rendering of Simple and Complex recognition, step by step as the
// algorithms are described: pixel-by-pixel capture, a copy of every glyph, a full cost table,
// prefix lists with a linear search, and the full (n + 10) x (n + 10) word-cost matrix. It is
// slow on purpose; the tests compare the fast engine and the document with it.

#include "CCharImageFont.h"
#include "CCharVariants.h"
#include "CDictionary.h"
#include "CRaster.h"
#include "CSimpleRecognizer.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace literal {

// A prefix list with arrays of its full capacity.
struct PrefixList {
    int count = 0;
    int capacity = 0;
    std::vector<const CDictNode*> node;
    std::vector<std::int32_t> slot;
    std::vector<std::int32_t> parent;
    std::vector<std::int32_t> cost;

    void Reset(int newCapacity);
    void Add(const CDictNode* n, std::int32_t s, std::int32_t p, std::int32_t c);
    int BestWordEnd() const;
};

// A bit image as recognition fills it: most significant bit first, 1 = ink.
struct BitImage {
    int bytesPerRow = 0;
    std::vector<std::uint8_t> bits;
    int height = 0;
    int width = 0;
};

// The document fields that recognition reads and writes.
struct State {
    // Read.
    const CRaster* picture = nullptr;
    const CCharImageFont* font = nullptr;
    const CDictionary* dictionary = nullptr;
    int cells = 0;
    double coefficient = 0.2;
    // Written.
    std::string resultText = "No recognition info yet!";
    std::vector<CCharVariants> variants;  // empty: no array
    std::vector<PrefixList> prefixLists;  // empty: no array
    BitImage cellImage;
    int resultChanged = 0;
    int resultPicture = 0;
    std::string simpleText;             // the result text of the Simple step
    std::vector<std::pair<int, int>> costRanges;  // best and worst cost of each position
    std::vector<std::vector<std::int32_t>> wordCosts;  // the word-cost matrix M of the last step
    std::vector<int> boundaries;        // the cut's word boundaries 0 = b0 < ... < n; empty without one
    std::int32_t totalCost = -1;        // D[n]
    int updates = 0;                    // UpdateAllViews calls
    std::vector<std::string> messages;  // texts of the message boxes, in order
};

// Samples [left, right) x [top, bottom) of the picture one GetPixel at a time; 0 when the
// rectangle is empty.
int CaptureFromDC(BitImage& image, const CRaster& picture, long long left, long long top, long long right, long long bottom);

void RecognizeSimple(State& state);
void RecognizeComplex(State& state);
// The second step of Complex recognition alone, over the variants already in state.
void DictionaryStep(State& state);
// Rebuilds the prefix lists from start a and writes row[a..n].
void BuildPrefixLists(State& state, int a, std::int32_t* row);

// What the open dictionary step reads, as the literal version computes it.
struct OpenReading {
    std::string text;
    std::uint64_t totalCost = 0;
    std::vector<int> wordEnds;     // one past the last position of each word
    std::vector<bool> wordKnown;   // per word: its letters came from the list
};

// The open dictionary step written out plainly: every dictionary word of every run of
// positions found by trying every letter variant, a full cost matrix, and the least-cost
// reading over the four ways a boundary can be reached. penalty is the unknown-word penalty,
// cellPixels W x H.
OpenReading OpenStep(int cells, const SimpleResult& simple, const CDictionary& dictionary, double penalty,
                     int cellPixels);

}  // namespace literal
