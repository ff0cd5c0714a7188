#pragma once

#include "CComplexRecognizer.h"
#include "CDictionary.h"
#include "CSimpleRecognizer.h"

#include <cstdint>

// The settings of the open dictionary step.
struct OpenWordsOptions {
    // The default penalty, measured on the shipped corpora with the default font.
    static constexpr double kDefaultPenalty = 0.2;
    // Greatest penalty the front ends accept.
    static constexpr double kMaxPenalty = 10.0;

    // The unknown-word penalty P: a letter of a word that the list lacks, read by Simple at
    // cost c, costs c + P x c^2 / (W x H) (rounded). The penalty grows with the word's length
    // and with the noise: nothing on a clean picture, where Simple reads right, and more where
    // noise makes Simple's reading doubtful. Values outside 0..kMaxPenalty are taken as the
    // nearest bound, NaN as 0.
    double dUnknownPenalty = kDefaultPenalty;
    int nCellPixels = 0;  // W x H of the font the variants were matched with; 0: no penalty

    // The penalty of one letter that Simple read at cost, in match-cost units.
    std::uint64_t LetterPenalty(std::uint32_t cost) const;
};

// The lowercase letter of the dictionary's alphabet that code stands for, or -1 when code is
// no letter of it: a..z and A..Z with a Latin list (27 slots), the Windows-1251 letters
// а..я, А..Я, ё and Ё with a Cyrillic one (33 slots). A capital stands for its small letter.
int FoldedLetter(const CDictionary& dictionary, std::uint8_t code);

// The open dictionary step, a second step beside the list-only one: it reads dictionary words
// where they are nearly as cheap as Simple's reading and keeps Simple's reading elsewhere.
//
// - Every position can be read as Simple read it, so a cut always exists. A sign to which a
//   letter of the alphabet is tied reads as that letter (the Cyrillic twin of a Latin glyph).
// - A run of letters read as Simple read them forms an unknown word, which costs its Simple
//   cost plus the penalty of each of its letters (OpenWordsOptions).
// - A dictionary word is a run of letters, each a letter variant of its position, whose small
//   letters with a space form an entry of the list. It follows the start of the row, a space
//   or a sign; after it come signs or spaces, never letters. Where Simple read a sign after a
//   dictionary word (or after the signs that follow one), a space among the variants may be
//   read instead: noise turns spaces into thin signs.
// - Characters outside the alphabet are only ever read as Simple read them.
// - Of the letter variants of one position that reach the same dictionary node the cheapest
//   is read, the lowest code among equals; every glyph tied with the best is a variant.
// - The cheapest reading wins; among equal ones the one with fewer positions read as Simple
//   read them, then the longest dictionary word, then the word with the lowest letters.
//
// Time and memory grow linearly with the number of positions.
class COpenRecognizer {
public:
    explicit COpenRecognizer(OpenWordsOptions options) : m_Options(options) {}

    // Reads the positions 0..cells - 1 of simple. The result always has a cut (bCut): its words
    // are the runs of positions up to and including the spaces after them, each marked known
    // when it holds letters and all of them came from the list. Costs past 32 bits are clamped.
    // Throws std::bad_alloc when memory runs out.
    ComplexResult Recognize(int cells, const SimpleResult& simple, const CDictionary& dictionary) const;

private:
    OpenWordsOptions m_Options;
};
