#include "COpenRecognizer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <new>

namespace {

constexpr std::uint64_t kNone = std::numeric_limits<std::uint64_t>::max();

// How the reading up to a boundary ends; the order is the preference among equal costs.
enum State : int {
    kAfterWord = 0,      // the last letter of a dictionary word
    kAfterSpace = 1,     // a space, a sign that follows no dictionary word, or the start of the row
    kAfterWordSign = 2,  // a sign after a dictionary word ("works.", "wife's")
    kAfterUnknown = 3,   // a letter read as Simple read it
    kStates = 4,
};

// A letter variant of a position: the cheapest of its dictionary slot.
struct LetterVariant {
    int slot;
    std::uint8_t code;
    std::uint32_t cost;
};

// What the open step may read at each position: Simple's character and cost, and one letter
// variant per dictionary slot, in ascending slot order.
class CPositionLetters {
public:
    CPositionLetters(int cells, const SimpleResult& simple, const CDictionary& dictionary)
    {
        const auto n = static_cast<std::size_t>(cells);
        m_Codes.resize(n, ' ');
        m_Costs.resize(n, 0);
        m_bLetter.resize(n, false);
        m_Start.reserve(n + 1);
        LetterVariant bySlot[64];
        bool used[64];
        for (int p = 0; p < cells; ++p) {
            const auto i = static_cast<std::size_t>(p);
            if (i < simple.text.size())
                m_Codes[i] = static_cast<std::uint8_t>(simple.text[i]);
            if (i < simple.ranges.size())
                m_Costs[i] = static_cast<std::uint32_t>(std::max(simple.ranges[i].best, 0));
            m_bLetter[i] = FoldedLetter(dictionary, m_Codes[i]) >= 0;
            // A sign with a letter of the alphabet tied to it reads as that letter: the Cyrillic
            // twin of a Latin glyph in a Cyrillic word outside the list.
            if (!m_bLetter[i])
                for (std::uint8_t code : simple.Ties(p))
                    if (FoldedLetter(dictionary, code) >= 0) {
                        m_Codes[i] = code;
                        m_bLetter[i] = true;
                        break;
                    }

            std::fill(std::begin(used), std::end(used), false);
            auto offer = [&](std::uint8_t code, std::int32_t cost) {
                const int letter = FoldedLetter(dictionary, code);
                if (letter < 0 || cost < 0)
                    return;
                const int slot = dictionary.Slot(static_cast<std::uint8_t>(letter));
                const auto c = static_cast<std::uint32_t>(cost);
                LetterVariant& held = bySlot[slot];
                if (!used[slot] || c < held.cost || (c == held.cost && code < held.code)) {
                    held = {slot, code, c};
                    used[slot] = true;
                }
            };
            if (i < simple.variants.size()) {
                const CCharVariants& v = simple.variants[i];
                for (int s = 0; s < std::clamp(v.m_nCount, 0, 256); ++s)
                    offer(v.m_Codes[s], v.m_Costs[s]);
            }
            for (std::uint8_t code : simple.Ties(p))
                offer(code, static_cast<std::int32_t>(m_Costs[i]));
            m_SpaceCosts.push_back(SpaceCost(simple, p));

            m_Start.push_back(m_Letters.size());
            for (int slot = 0; slot < 64; ++slot)
                if (used[slot])
                    m_Letters.push_back(bySlot[slot]);
        }
        m_Start.push_back(m_Letters.size());
    }

    std::uint8_t Code(int p) const { return m_Codes[static_cast<std::size_t>(p)]; }
    std::uint32_t Cost(int p) const { return m_Costs[static_cast<std::size_t>(p)]; }
    // The cost of reading p as Simple read it: its cost, plus the penalty for a letter.
    std::uint64_t SimpleCost(int p, const OpenWordsOptions& options) const
    {
        return Cost(p) + (Letter(p) ? options.LetterPenalty(Cost(p)) : 0);
    }
    bool Letter(int p) const { return m_bLetter[static_cast<std::size_t>(p)]; }
    // The cost of the space among the variants of p (tied glyphs included), or kNone.
    std::uint64_t Space(int p) const { return m_SpaceCosts[static_cast<std::size_t>(p)]; }
    const LetterVariant* Begin(int p) const { return m_Letters.data() + m_Start[static_cast<std::size_t>(p)]; }
    const LetterVariant* End(int p) const { return m_Letters.data() + m_Start[static_cast<std::size_t>(p) + 1]; }

private:
    static std::uint64_t SpaceCost(const SimpleResult& simple, int p)
    {
        const auto i = static_cast<std::size_t>(p);
        for (std::uint8_t code : simple.Ties(p))
            if (code == ' ')
                return static_cast<std::uint32_t>(std::max(simple.ranges[i].best, 0));
        if (i < simple.variants.size()) {
            const CCharVariants& v = simple.variants[i];
            for (int s = 0; s < std::clamp(v.m_nCount, 0, 256); ++s)
                if (v.m_Codes[s] == ' ' && v.m_Costs[s] >= 0)
                    return static_cast<std::uint32_t>(v.m_Costs[s]);
        }
        return kNone;
    }

    std::vector<std::uint8_t> m_Codes;
    std::vector<std::uint32_t> m_Costs;
    std::vector<std::uint64_t> m_SpaceCosts;
    std::vector<bool> m_bLetter;
    std::vector<LetterVariant> m_Letters;
    std::vector<std::size_t> m_Start;
};

// A dictionary prefix read from a start position. The trie is a tree, so each node is reached
// from one parent only, through the one variant of its slot: no two entries share a node.
struct WordEntry {
    const CDictNode* node;
    std::uint64_t cost;
    std::int32_t parent;  // index of the entry one position before
    std::uint8_t code;    // the letter read last
};

// Reads dictionary prefixes position by position. Entries come in the order of their letters'
// slots, so among equal costs the first word end has the lowest letters.
class CWordReader {
public:
    CWordReader(const CPositionLetters& letters, const CDictionary& dictionary)
        : m_Letters(letters), m_Dictionary(dictionary) {}

    // True when the letters read up to node, followed by a space, form an entry.
    bool EndsWord(const CDictNode* node) const { return m_Dictionary.GetChild(node, ' ')->IsWordEnd() != 0; }

    // next = the prefixes of prev extended by one letter variant of position p. Returns the
    // index of the first of the cheapest entries that end a word, or -1.
    int Extend(const std::vector<WordEntry>& prev, int p, std::vector<WordEntry>& next) const
    {
        next.clear();
        const CDictNode* deadEnd = m_Dictionary.DeadEnd();
        for (std::size_t j = 0; j < prev.size(); ++j)
            for (const LetterVariant* v = m_Letters.Begin(p); v != m_Letters.End(p); ++v) {
                const CDictNode* child = m_Dictionary.ChildInSlot(prev[j].node, v->slot);
                if (child != deadEnd)
                    next.push_back({child, prev[j].cost + v->cost, static_cast<std::int32_t>(j), v->code});
            }
        int best = -1;
        for (std::size_t i = 0; i < next.size(); ++i)
            if (EndsWord(next[i].node) && (best < 0 || next[i].cost < next[static_cast<std::size_t>(best)].cost))
                best = static_cast<int>(i);
        return best;
    }

private:
    const CPositionLetters& m_Letters;
    const CDictionary& m_Dictionary;
};

// The readings are ranked by cost, then by how many positions were read as Simple read them,
// so that of equal costs the one with more dictionary letters wins ("землю" read with the
// Cyrillic twins of Latin glyphs rather than with the Latin glyphs).
constexpr int kRankBits = 21;  // room for the count of 2^21 positions; costs stay below 2^43

std::uint64_t Ranked(std::uint64_t cost, int simplePositions)
{
    return (cost << kRankBits) + static_cast<std::uint64_t>(simplePositions);
}

std::uint32_t Clamp32(std::uint64_t cost)
{
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(cost, 0xFFFFFFFEU));
}

}  // namespace

std::uint64_t OpenWordsOptions::LetterPenalty(std::uint32_t cost) const
{
    if (nCellPixels <= 0)
        return 0;
    const double share = std::isnan(dUnknownPenalty) ? 0.0 : std::clamp(dUnknownPenalty, 0.0, kMaxPenalty);
    const double c = cost;
    return static_cast<std::uint64_t>(std::llround(share * c * c / nCellPixels));
}

int FoldedLetter(const CDictionary& dictionary, std::uint8_t code)
{
    if (dictionary.AlphabetSize() == 33) {
        if (code >= 224 || code == 184)
            return code;
        if (code >= 192)
            return code + 32;
        return code == 168 ? 184 : -1;
    }
    if (dictionary.AlphabetSize() == 27) {
        if (code >= 'a' && code <= 'z')
            return code;
        if (code >= 'A' && code <= 'Z')
            return code + ('a' - 'A');
    }
    return -1;
}

ComplexResult COpenRecognizer::Recognize(int cells, const SimpleResult& simple, const CDictionary& dictionary) const
{
    ComplexResult result;
    result.bCut = true;
    if (cells <= 0)
        return result;
    // Past this many positions the ranks would not fit 64 bits; no document holds so many.
    if (cells >= (1 << kRankBits))
        throw std::bad_alloc();
    const auto n = static_cast<std::size_t>(cells);
    const CPositionLetters letters(cells, simple, dictionary);
    const CWordReader reader(letters, dictionary);
    const CDictNode* root = dictionary.GetRoot();

    // The cheapest dictionary word from every start that follows a sign, for the ends
    // start + 1 .. start + reach[start]; no word reaches further than the list's longest.
    std::vector<std::uint64_t> wordCosts;
    std::vector<std::size_t> rowStart(n, 0);
    std::vector<int> reach(n, 0);
    std::vector<WordEntry> prev, next;
    for (int a = 0; a < cells; ++a) {
        rowStart[a] = wordCosts.size();
        // A word never follows a letter: it starts at the row's start or after a space or sign.
        if (root == nullptr || (a > 0 && letters.Letter(a - 1)))
            continue;
        prev.assign(1, WordEntry{root, 0, 0, 0});
        for (int k = a; k < cells; ++k) {
            const int best = reader.Extend(prev, k, next);
            if (next.empty())
                break;
            wordCosts.push_back(best < 0 ? kNone : next[static_cast<std::size_t>(best)].cost);
            prev.swap(next);
        }
        reach[a] = static_cast<int>(wordCosts.size() - rowStart[a]);
    }

    // least[i][s]: the best ranked reading of positions 0..i - 1 that ends in state s. Each
    // boundary hands its readings on in state order, and only a strictly smaller cost
    // replaces, so the preferences among equal costs hold. A position is read as Simple read
    // it, or as a space when one is among its variants and it follows a dictionary word and
    // the signs after it, or as a letter of a dictionary word that follows a space or sign.
    using Row = std::array<std::uint64_t, kStates>;
    std::vector<Row> least(n + 1, Row{kNone, kNone, kNone, kNone});
    std::vector<std::array<int, kStates>> from(n + 1, {-1, -1, -1, -1});  // previous state, or the word's start
    std::vector<std::array<char, kStates>> asSpace(n + 1, {0, 0, 0, 0});   // the position was read as a space
    least[0][kAfterSpace] = 0;
    auto relax = [&](std::size_t i, State to, std::uint64_t cost, int origin, bool space) {
        if (cost < least[i][to]) {
            least[i][to] = cost;
            from[i][to] = origin;
            asSpace[i][to] = space ? 1 : 0;
        }
    };
    for (int i = 0; i < cells; ++i) {
        const std::size_t here = static_cast<std::size_t>(i);
        const bool letter = letters.Letter(i);
        const std::uint64_t simpleCost = letters.SimpleCost(i, m_Options);
        for (int s = 0; s < kStates; ++s) {
            if (least[here][s] == kNone)
                continue;
            const bool afterWord = s == kAfterWord || s == kAfterWordSign;
            if (letter) {
                if (s != kAfterWord)
                    relax(here + 1, kAfterUnknown, least[here][s] + Ranked(simpleCost, 1), s, false);
            } else {
                const State to = afterWord && letters.Code(i) != ' ' ? kAfterWordSign : kAfterSpace;
                relax(here + 1, to, least[here][s] + Ranked(simpleCost, 1), s, false);
            }
            // A space is read from the variants only where Simple read a sign: letters stay.
            if (afterWord && !letter && letters.Space(i) != kNone)
                relax(here + 1, kAfterSpace, least[here][s] + Ranked(letters.Space(i), 0), s, true);
        }
        // Two dictionary words with only a sign between them are one word the list lacks.
        if (least[here][kAfterSpace] == kNone)
            continue;
        const std::uint64_t* word = wordCosts.data() + rowStart[here];
        for (int length = 1; length <= reach[here]; ++length)
            if (word[length - 1] != kNone)
                relax(here + static_cast<std::size_t>(length), kAfterWord, least[here][kAfterSpace] + Ranked(word[length - 1], 0), i,
                      false);
    }
    int state = 0;
    for (int s = 1; s < kStates; ++s)
        if (least[n][s] < least[n][state])
            state = s;
    result.totalCost = Clamp32(least[n][state] >> kRankBits);

    // Back from the end: Simple's characters, and the letters of each dictionary word.
    result.text.resize(n);
    std::vector<std::uint64_t> positionCost(n, 0);
    std::vector<char> known(n, 0);
    std::vector<std::vector<WordEntry>> levels;
    for (int i = cells; i > 0;) {
        const std::size_t here = static_cast<std::size_t>(i);
        if (state != kAfterWord) {
            const int previous = from[here][state];
            if (asSpace[here][state]) {
                result.text[here - 1] = ' ';
                positionCost[here - 1] = letters.Space(i - 1);
            } else {
                result.text[here - 1] = static_cast<char>(letters.Code(i - 1));
                positionCost[here - 1] = letters.SimpleCost(i - 1, m_Options);
            }
            state = previous;
            --i;
            continue;
        }
        const int a = from[here][kAfterWord];
        levels.resize(static_cast<std::size_t>(i - a) + 1);
        levels[0].assign(1, WordEntry{root, 0, 0, 0});
        int x = 0;
        for (int k = a; k < i; ++k)
            x = reader.Extend(levels[static_cast<std::size_t>(k - a)], k, levels[static_cast<std::size_t>(k - a) + 1]);
        for (int k = i - 1; k >= a; --k) {
            const WordEntry& entry = levels[static_cast<std::size_t>(k - a) + 1][static_cast<std::size_t>(x)];
            const WordEntry& parent = levels[static_cast<std::size_t>(k - a)][static_cast<std::size_t>(entry.parent)];
            result.text[static_cast<std::size_t>(k)] = static_cast<char>(entry.code);
            positionCost[static_cast<std::size_t>(k)] = entry.cost - parent.cost;
            known[static_cast<std::size_t>(k)] = 1;
            x = entry.parent;
        }
        state = kAfterSpace;
        i = a;
    }

    // The words: each run of positions up to and including the spaces after it.
    int start = 0;
    for (int p = 0; p < cells; ++p) {
        const bool last = p + 1 == cells;
        if (!last && !(result.text[static_cast<std::size_t>(p)] == ' ' && result.text[static_cast<std::size_t>(p) + 1] != ' '))
            continue;
        CutWord word{start, p + 1, 0, false};
        std::uint64_t cost = 0;
        bool anyKnown = false, anyUnknown = false;
        for (int q = start; q <= p; ++q) {
            const auto i = static_cast<std::size_t>(q);
            cost += positionCost[i];
            if (known[i])
                anyKnown = true;
            else if (FoldedLetter(dictionary, static_cast<std::uint8_t>(result.text[i])) >= 0)
                anyUnknown = true;
        }
        word.cost = Clamp32(cost);
        word.bKnown = anyKnown && !anyUnknown;
        result.words.push_back(word);
        start = p + 1;
    }
    return result;
}
