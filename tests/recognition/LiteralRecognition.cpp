#include "LiteralRecognition.h"

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

}  // namespace literal
