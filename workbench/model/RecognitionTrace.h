#pragma once

#include <cstdint>
#include <string>
#include <vector>

// How the last recognition of a document read its picture: plain values that every front
// end may show, copy or keep. Recognition replaces it on every run; it is not saved.

// One variant of a position: a glyph code and its match cost.
struct TraceVariant {
    int code = 0;
    int cost = 0;

    bool operator==(const TraceVariant&) const = default;
};

// One character position.
struct TracePosition {
    std::vector<TraceVariant> variants;  // in the order recognition added them (ascending code)
    int best = 0;                        // least cost of a comparable glyph; W x H when none is below it
    int worst = 0;                       // greatest cost of a comparable glyph; 0 when none is comparable
    std::uint8_t simple = 0;             // the character of the Simple step
    std::uint8_t final = 0;              // the character of the result text

    bool Exact() const { return best == 0; }
    bool Corrected() const { return simple != final; }
};

// One word of the cut of Complex recognition: positions start..end - 1.
struct TraceWord {
    int start = 0;
    int end = 0;
    std::uint32_t cost = 0;  // the word-cost matrix entry M[start][end]
    std::string text;        // its characters, a trailing space included
    bool bKnown = true;      // read from the list; false for a word the open step read as Simple did

    bool operator==(const TraceWord&) const = default;
};

struct RecognitionTrace {
    // Page: the cells of one line of a page reading, shown as a recognition's positions.
    enum class Kind { None, Simple, Complex, Page };

    Kind kind = Kind::None;        // None until a recognition ran
    std::vector<TracePosition> positions;
    // After Complex recognition: whether a cut into dictionary words exists, its words in
    // order and their total cost (summed as 32-bit unsigned values, as recognition does).
    bool bCut = false;
    std::vector<TraceWord> words;
    std::uint32_t totalCost = 0;
    bool bOpenWords = false;       // the open dictionary step ran: words outside the list allowed
    double dMilliseconds = 0;      // time the recognition took
    unsigned nRevision = 0;        // grows by one with every recognition of the document
    int nPageLine = -1;            // Page: the line shown, 0-based
    int nPageLines = 0;            // Page: the lines of the page

    bool Empty() const { return kind == Kind::None; }
    // Complex recognition ran and found no cut into dictionary words.
    bool NoCut() const { return kind == Kind::Complex && !bCut; }
    int ExactMatches() const;
    // Index of the word that holds position p, or -1.
    int WordAt(int p) const;
    // Words of the cut that hold a character other than a space: the one-space words that
    // cover the blank cells between them are not counted.
    int WordCount() const;
    // What the run found, in one line: positions, how many cells match a glyph exactly, time,
    // and for Complex recognition the words and their total cost (after the open step, also
    // how many words lie outside the list).
    std::string Summary() const;
};
