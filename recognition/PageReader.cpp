#include "PageReader.h"

#include "CComplexRecognizer.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <new>

namespace {

constexpr std::uint32_t kColourMask = 0xFFFFFF;

// Cells captured and matched together, as Simple recognition does.
constexpr int kBlockCells = 16;

// Cells of a line that the grid search compares: enough to tell the grids apart, few enough
// that the search stays well below the cost of matching the page once.
constexpr int kSampleCells = 24;

// Lines of the page from which the shared grid is found.
constexpr int kSampleLines = 8;

double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

long long FloorDiv(long long a, long long b)
{
    const long long q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

long long Mod(long long a, long long b)
{
    return a - FloorDiv(a, b) * b;
}

// The largest of the three channel differences of two colours.
int ColourDistance(std::uint32_t a, std::uint32_t b)
{
    int distance = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        distance = std::max(distance, d < 0 ? -d : d);
    }
    return distance;
}

// Counts of colours in a small open-addressing table that grows as colours arrive.
class CColourCounter {
public:
    CColourCounter() : m_Keys(1024, kEmpty), m_Counts(1024, 0) {}

    void Add(std::uint32_t colour, long long count)
    {
        std::size_t mask = m_Keys.size() - 1;
        std::size_t i = Hash(colour) & mask;
        while (m_Keys[i] != kEmpty && m_Keys[i] != colour)
            i = (i + 1) & mask;
        if (m_Keys[i] == kEmpty) {
            m_Keys[i] = colour;
            if (++m_nUsed * 2 > m_Keys.size()) {
                m_Counts[i] = count;
                Grow();
                return;
            }
        }
        m_Counts[i] += count;
    }

    // The most common colour; among equals the lowest.
    std::uint32_t MostCommon() const
    {
        std::uint32_t best = CRaster::kWhite;
        long long bestCount = -1;
        for (std::size_t i = 0; i < m_Keys.size(); ++i)
            if (m_Keys[i] != kEmpty && (m_Counts[i] > bestCount || (m_Counts[i] == bestCount && m_Keys[i] < best))) {
                best = m_Keys[i];
                bestCount = m_Counts[i];
            }
        return best;
    }

private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;  // never a colour: colours have 24 bits

    static std::size_t Hash(std::uint32_t colour) { return (colour * 0x9E3779B1U) >> 8; }

    void Grow()
    {
        std::vector<std::uint32_t> keys(m_Keys.size() * 2, kEmpty);
        std::vector<long long> counts(keys.size(), 0);
        const std::size_t mask = keys.size() - 1;
        for (std::size_t j = 0; j < m_Keys.size(); ++j) {
            if (m_Keys[j] == kEmpty)
                continue;
            std::size_t i = Hash(m_Keys[j]) & mask;
            while (keys[i] != kEmpty)
                i = (i + 1) & mask;
            keys[i] = m_Keys[j];
            counts[i] = m_Counts[j];
        }
        m_Keys.swap(keys);
        m_Counts.swap(counts);
    }

    std::vector<std::uint32_t> m_Keys;
    std::vector<long long> m_Counts;
    std::size_t m_nUsed = 0;
};

// The most common colour of a picture, counted run by run: a screenshot is mostly long runs
// of one colour, so the table sees few additions.
std::uint32_t MostCommonColour(const CRaster& picture)
{
    CColourCounter counter;
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint32_t* row = picture.Row(y);
        const int width = picture.width();
        int x = 0;
        while (x < width) {
            const std::uint32_t colour = row[x] & kColourMask;
            int end = x + 1;
            while (end < width && (row[end] & kColourMask) == colour)
                ++end;
            counter.Add(colour, end - x);
            x = end;
        }
    }
    return counter.MostCommon();
}

// The largest channel distance of any pixel from the background.
int Contrast(const CRaster& picture, std::uint32_t background)
{
    int contrast = 0;
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint32_t* row = picture.Row(y);
        for (int x = 0; x < picture.width(); ++x)
            contrast = std::max(contrast, ColourDistance(row[x] & kColourMask, background));
        if (contrast == 255)
            break;
    }
    return contrast;
}

// 64 bits of a row of the ink from pixel x on, pixel x in bit 63; pixels outside the row are 0.
std::uint64_t InkWord(const InkBits& ink, const std::uint64_t* row, long long x)
{
    if (x >= ink.width || x <= -64)
        return 0;
    const long long index = FloorDiv(x, 64);
    const int shift = static_cast<int>(x - index * 64);
    const std::uint64_t high = index >= 0 ? row[index] : 0;
    if (shift == 0)
        return high;
    const std::uint64_t low = index + 1 < ink.wordsPerRow ? row[index + 1] : 0;
    return (high << shift) | (low >> (64 - shift));
}

// The glyphs of one cell size packed for matching, the bits past the width cleared so that
// only the W x H pixels of a glyph count.
struct PageGlyphs {
    int width = 0;
    int height = 0;
    int bytesPerRow = 0;
    std::size_t stride = 0;
    CAlignedBytes bits;
    std::vector<std::uint8_t> codes;

    int Rows() const { return static_cast<int>(codes.size()); }

    void Build(const CCharImageFont& font, int cellWidth, int cellHeight)
    {
        width = std::max(cellWidth, 0);
        height = std::max(cellHeight, 0);
        bytesPerRow = (width + 7) / 8;
        stride = PackedStride(static_cast<std::size_t>(bytesPerRow) * height);
        std::vector<const CCharImage*> glyphs;
        if (width > 0 && height > 0)
            for (int code = font.First(); code <= font.Last() && code <= 255; ++code) {
                const CCharImage* glyph = font.GetCharImage(code);
                if (glyph == nullptr || glyph->m_nWidth != width || glyph->m_nHeight != height)
                    continue;
                codes.push_back(static_cast<std::uint8_t>(code));
                glyphs.push_back(glyph);
            }
        bits.Resize(std::max<std::size_t>(glyphs.size() * stride, kPackedBlock));
        const std::uint8_t lastByteMask = static_cast<std::uint8_t>(0xFF << ((8 - width % 8) % 8));
        for (std::size_t g = 0; g < glyphs.size(); ++g) {
            std::uint8_t* out = bits.data() + g * stride;
            const std::size_t n = std::min(static_cast<std::size_t>(bytesPerRow) * height, glyphs[g]->m_Bits.size());
            if (n != 0)
                std::memcpy(out, glyphs[g]->m_Bits.data(), n);
            for (int y = 0; y < height; ++y)
                out[static_cast<std::size_t>(y) * bytesPerRow + bytesPerRow - 1] &= lastByteMask;
        }
    }
};

// Copies the W x H cell whose top-left pixel is (left, top) out of the ink, in the glyph
// layout; pixels outside the picture are paper. Returns false when the cell holds no ink.
bool CaptureInkCell(const InkBits& ink, const PageGlyphs& glyphs, long long left, long long top, std::uint8_t* out)
{
    std::uint64_t any = 0;
    const int width = glyphs.width;
    const int bytesPerRow = glyphs.bytesPerRow;
    for (int r = 0; r < glyphs.height; ++r) {
        std::uint8_t* dst = out + static_cast<std::size_t>(r) * bytesPerRow;
        const long long y = top + r;
        if (y < 0 || y >= ink.height) {
            std::memset(dst, 0, static_cast<std::size_t>(bytesPerRow));
            continue;
        }
        const std::uint64_t* row = ink.words.data() + static_cast<std::size_t>(y) * ink.wordsPerRow;
        for (int chunk = 0; chunk * 64 < width; ++chunk) {
            std::uint64_t bits = InkWord(ink, row, left + chunk * 64);
            const int used = std::min(64, width - chunk * 64);
            if (used < 64)
                bits &= ~std::uint64_t{0} << (64 - used);
            any |= bits;
            const int bytes = std::min(8, bytesPerRow - chunk * 8);
            for (int b = 0; b < bytes; ++b)
                dst[chunk * 8 + b] = static_cast<std::uint8_t>(bits >> (56 - 8 * b));
        }
    }
    return any != 0;
}

// Captures and matches cells against the packed glyphs: the costs of cell c are
// Costs(c)[0..Rows() - 1], in glyph order.
class CCellMatcher {
public:
    CCellMatcher(const InkBits& ink, const PageGlyphs& glyphs, MatchPath path)
        : m_Ink(ink), m_Glyphs(glyphs), m_Path(path), m_Block(glyphs.stride * kBlockCells),
          m_Costs(static_cast<std::size_t>(glyphs.Rows()) * kBlockCells)
    {
    }

    // Matches up to kBlockCells cells of one row of the grid; inked[c] tells whether cell c
    // held ink.
    void Match(long long top, const long long* lefts, int count)
    {
        for (int c = 0; c < count; ++c)
            m_bInked[c] = CaptureInkCell(m_Ink, m_Glyphs, lefts[c], top, m_Block.data() + c * m_Glyphs.stride);
        XorPopcountBlock(m_Path, m_Block.data(), count, m_Glyphs.bits.data(), m_Glyphs.stride,
                         static_cast<std::size_t>(m_Glyphs.Rows()), m_Costs.data());
    }

    const std::int32_t* Costs(int c) const { return m_Costs.data() + static_cast<std::size_t>(c) * m_Glyphs.Rows(); }
    bool Inked(int c) const { return m_bInked[c]; }

    // The least cost of each cell, summed over the cells at lefts.
    long long SumOfBest(long long top, const std::vector<long long>& lefts)
    {
        long long sum = 0;
        for (std::size_t first = 0; first < lefts.size(); first += kBlockCells) {
            const int count = static_cast<int>(std::min<std::size_t>(kBlockCells, lefts.size() - first));
            Match(top, lefts.data() + first, count);
            for (int c = 0; c < count; ++c) {
                const std::int32_t* costs = Costs(c);
                sum += *std::min_element(costs, costs + m_Glyphs.Rows());
            }
        }
        return sum;
    }

private:
    const InkBits& m_Ink;
    const PageGlyphs& m_Glyphs;
    MatchPath m_Path;
    CAlignedBytes m_Block;
    std::vector<std::int32_t> m_Costs;
    bool m_bInked[kBlockCells] = {};
};

// The inked columns of rows top..bottom - 1, as a row of ink words.
std::vector<std::uint64_t> InkedColumns(const InkBits& ink, long long top, long long bottom)
{
    std::vector<std::uint64_t> columns(static_cast<std::size_t>(ink.wordsPerRow), 0);
    for (long long y = std::max<long long>(top, 0); y < std::min<long long>(bottom, ink.height); ++y) {
        const std::uint64_t* row = ink.words.data() + static_cast<std::size_t>(y) * ink.wordsPerRow;
        for (int w = 0; w < ink.wordsPerRow; ++w)
            columns[w] |= row[w];
    }
    return columns;
}

// The first and one past the last inked column of a row of ink words; left == right when none.
void InkExtent(const std::vector<std::uint64_t>& columns, int& left, int& right)
{
    left = right = 0;
    int w = 0;
    while (w < static_cast<int>(columns.size()) && columns[w] == 0)
        ++w;
    if (w == static_cast<int>(columns.size()))
        return;
    left = w * 64 + std::countl_zero(columns[w]);
    int last = static_cast<int>(columns.size()) - 1;
    while (columns[last] == 0)
        --last;
    right = last * 64 + 64 - std::countr_zero(columns[last]);
}

// One band while the grid is searched: the columns whose cells the search compares, and the
// cost of every grid it tried.
struct BandSearch {
    TextBand band;
    std::vector<long long> samples;  // inked columns, left to right; empty: compare every cell
    long long firstTop = 0;          // candidate tops firstTop..firstTop + tops - 1
    int tops = 0;
    std::vector<long long> costs;    // [top index x W + left index], left = band.left - W + 1 + index
    long long ownCost = -1;          // least of costs
    long long ownTop = 0;
    long long ownLeft = 0;
};

class CGridSearch {
public:
    CGridSearch(const InkBits& ink, const PageGlyphs& glyphs, MatchPath path)
        : m_Ink(ink), m_Glyphs(glyphs), m_Matcher(ink, glyphs, path), W(glyphs.width), H(glyphs.height)
    {
    }

    BandSearch Prepare(const TextBand& band) const
    {
        BandSearch search;
        search.band = band;
        const int height = band.bottom - band.top;
        search.firstTop = height <= H ? band.bottom - H : band.top;
        search.tops = height <= H ? H - height + 1 : 1;
        // A line of few cells compares them all; a longer one the cells under inked columns
        // spread evenly along it.
        if ((band.right - band.left) / W + 2 > kSampleCells) {
            const std::vector<std::uint64_t> columns = InkedColumns(m_Ink, band.top, band.bottom);
            std::vector<int> inked;
            for (int x = band.left; x < band.right; ++x)
                if ((columns[static_cast<std::size_t>(x / 64)] >> (63 - x % 64)) & 1U)
                    inked.push_back(x);
            const std::size_t n = inked.size();
            for (int i = 0; i < kSampleCells && n > 0; ++i) {
                const long long x = inked[(static_cast<std::size_t>(i) * 2 + 1) * n / (2 * kSampleCells)];
                if (search.samples.empty() || search.samples.back() != x)
                    search.samples.push_back(x);
            }
        }
        return search;
    }

    // The lefts of the cells compared for a grid whose cells start at left (mod W).
    std::vector<long long> CellLefts(const BandSearch& search, long long left) const
    {
        std::vector<long long> lefts;
        if (search.samples.empty()) {
            const long long first = left + FloorDiv(search.band.left - left, W) * W;
            for (long long x = first; x < search.band.right; x += W)
                lefts.push_back(x);
        } else {
            for (long long x : search.samples) {
                const long long cell = left + FloorDiv(x - left, W) * W;
                if (lefts.empty() || lefts.back() != cell)
                    lefts.push_back(cell);
            }
        }
        return lefts;
    }

    long long Cost(const BandSearch& search, long long top, long long left)
    {
        return m_Matcher.SumOfBest(top, CellLefts(search, left));
    }

    // Tries every top and left phase of the band; the least total wins, the first among equals.
    void SearchAll(BandSearch& search)
    {
        search.costs.assign(static_cast<std::size_t>(search.tops) * W, 0);
        for (int t = 0; t < search.tops; ++t)
            for (int l = 0; l < W; ++l) {
                const long long top = search.firstTop + t;
                const long long left = search.band.left - W + 1 + l;
                const long long cost = Cost(search, top, left);
                search.costs[static_cast<std::size_t>(t) * W + l] = cost;
                if (search.ownCost < 0 || cost < search.ownCost) {
                    search.ownCost = cost;
                    search.ownTop = top;
                    search.ownLeft = left;
                }
            }
    }

    // The top of the band on a grid whose rows start at originY (mod H), or false when no row
    // of that grid holds all its ink.
    bool SharedTop(const BandSearch& search, int originY, long long& top) const
    {
        top = search.firstTop + Mod(originY - search.firstTop, H);
        return top < search.firstTop + search.tops;
    }

    long long SharedLeft(const BandSearch& search, int originX) const
    {
        return search.band.left - Mod(search.band.left - originX, W);
    }

    int SampleCount(const BandSearch& search, long long left) const
    {
        return static_cast<int>(CellLefts(search, left).size());
    }

private:
    const InkBits& m_Ink;
    const PageGlyphs& m_Glyphs;
    CCellMatcher m_Matcher;

public:
    const int W;
    const int H;
};

// Whether a grid costing shared is not clearly worse than the best one, costing own, over
// cells compared cells: a quarter more and a pixel a cell are allowed.
bool NotClearlyWorse(long long shared, long long own, int cells)
{
    return shared <= own + own / 4 + cells;
}

// The line of a grid: its cells cover the columns left..right - 1 from a cell starting at
// phase (mod W).
LineGrid MakeLine(long long top, long long phase, int left, int right, int width, long long cost, bool own)
{
    LineGrid line;
    line.top = static_cast<int>(top);
    line.left = static_cast<int>(phase + FloorDiv(left - phase, width) * width);
    line.cells = right > left ? static_cast<int>((right - line.left + width - 1) / width) : 0;
    line.cost = cost;
    line.bOwn = own;
    return line;
}

}  // namespace

InkBits InkMask(const CRaster& picture, InkRule rule)
{
    InkBits ink;
    if (picture.empty())
        return ink;
    ink.width = picture.width();
    ink.height = picture.height();
    ink.wordsPerRow = (ink.width + 63) / 64;
    ink.words.assign(static_cast<std::size_t>(ink.wordsPerRow) * ink.height, 0);

    if (rule == InkRule::Black) {
        ink.background = CRaster::kWhite;
        for (int y = 0; y < ink.height; ++y) {
            const std::uint32_t* row = picture.Row(y);
            std::uint64_t* out = ink.words.data() + static_cast<std::size_t>(y) * ink.wordsPerRow;
            for (int x = 0; x < ink.width; ++x)
                if ((row[x] & kColourMask) == 0)
                    out[x / 64] |= std::uint64_t{1} << (63 - x % 64);
        }
        return ink;
    }

    // The ink rule: the background is the picture's most common colour, the contrast the
    // largest channel distance of any pixel from it, and a pixel is ink when its distance
    // exceeds half the contrast. A distance is a whole number, so exceeding contrast / 2 is
    // exceeding its integer part; a picture of one colour has no ink.
    ink.background = MostCommonColour(picture);
    const int contrast = Contrast(picture, ink.background);
    ink.threshold = contrast / 2;
    if (contrast == 0)
        return ink;
    for (int y = 0; y < ink.height; ++y) {
        const std::uint32_t* row = picture.Row(y);
        std::uint64_t* out = ink.words.data() + static_cast<std::size_t>(y) * ink.wordsPerRow;
        for (int x = 0; x < ink.width; ++x)
            if (ColourDistance(row[x] & kColourMask, ink.background) > ink.threshold)
                out[x / 64] |= std::uint64_t{1} << (63 - x % 64);
    }
    return ink;
}

std::vector<TextBand> FindLines(const InkBits& ink, int cellHeight)
{
    std::vector<int> rowInk(static_cast<std::size_t>(std::max(ink.height, 0)), 0);
    for (int y = 0; y < ink.height; ++y) {
        const std::uint64_t* row = ink.words.data() + static_cast<std::size_t>(y) * ink.wordsPerRow;
        for (int w = 0; w < ink.wordsPerRow; ++w)
            rowInk[y] += std::popcount(row[w]);
    }

    std::vector<TextBand> bands;
    auto add = [&](int top, int bottom) {
        TextBand band;
        band.top = top;
        band.bottom = bottom;
        InkExtent(InkedColumns(ink, top, bottom), band.left, band.right);
        bands.push_back(band);
    };
    for (int y = 0; y < ink.height;) {
        if (rowInk[y] == 0) {
            ++y;
            continue;
        }
        int end = y;
        while (end < ink.height && rowInk[end] != 0)
            ++end;
        // Lines that touch make one run of inked rows; it is cut where the ink is thinnest,
        // into pieces of at most one cell height, and the grid search puts them together.
        int top = y;
        while (cellHeight > 0 && end - top > cellHeight) {
            int cut = top + cellHeight;
            for (int r = top + cellHeight; r > top; --r)
                if (rowInk[r] < rowInk[cut])
                    cut = r;
            add(top, cut);
            top = cut;
        }
        add(top, end);
        y = end;
    }
    return bands;
}

PageGrid FindGrid(const InkBits& ink, const CCharImageFont& font, const std::vector<TextBand>& bands, MatchPath path)
{
    PageGrid grid;
    PageGlyphs glyphs;
    glyphs.Build(font, font.CellWidth(), font.CellHeight());
    if (glyphs.Rows() == 0 || bands.empty())
        return grid;
    CGridSearch search(ink, glyphs, path);
    const int W = search.W;
    const int H = search.H;

    std::vector<BandSearch> searches;
    searches.reserve(bands.size());
    for (const TextBand& band : bands)
        searches.push_back(search.Prepare(band));

    // The shared grid: the phase whose cells cost least in total over a sample of lines, each
    // line tried at every top and left phase that holds its ink in one row of cells. A line
    // that no row of a phase holds counts its dearest grid there.
    std::vector<int> sampled;
    {
        std::vector<int> eligible;
        for (std::size_t b = 0; b < bands.size(); ++b)
            if (bands[b].bottom - bands[b].top <= H)
                eligible.push_back(static_cast<int>(b));
        const int n = static_cast<int>(eligible.size());
        for (int i = 0; i < std::min(n, kSampleLines); ++i)
            sampled.push_back(eligible[static_cast<std::size_t>((2 * i + 1) * n / (2 * std::min(n, kSampleLines)))]);
    }
    std::vector<long long> totals(static_cast<std::size_t>(W) * H, 0);
    for (int b : sampled) {
        BandSearch& s = searches[b];
        search.SearchAll(s);
        const long long dearest = *std::max_element(s.costs.begin(), s.costs.end());
        for (int oy = 0; oy < H; ++oy) {
            long long top = 0;
            const bool holds = search.SharedTop(s, oy, top);
            for (int ox = 0; ox < W; ++ox) {
                const long long left = search.SharedLeft(s, ox);
                const long long cost = holds ? s.costs[static_cast<std::size_t>(top - s.firstTop) * W +
                                                       static_cast<std::size_t>(left - (s.band.left - W + 1))]
                                             : dearest;
                totals[static_cast<std::size_t>(oy) * W + ox] += cost;
            }
        }
    }
    const std::size_t phase = static_cast<std::size_t>(std::min_element(totals.begin(), totals.end()) - totals.begin());
    grid.originY = static_cast<int>(phase / W);
    grid.originX = static_cast<int>(phase % W);

    // The page has a shared grid when most sampled lines are not clearly worse on it than on
    // their own best grid. Its worst cost a cell among those lines tells a line that fits it.
    int agreeing = 0;
    double fittingCellCost = 0;
    for (int b : sampled) {
        const BandSearch& s = searches[b];
        long long top = 0;
        if (!search.SharedTop(s, grid.originY, top))
            continue;
        const long long left = search.SharedLeft(s, grid.originX);
        const long long cost = s.costs[static_cast<std::size_t>(top - s.firstTop) * W +
                                       static_cast<std::size_t>(left - (s.band.left - W + 1))];
        const int cells = search.SampleCount(s, left);
        if (NotClearlyWorse(cost, s.ownCost, cells)) {
            ++agreeing;
            fittingCellCost = std::max(fittingCellCost, static_cast<double>(cost) / std::max(cells, 1));
        }
    }
    const bool shared = agreeing * 2 > static_cast<int>(sampled.size());

    // Rows of the shared grid that hold ink, by top; lines with a grid of their own.
    std::map<long long, long long> sharedRows;  // top -> cost
    std::vector<std::pair<LineGrid, const BandSearch*>> ownLines;
    for (BandSearch& s : searches) {
        long long top = 0;
        if (shared && search.SharedTop(s, grid.originY, top)) {
            const long long left = search.SharedLeft(s, grid.originX);
            const long long cost = search.Cost(s, top, left);
            const int cells = search.SampleCount(s, left);
            bool fits = static_cast<double>(cost) <= 2 * fittingCellCost * cells + cells;
            if (!fits) {
                if (s.ownCost < 0)
                    search.SearchAll(s);
                fits = NotClearlyWorse(cost, s.ownCost, cells);
            }
            if (fits) {
                sharedRows[top] += cost;
                continue;
            }
        } else if (shared) {
            // A band that no row of the shared grid holds whole: a line of its own when it reads
            // as well as the page's lines, else its ink goes to the rows it crosses.
            if (s.ownCost < 0)
                search.SearchAll(s);
            const int cells = search.SampleCount(s, s.ownLeft);
            if (static_cast<double>(s.ownCost) > 2 * fittingCellCost * cells + cells) {
                for (long long row = s.band.top - Mod(s.band.top - grid.originY, H); row < s.band.bottom; row += H)
                    sharedRows[row] += 0;
                continue;
            }
        }
        if (s.ownCost < 0)
            search.SearchAll(s);
        ownLines.emplace_back(MakeLine(s.ownTop, s.ownLeft, s.band.left, s.band.right, W, s.ownCost, true), &s);
    }

    // A band that lies inside the cells of a line already taken (an accent above its letters)
    // is read with that line; the tallest bands are taken first.
    std::vector<LineGrid> lines;
    for (const auto& [top, cost] : sharedRows) {
        int left = 0, right = 0;
        InkExtent(InkedColumns(ink, top, top + H), left, right);
        lines.push_back(MakeLine(top, grid.originX, left, right, W, cost, false));
    }
    std::stable_sort(ownLines.begin(), ownLines.end(), [](const auto& a, const auto& b) {
        return a.second->band.bottom - a.second->band.top > b.second->band.bottom - b.second->band.top;
    });
    for (const auto& [line, s] : ownLines) {
        const TextBand& band = s->band;
        const bool inside = std::any_of(lines.begin(), lines.end(), [&](const LineGrid& other) {
            return band.top >= other.top && band.bottom <= other.top + H && band.left >= other.left &&
                   band.right <= other.left + static_cast<long long>(other.cells) * W;
        });
        if (!inside)
            lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end(), [](const LineGrid& a, const LineGrid& b) {
        return a.top != b.top ? a.top < b.top : a.left < b.left;
    });

    // Page rows: on a shared grid the grid row (a line of its own takes the nearest row below
    // the line before), else the line's index.
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (shared) {
            const long long offset = lines[i].top - grid.originY;
            long long row = lines[i].bOwn ? FloorDiv(offset + H / 2, H) : FloorDiv(offset, H);
            if (i > 0)
                row = std::max<long long>(row, lines[i - 1].row + 1LL);
            lines[i].row = static_cast<int>(row);
        } else {
            lines[i].row = static_cast<int>(i);
        }
    }
    grid.bShared = shared;
    grid.lines = std::move(lines);
    return grid;
}

long long PageLine::Cost() const
{
    long long sum = 0;
    for (const PageCell& cell : cells)
        sum += cell.best;
    return sum;
}

int PageReading::CellCount() const
{
    int count = 0;
    for (const PageLine& line : lines)
        count += static_cast<int>(line.cells.size());
    return count;
}

std::vector<int> PageReading::NoCutLines() const
{
    std::vector<int> indexes;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].bNoCut)
            indexes.push_back(static_cast<int>(i));
    return indexes;
}

std::vector<PageLine> MatchCells(const InkBits& ink, const CCharImageFont& font, const PageGrid& grid,
                                 double coefficient, MatchPath path)
{
    std::vector<PageLine> lines;
    PageGlyphs glyphs;
    glyphs.Build(font, font.CellWidth(), font.CellHeight());
    const int rows = glyphs.Rows();
    if (rows == 0)
        return lines;
    CCellMatcher matcher(ink, glyphs, path);
    const int W = glyphs.width;

    lines.reserve(grid.lines.size());
    std::vector<long long> lefts(kBlockCells);
    for (const LineGrid& lineGrid : grid.lines) {
        PageLine line;
        line.top = lineGrid.top;
        line.left = lineGrid.left;
        line.row = lineGrid.row;
        line.column = static_cast<int>(FloorDiv(lineGrid.left - grid.originX + W / 2, W));
        line.cells.resize(static_cast<std::size_t>(std::max(lineGrid.cells, 0)));
        for (int first = 0; first < lineGrid.cells; first += kBlockCells) {
            const int count = std::min(kBlockCells, lineGrid.cells - first);
            for (int c = 0; c < count; ++c)
                lefts[c] = lineGrid.left + static_cast<long long>(first + c) * W;
            matcher.Match(lineGrid.top, lefts.data(), count);
            for (int c = 0; c < count; ++c) {
                PageCell& cell = line.cells[static_cast<std::size_t>(first + c)];
                // A cell without ink reads as a space with cost 0, whatever the font's space.
                if (!matcher.Inked(c)) {
                    cell.bBlank = true;
                    cell.variants.push_back({' ', 0});
                    continue;
                }
                // The Simple rule: the least cost, the lowest code among equals; the variants
                // within reach of it; an exact match (or nothing worse) keeps the best alone.
                const std::int32_t* costs = matcher.Costs(c);
                const int bestRow = static_cast<int>(std::min_element(costs, costs + rows) - costs);
                cell.code = glyphs.codes[static_cast<std::size_t>(bestRow)];
                cell.best = costs[bestRow];
                cell.worst = *std::max_element(costs, costs + rows);
                if (cell.best != 0 && cell.worst != 0) {
                    const double reach = coefficient * static_cast<double>(cell.worst - cell.best);
                    for (int r = 0; r < rows; ++r)
                        if (static_cast<double>(costs[r] - cell.best) <= reach)
                            cell.variants.push_back({glyphs.codes[static_cast<std::size_t>(r)], costs[r]});
                } else {
                    cell.variants.push_back({cell.code, 0});
                }
            }
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string PageText(std::vector<PageLine>& lines, bool bSharedGrid)
{
    // The margin: the blank columns common to every line, left of the first character of
    // the line that starts furthest left.
    auto firstCharacter = [](const PageLine& line) {
        for (std::size_t i = 0; i < line.cells.size(); ++i)
            if (line.cells[i].code != ' ')
                return static_cast<long long>(i);
        return -1LL;
    };
    long long margin = 0;
    bool any = false;
    for (const PageLine& line : lines)
        if (const long long first = firstCharacter(line); first >= 0) {
            margin = any ? std::min(margin, line.column + first) : line.column + first;
            any = true;
        }

    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        PageLine& line = lines[i];
        line.column = static_cast<int>(line.column - margin);
        line.text.clear();
        if (line.column > 0)
            line.text.assign(static_cast<std::size_t>(line.column), ' ');
        for (std::size_t c = static_cast<std::size_t>(std::max(-line.column, 0)); c < line.cells.size(); ++c)
            line.text.push_back(static_cast<char>(line.cells[c].code));
        while (!line.text.empty() && line.text.back() == ' ')
            line.text.pop_back();
        if (i > 0) {
            // An empty grid row between two lines stays an empty line.
            const int gap = bSharedGrid ? line.row - lines[i - 1].row : 1;
            text.append(static_cast<std::size_t>(std::max(gap, 1)), '\n');
        }
        text += line.text;
    }
    return text;
}

PageReading ReadPage(const CRaster& picture, const CCharImageFont& font, const PageOptions& options, MatchPath path)
{
    const auto start = std::chrono::steady_clock::now();
    PageReading page;
    page.cellWidth = font.CellWidth();
    page.cellHeight = font.CellHeight();
    if (page.cellWidth <= 0 || page.cellHeight <= 0 || !font.HasGlyphs() || picture.empty()) {
        page.dMilliseconds = MillisecondsSince(start);
        return page;
    }
    const InkBits ink = InkMask(picture, options.ink);
    page.dInkMilliseconds = MillisecondsSince(start);

    const auto search = std::chrono::steady_clock::now();
    const PageGrid grid = FindGrid(ink, font, FindLines(ink, page.cellHeight), path);
    page.dSearchMilliseconds = MillisecondsSince(search);

    const auto match = std::chrono::steady_clock::now();
    page.lines = MatchCells(ink, font, grid, options.coefficient, path);
    page.dMatchMilliseconds = MillisecondsSince(match);

    page.bSharedGrid = grid.bShared;
    page.text = PageText(page.lines, grid.bShared);
    page.dMilliseconds = MillisecondsSince(start);
    return page;
}

void ReadPageWords(PageReading& page, const CDictionary& dictionary)
{
    const CComplexRecognizer recognizer;
    std::vector<CPrefixList> lists;
    for (PageLine& line : page.lines) {
        line.bComplex = false;
        line.bNoCut = false;
        if (line.cells.empty())
            continue;
        // The cells' variants (a blank cell's is a space of cost 0) and one blank cell after
        // them, so that the line's last word can end.
        std::vector<CCharVariants> variants(line.cells.size() + 1);
        for (std::size_t c = 0; c < line.cells.size(); ++c)
            for (const PageVariant& v : line.cells[c].variants)
                variants[c].Add(v.code, v.cost);
        variants.back().Add(' ', 0);
        ComplexResult result;
        try {
            result = recognizer.Recognize(static_cast<int>(variants.size()), variants, dictionary, lists,
                                          [](PrefixListsStatus) {});
        } catch (const std::bad_alloc&) {
            result.bCut = false;
        }
        if (!result.bCut || result.text.size() < line.cells.size()) {
            line.bNoCut = true;
            continue;
        }
        for (std::size_t c = 0; c < line.cells.size(); ++c)
            line.cells[c].code = static_cast<std::uint8_t>(result.text[c]);
        line.bComplex = true;
    }
    page.text = PageText(page.lines, page.bSharedGrid);
}
