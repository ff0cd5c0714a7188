#include "LiteralRecognition.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace literal {

namespace {

const char* const kNoDictionary = "You MUST load dictionary \nbefore you can use Step 2!\n";
const char* const kNoVariants = "There are no variants! \nTry to increase Recognition Coefficient.";

// GetPixel: the colour, or an invalid colour outside the bitmap.
std::uint32_t GetPixel(const CRaster& picture, long long x, long long y)
{
    if (x < 0 || y < 0 || x >= picture.width() || y >= picture.height())
        return 0xFFFFFFFF;
    return picture.Row(static_cast<int>(y))[x] & 0xFFFFFF;
}

bool SetSize(BitImage& image, int height, int width)
{
    if (height < 0 || width < 0)
        return false;
    image.bytesPerRow = (width + 7) / 8;
    image.height = height;
    image.width = width;
    image.bits.assign(static_cast<std::size_t>(image.bytesPerRow) * height, 0);
    return !image.bits.empty();
}

void CopyFromGlyph(BitImage& image, const CCharImage& glyph)
{
    image.width = glyph.m_nWidth;
    image.height = glyph.m_nHeight;
    image.bytesPerRow = glyph.m_nBytesPerRow;
    image.bits = glyph.m_Bits;
}

int MatchCost(const BitImage& a, const BitImage& b)
{
    if (a.height != b.height)
        return -1;
    if (a.width != b.width)
        return -1;
    const int length = a.bytesPerRow * a.height;
    if (length <= 0)
        return 0;
    int cost = 0;
    for (int j = 0; j < length; ++j) {
        std::uint8_t x = a.bits[j] ^ b.bits[j];
        for (int bit = 0; bit < 8; ++bit)
            cost += (x >> bit) & 1;
    }
    return cost;
}

}  // namespace

int CaptureFromDC(BitImage& image, const CRaster& picture, long long left, long long top, long long right, long long bottom)
{
    if (!SetSize(image, static_cast<int>(bottom - top), static_cast<int>(right - left)))
        return 0;
    for (int r = 0; r < image.height; ++r)
        for (int b = 0; b < image.bytesPerRow; ++b) {
            std::uint8_t byte = 0;
            for (int i = 0; i < 8; ++i) {
                byte = static_cast<std::uint8_t>(byte << 1);
                if (GetPixel(picture, left + 8 * b + i, top + r) == 0)
                    byte |= 1;
            }
            image.bits[r * image.bytesPerRow + b] = byte;
        }
    return 1;
}

void PrefixList::Reset(int newCapacity)
{
    count = 0;
    capacity = newCapacity;
    node.assign(newCapacity, nullptr);
    slot.assign(newCapacity, 0);
    parent.assign(newCapacity, 0);
    cost.assign(newCapacity, 0);
}

void PrefixList::Add(const CDictNode* n, std::int32_t s, std::int32_t p, std::int32_t c)
{
    for (int i = 0; i < count; ++i)
        if (node[i] == n)
            return;
    node.at(count) = n;
    slot.at(count) = s;
    parent.at(count) = p;
    cost.at(count) = c;
    ++count;
}

int PrefixList::BestWordEnd() const
{
    int best = 0;
    bool found = false;
    for (int i = 0; i < count; ++i)
        if (node[i]->IsWordEnd() && (!found || static_cast<std::uint32_t>(cost[i]) < static_cast<std::uint32_t>(cost[best]))) {
            best = i;
            found = true;
        }
    return best;
}

void RecognizeSimple(State& state)
{
    const int n = state.cells;
    if (n == 0)
        return;
    state.resultText.clear();
    state.variants.assign(n, CCharVariants());
    state.costRanges.assign(n, {0, 0});
    const CCharImageFont& font = *state.font;
    const int first = font.First();
    const int last = font.Last();
    std::vector<std::vector<int>> cost(n, std::vector<int>(256, -1));

    const int W = font.CellWidth();
    const int H = font.CellHeight();
    const long long rectTop = 0;
    const long long rectBottom = 2LL * H;
    const int half = W / 2;
    const long long top = (rectBottom - rectTop - H) / 2;
    const long long bottom = top + H;

    BitImage glyphImage;
    // The best code stays from the position before; position 0 starts with the first code.
    int bestCode = first;
    for (int p = 0; p < n; ++p) {
        int best = W * H;
        int worst = 0;
        CaptureFromDC(state.cellImage, *state.picture, half + static_cast<long long>(p) * W, top,
                      half + static_cast<long long>(p + 1) * W, bottom);
        for (int c = first; c <= last; ++c) {
            const CCharImage* glyph = font.GetCharImage(c);
            if (glyph == nullptr) {
                cost[p][c] = -1;  // a font without glyphs has nothing to compare
                continue;
            }
            CopyFromGlyph(glyphImage, *glyph);
            cost[p][c] = MatchCost(glyphImage, state.cellImage);
            if (cost[p][c] != -1) {
                if (cost[p][c] < best) {
                    best = cost[p][c];
                    bestCode = c;
                }
                if (cost[p][c] > worst)
                    worst = cost[p][c];
            }
        }
        state.resultText += static_cast<char>(bestCode);
        state.costRanges[p] = {best, worst};
        for (int c = first; c <= last; ++c) {
            if (cost[p][c] == -1)
                continue;
            const long long product = static_cast<long long>(best) * worst;
            if (product != 0) {
                if (static_cast<double>(cost[p][c] - best) <= state.coefficient * static_cast<double>(worst - best))
                    state.variants[p].Add(static_cast<std::uint8_t>(c), cost[p][c]);
            } else if (c == bestCode) {
                state.variants[p].Add(static_cast<std::uint8_t>(c), 0);
            }
        }
    }
    state.simpleText = state.resultText;
    state.resultChanged = 1;
    state.resultPicture = 1;
    ++state.updates;
}

void BuildPrefixLists(State& state, int a, std::int32_t* row)
{
    const int n = state.cells;
    if (n == 0 || state.variants.empty())
        return;
    state.prefixLists.assign(n + 1, PrefixList());
    const CDictNode* root = state.dictionary->GetRoot();
    if (root == nullptr) {
        state.messages.push_back(kNoDictionary);
        return;
    }
    std::vector<PrefixList>& lists = state.prefixLists;
    lists[a].Reset(1);
    lists[a].Add(root, 0, 0, 0);
    row[a] = root->IsWordEnd() ? 0 : -1;
    for (int k = a + 1; k <= n; ++k) {
        const CCharVariants& v = state.variants[k - 1];
        const int V = v.m_nCount;
        const int L = lists[k - 1].count;
        lists[k].Reset(L * V);
        for (int j = 0; j < L; ++j) {
            const CDictNode* nodeJ = lists[k - 1].node[j];
            const std::int32_t costJ = lists[k - 1].cost[j];
            for (int s = 0; s < V; ++s) {
                const CDictNode* child = state.dictionary->GetChild(nodeJ, v.m_Codes[s]);
                const std::int32_t c = v.m_Costs[s];
                std::int32_t sum;
                if (c == -1 || costJ == -1)
                    sum = -1;
                else
                    sum = static_cast<std::int32_t>(static_cast<std::uint32_t>(c) + static_cast<std::uint32_t>(costJ));
                lists[k].Add(child, s, j, sum);
            }
        }
        row[k] = -1;
        for (int i = 0; i < lists[k].count; ++i)
            if (lists[k].node[i]->IsWordEnd() &&
                static_cast<std::uint32_t>(row[k]) >= static_cast<std::uint32_t>(lists[k].cost[i]))
                row[k] = lists[k].cost[i];
    }
}

void RecognizeComplex(State& state)
{
    RecognizeSimple(state);
    DictionaryStep(state);
}

void DictionaryStep(State& state)
{
    const int n = state.cells;
    const int size = n + 10;
    std::vector<std::vector<std::int32_t>> M(size, std::vector<std::int32_t>(size, -1));
    std::vector<std::int32_t> D(size), P(size), C(size);

    for (int a = 0; a < n; ++a)
        BuildPrefixLists(state, a, M[a].data());

    D[0] = 0;
    P[0] = 0;
    for (int i = 1; i <= n; ++i) {
        std::uint32_t best = 0xFFFFFFFF;
        std::int32_t bestStart = -1;
        for (int j = 0; j < i; ++j) {
            std::uint32_t t;
            if (D[j] == -1 || M[j][i] == -1)
                t = 0xFFFFFFFF;
            else
                t = static_cast<std::uint32_t>(D[j]) + static_cast<std::uint32_t>(M[j][i]);
            if (t < best) {
                best = t;
                bestStart = j;
            }
        }
        D[i] = static_cast<std::int32_t>(best);
        P[i] = bestStart;
    }

    state.wordCosts = M;
    state.totalCost = D[n];
    state.boundaries.clear();
    state.resultText.assign(n, ' ');
    for (int i = 0; i < n; ++i)
        C[i] = 0;
    C[n] = 1;
    for (int m = n; m != 0;) {
        if (P[m] == -1) {
            state.messages.push_back(kNoVariants);
            return;
        }
        m = P[m];
        C[m] = 1;
    }

    for (int i = 0; i <= n; ++i)
        if (C[i] == 1)
            state.boundaries.push_back(i);
    // The words from the last to the first.
    int e = n;
    for (int a = n - 1; a >= 0; --a) {
        if (C[a] != 1)
            continue;
        BuildPrefixLists(state, a, M[a].data());
        int x = state.prefixLists[e].BestWordEnd();
        for (int i = e - 1; i >= a; --i) {
            const PrefixList& list = state.prefixLists[i + 1];
            state.resultText[i] = static_cast<char>(state.variants[i].m_Codes[list.slot[x]]);
            x = list.parent[x];
        }
        e = a;
    }
    state.resultChanged = 1;
    ++state.updates;
}

namespace {

// The small letter of the alphabet that code stands for, or -1.
int Fold(const CDictionary& dictionary, int code)
{
    if (dictionary.AlphabetSize() == 27) {
        if (code >= 'a' && code <= 'z')
            return code;
        if (code >= 'A' && code <= 'Z')
            return code - 'A' + 'a';
        return -1;
    }
    if (dictionary.AlphabetSize() == 33) {
        if (code >= 0xE0 || code == 0xB8)
            return code;
        if (code >= 0xC0 && code <= 0xDF)
            return code + 0x20;
        if (code == 0xA8)
            return 0xB8;
    }
    return -1;
}

struct Candidate {
    int code;
    std::uint64_t cost;
};

// The best dictionary word of one run: least cost, then the lowest slots, then the lowest codes.
struct WordChoice {
    bool found = false;
    std::uint64_t cost = 0;
    std::vector<int> slots;
    std::vector<int> codes;

    bool Better(std::uint64_t c, const std::vector<int>& s, const std::vector<int>& k) const
    {
        if (!found)
            return true;
        if (c != cost)
            return c < cost;
        if (s != slots)
            return s < slots;
        return k < codes;
    }
};

void TryWords(const CDictionary& dictionary, const std::vector<std::vector<Candidate>>& letters, int p, int end,
              const CDictNode* node, std::uint64_t cost, std::vector<int>& slots, std::vector<int>& codes,
              WordChoice& best)
{
    if (node == dictionary.DeadEnd())
        return;
    if (p == end) {
        if (dictionary.GetChild(node, ' ')->IsWordEnd() && best.Better(cost, slots, codes))
            best = {true, cost, slots, codes};
        return;
    }
    for (const Candidate& c : letters[static_cast<std::size_t>(p)]) {
        const int folded = Fold(dictionary, c.code);
        slots.push_back(dictionary.Slot(static_cast<std::uint8_t>(folded)));
        codes.push_back(c.code);
        TryWords(dictionary, letters, p + 1, end, dictionary.GetChild(node, static_cast<std::uint8_t>(folded)), cost + c.cost,
                 slots, codes, best);
        slots.pop_back();
        codes.pop_back();
    }
}

}  // namespace

OpenReading OpenStep(int cells, const SimpleResult& simple, const CDictionary& dictionary, double penalty,
                     int cellPixels)
{
    OpenReading out;
    if (cells <= 0)
        return out;
    const auto n = static_cast<std::size_t>(cells);
    const std::uint64_t none = ~std::uint64_t{0};
    std::vector<int> code(n, ' ');
    std::vector<std::uint64_t> cost(n, 0), readCost(n, 0), space(n, none);
    std::vector<bool> letter(n, false);
    std::vector<std::vector<Candidate>> letters(n);
    for (std::size_t p = 0; p < n; ++p) {
        std::vector<Candidate> all;
        if (p < simple.variants.size())
            for (int i = 0; i < simple.variants[p].m_nCount; ++i)
                all.push_back({simple.variants[p].m_Codes[i], static_cast<std::uint64_t>(simple.variants[p].m_Costs[i])});
        if (p < simple.ranges.size())
            cost[p] = static_cast<std::uint64_t>(simple.ranges[p].best);
        for (std::uint8_t t : simple.Ties(static_cast<int>(p)))
            all.push_back({t, cost[p]});
        if (p < simple.text.size())
            code[p] = static_cast<std::uint8_t>(simple.text[p]);
        letter[p] = Fold(dictionary, code[p]) >= 0;
        for (std::uint8_t t : simple.Ties(static_cast<int>(p)))
            if (!letter[p] && Fold(dictionary, t) >= 0) {
                code[p] = t;
                letter[p] = true;
            }
        for (const Candidate& c : all) {
            if (Fold(dictionary, c.code) >= 0)
                letters[p].push_back(c);
            if (c.code == ' ')
                space[p] = std::min(space[p], c.cost);
        }
        const double share = std::clamp(penalty, 0.0, 10.0);
        const double c = static_cast<double>(cost[p]);
        readCost[p] = cost[p] + (letter[p] && cellPixels > 0 ? static_cast<std::uint64_t>(std::llround(share * c * c / cellPixels)) : 0);
    }

    // M[a][e]: the best dictionary word read from positions a..e - 1.
    std::vector<std::vector<WordChoice>> words(n, std::vector<WordChoice>(n + 1));
    if (dictionary.GetRoot() != nullptr)
        for (int a = 0; a < cells; ++a)
            for (int e = a + 1; e <= cells; ++e) {
                std::vector<int> slots, codes;
                TryWords(dictionary, letters, a, e, dictionary.GetRoot(), 0, slots, codes, words[a][e]);
            }

    // States: 0 after a dictionary word, 1 after a space or a sign (or at the start), 2 after a
    // sign that follows a dictionary word, 3 after a letter read as Simple read it. Ranks are
    // cost x 2^21 plus the positions read as Simple read them.
    auto rank = [](std::uint64_t c, int simplePositions) { return (c << 21) + static_cast<std::uint64_t>(simplePositions); };
    std::vector<std::array<std::uint64_t, 4>> best(n + 1, {none, none, none, none});
    std::vector<std::array<int, 4>> from(n + 1, {-1, -1, -1, -1});
    std::vector<std::array<bool, 4>> asSpace(n + 1, {false, false, false, false});
    best[0][1] = 0;
    for (std::size_t i = 1; i <= n; ++i) {
        const std::size_t p = i - 1;
        // A dictionary word ending here, from the earliest start among the best.
        for (std::size_t a = 0; a < i; ++a)
            if (best[a][1] != none && words[a][i].found) {
                const std::uint64_t r = best[a][1] + rank(words[a][i].cost, 0);
                if (r < best[i][0]) {
                    best[i][0] = r;
                    from[i][0] = static_cast<int>(a);
                }
            }
        for (int s = 0; s < 4; ++s) {
            if (best[p][s] == none)
                continue;
            const bool afterWord = s == 0 || s == 2;
            int to = -1;
            if (letter[p])
                to = s == 0 ? -1 : 3;
            else
                to = afterWord && code[p] != ' ' ? 2 : 1;
            if (to >= 0 && best[p][s] + rank(readCost[p], 1) < best[i][to]) {
                best[i][to] = best[p][s] + rank(readCost[p], 1);
                from[i][to] = s;
                asSpace[i][to] = false;
            }
            if (afterWord && !letter[p] && space[p] != none && best[p][s] + rank(space[p], 0) < best[i][1]) {
                best[i][1] = best[p][s] + rank(space[p], 0);
                from[i][1] = s;
                asSpace[i][1] = true;
            }
        }
    }
    int state = 0;
    for (int s = 1; s < 4; ++s)
        if (best[n][s] < best[n][state])
            state = s;
    out.totalCost = best[n][state] >> 21;

    out.text.assign(n, ' ');
    std::vector<bool> known(n, false);
    for (std::size_t i = n; i > 0;) {
        if (state == 0) {
            const auto a = static_cast<std::size_t>(from[i][0]);
            for (std::size_t k = a; k < i; ++k) {
                out.text[k] = static_cast<char>(words[a][i].codes[k - a]);
                known[k] = true;
            }
            state = 1;
            i = a;
        } else {
            out.text[i - 1] = asSpace[i][state] ? ' ' : static_cast<char>(code[i - 1]);
            state = from[i][state];
            --i;
        }
    }
    // A word ends after a space that comes before a non-space, and at the end of the row.
    bool anyKnown = false, anyUnknown = false;
    for (std::size_t p = 0; p < n; ++p) {
        if (known[p])
            anyKnown = true;
        else if (Fold(dictionary, static_cast<std::uint8_t>(out.text[p])) >= 0)
            anyUnknown = true;
        if (p + 1 == n || (out.text[p] == ' ' && out.text[p + 1] != ' ')) {
            out.wordEnds.push_back(static_cast<int>(p + 1));
            out.wordKnown.push_back(anyKnown && !anyUnknown);
            anyKnown = anyUnknown = false;
        }
    }
    return out;
}

}  // namespace literal
