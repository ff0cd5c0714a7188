#include "PageGrid.h"

#include "PageCells.h"

#include <algorithm>
#include <bit>
#include <map>
#include <utility>
#include <vector>

using namespace pagecells;

int LineGrid::CellAt(long long x) const
{
    if (cellWidth <= 0 || x < left || x >= Right())
        return -1;
    return static_cast<int>((x - left) / cellWidth);
}

namespace {

// Cells of a line that the grid search compares: enough to tell the grids apart, few enough
// that the search stays well below the cost of matching the page once.
constexpr int kSampleCells = 24;

// Lines of the page from which the shared grid is found.
constexpr int kSampleLines = 8;

// A grid is not clearly worse than a line's own best one while it costs no more than a quarter
// more and a pixel a cell: a line's ink shifted by one pixel costs far more than that.
constexpr int kWorseShareDenominator = 4;
constexpr int kWorsePixelsPerCell = 1;

// A line fits the shared grid at once while it costs no more a cell than this many times the
// dearest sampled line that fits it (and a pixel): text of the page's font on the page's grid.
constexpr double kFittingCostFactor = 2.0;
constexpr int kFittingPixelsPerCell = 1;

// One band while the grid is searched: the columns whose cells the search compares, and the
// cost of every grid it tried.
struct BandSearch {
    TextBand band;
    std::vector<long long> samples;  // inked columns, left to right; empty: compare every cell
    bool bCut = false;               // cut from a taller run of inked rows: its edges are not the line's
    long long firstTop = 0;          // candidate tops firstTop..firstTop + tops - 1
    int tops = 0;
    // [top index x W + left index], left = band.left - W + 1 + index: the cost of each grid,
    // or less than it where exact is 0 (the sum was left off once it passed a better grid's).
    std::vector<long long> costs;
    std::vector<std::uint8_t> exact;
    long long ownCost = -1;          // the least cost, -1 before the band was searched
    long long ownTop = 0;
    long long ownLeft = 0;

    bool Searched() const { return ownCost >= 0; }
    long long FirstLeft(int W) const { return band.left - W + 1; }
};

// A guess at a grid: its top and left, or their phase.
struct GridHint {
    bool bValid = false;
    long long top = 0;
    long long left = 0;
};

class CGridSearch {
public:
    CGridSearch(const InkBits& ink, const PageGlyphs& glyphs, MatchPath path)
        : W(glyphs.width), H(glyphs.height), m_Ink(ink), m_Matcher(ink, glyphs, path)
    {
    }

    const int W;
    const int H;

    // A band's candidates: every top at which one row of cells holds all its ink. A band cut
    // from a taller run may hold ink of the lines above and below, so its tops reach as far
    // again to each side, H in all, and its ink left out of the cells counts as cost.
    BandSearch Prepare(const TextBand& band, bool cut) const
    {
        BandSearch search;
        search.band = band;
        search.bCut = cut;
        const int height = band.bottom - band.top;
        search.firstTop = height <= H ? band.bottom - H : band.top;
        search.tops = height <= H ? H - height + 1 : 1;
        if (cut && height <= H) {
            search.firstTop -= (height - 1) / 2;
            search.tops = H;
        }
        // A line of few cells compares them all; a longer one the cells under inked columns
        // spread evenly along it.
        if ((band.right - band.left) / W + 2 > kSampleCells) {
            const std::vector<std::uint64_t> columns = InkedColumnWords(m_Ink, band.top, band.bottom);
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

    int SampleCount(const BandSearch& search, long long left) const
    {
        return static_cast<int>(CellLefts(search, left).size());
    }

    // The cost of the grid at (top, left); past bound the sum may stop short.
    long long Cost(const BandSearch& search, long long top, long long left, long long bound = kNoBound)
    {
        const std::vector<long long> lefts = CellLefts(search, left);
        long long outside = 0;
        if (search.bCut)
            for (long long y = search.band.top; y < search.band.bottom; ++y) {
                if (y >= top && y < top + H)
                    continue;
                const std::uint64_t* row = m_Ink.Row(static_cast<int>(y));
                for (long long x : lefts)
                    for (int chunk = 0; chunk * 64 < W; ++chunk) {
                        const int used = std::min(64, W - chunk * 64);
                        const std::uint64_t bits = InkWord(m_Ink, row, x + chunk * 64);
                        outside += std::popcount(used < 64 ? bits & (~std::uint64_t{0} << (64 - used)) : bits);
                    }
            }
        if (outside > bound)
            return outside;
        return outside + m_Matcher.SumOfBest(top, lefts, bound == kNoBound ? kNoBound : bound - outside);
    }

    // The cost of the grid at candidate (t, l), exactly up to bound, kept in the band's table.
    long long TableCost(BandSearch& search, int t, int l, long long bound)
    {
        const std::size_t i = static_cast<std::size_t>(t) * W + static_cast<std::size_t>(l);
        if (!search.exact[i] && search.costs[i] <= bound) {
            search.costs[i] = Cost(search, search.firstTop + t, search.FirstLeft(W) + l, bound);
            search.exact[i] = search.costs[i] <= bound;
        }
        return search.costs[i];
    }

    // Finds the band's own best grid: every top and left phase that holds its ink, the least
    // total winning and the first (top, then left) among equals. Two guesses are tried first,
    // so that a good one leaves little of the others to count: the phase of hint, and the
    // place the last searched band found relative to its ink.
    void SearchAll(BandSearch& search, const GridHint& hint = {})
    {
        if (search.Searched())
            return;
        const std::size_t n = static_cast<std::size_t>(search.tops) * W;
        search.costs.assign(n, 0);
        search.exact.assign(n, 0);
        long long best = kNoBound;
        std::size_t bestIndex = n;
        auto consider = [&](std::size_t i) {
            const long long cost = TableCost(search, static_cast<int>(i / W), static_cast<int>(i % W), best);
            if (search.exact[i] && (cost < best || (cost == best && i < bestIndex))) {
                best = cost;
                bestIndex = i;
            }
        };
        if (hint.bValid) {
            const long long t = Mod(hint.top - search.firstTop, H);
            if (t < search.tops)
                consider(static_cast<std::size_t>(t) * W + static_cast<std::size_t>(Mod(hint.left - search.FirstLeft(W), W)));
        }
        if (m_LastPlace.bValid) {
            const long long t = search.band.top + m_LastPlace.top - search.firstTop;
            const long long l = search.band.left + m_LastPlace.left - search.FirstLeft(W);
            if (t >= 0 && t < search.tops && l >= 0 && l < W)
                consider(static_cast<std::size_t>(t) * W + static_cast<std::size_t>(l));
        }
        for (std::size_t i = 0; i < n; ++i)
            consider(i);
        search.ownCost = best;
        search.ownTop = search.firstTop + static_cast<long long>(bestIndex / W);
        search.ownLeft = search.FirstLeft(W) + static_cast<long long>(bestIndex % W);
        m_LastPlace = {true, search.ownTop - search.band.top, search.ownLeft - search.band.left};
    }

    // The candidate (t, l) of the band on the grid of phase (originY, originX), or false when
    // no row of that grid holds all its ink.
    bool SharedCandidate(const BandSearch& search, int originY, int originX, int& t, int& l) const
    {
        t = static_cast<int>(Mod(originY - search.firstTop, H));
        l = static_cast<int>(Mod(originX - search.FirstLeft(W), W));
        return t < search.tops;
    }

    // The top and left of the band's cells on the grid of phase (originY, originX).
    long long SharedTop(const BandSearch& search, int originY) const
    {
        return search.firstTop + Mod(originY - search.firstTop, H);
    }
    long long SharedLeft(const BandSearch& search, int originX) const
    {
        return search.band.left - Mod(search.band.left - originX, W);
    }

private:
    const InkBits& m_Ink;
    CCellMatcher m_Matcher;
    GridHint m_LastPlace;  // the last band's grid, relative to its ink's top-left
};

// Whether a grid costing shared is not clearly worse than the best one, costing own, over
// cells compared cells.
bool NotClearlyWorse(long long shared, long long own, int cells)
{
    return shared <= own + own / kWorseShareDenominator + static_cast<long long>(kWorsePixelsPerCell) * cells;
}

// The bound up to which a grid's cost is worth counting exactly when it is compared with own.
long long ClearlyWorseBound(long long own, int cells)
{
    return own + own / kWorseShareDenominator + static_cast<long long>(kWorsePixelsPerCell) * cells;
}

// The line of a grid: its cells cover the columns left..right - 1 from a cell starting at
// phase (mod W).
LineGrid MakeLine(long long top, long long phase, int left, int right, int W, int H, long long cost, bool own)
{
    LineGrid line;
    line.top = static_cast<int>(top);
    line.left = static_cast<int>(phase + FloorDiv(left - phase, W) * W);
    line.cells = right > left ? static_cast<int>((right - line.left + W - 1) / W) : 0;
    line.cellWidth = W;
    line.cellHeight = H;
    line.cost = cost;
    line.bOwn = own;
    return line;
}

// The bands the shared grid is found from: up to kSampleLines of those no taller than a cell,
// spread evenly down the page.
std::vector<int> SampleBands(const std::vector<TextBand>& bands, int H)
{
    std::vector<int> eligible;
    for (std::size_t b = 0; b < bands.size(); ++b)
        if (bands[b].Height() <= H)
            eligible.push_back(static_cast<int>(b));
    std::vector<int> sampled;
    const int n = static_cast<int>(eligible.size());
    const int count = std::min(n, kSampleLines);
    for (int i = 0; i < count; ++i)
        sampled.push_back(eligible[static_cast<std::size_t>((2 * i + 1) * n / (2 * count))]);
    return sampled;
}

// The search of the whole page: the bands, their own best grids and the shared phase.
class CPageSearch {
public:
    CPageSearch(const InkBits& ink, const PageGlyphs& glyphs, const std::vector<TextBand>& bands, MatchPath path)
        : m_Ink(ink), m_Search(ink, glyphs, path), W(m_Search.W), H(m_Search.H)
    {
        m_Bands.reserve(bands.size());
        for (std::size_t b = 0; b < bands.size(); ++b) {
            // A band that touches its neighbour was cut from a taller run of inked rows.
            const bool cut = (b > 0 && bands[b - 1].bottom == bands[b].top) ||
                             (b + 1 < bands.size() && bands[b + 1].top == bands[b].bottom);
            m_Bands.push_back(m_Search.Prepare(bands[b], cut));
        }
    }

    // The shared grid's phase: the one whose cells cost least in total over a sample of lines,
    // each line tried at every top and left phase that holds its ink in one row of cells. A line
    // that no row of a phase holds counts every compared cell as wholly wrong there.
    //
    // Each sampled line's own best grid is searched first, from the phase of the line before.
    // When the first, middle and last sampled lines find the same phase the page is taken to be
    // on one grid and those three are the sample. The phases are then totalled in the order of
    // the least their totals can be (the costs found so far, some of them left off short), each
    // total left off once it passes the least, until no phase can do better.
    void FindSharedPhase(PageGrid& grid)
    {
        m_Sampled = SampleBands(Bands(), H);
        if (m_Sampled.size() > 3) {
            const std::vector<int> spread = {m_Sampled.front(), m_Sampled[m_Sampled.size() / 2], m_Sampled.back()};
            for (int b : spread)
                SearchOwn(m_Bands[static_cast<std::size_t>(b)]);
            auto phaseOf = [&](int b) {
                const BandSearch& s = m_Bands[static_cast<std::size_t>(b)];
                return std::pair{Mod(s.ownTop, H), Mod(s.ownLeft, W)};
            };
            if (phaseOf(spread[0]) == phaseOf(spread[1]) && phaseOf(spread[1]) == phaseOf(spread[2]))
                m_Sampled = spread;
        }
        for (int b : m_Sampled)
            SearchOwn(m_Bands[static_cast<std::size_t>(b)]);

        const std::size_t phases = static_cast<std::size_t>(W) * H;
        std::vector<std::pair<long long, std::size_t>> order;  // least possible total, phase
        order.reserve(phases);
        for (std::size_t phase = 0; phase < phases; ++phase) {
            long long least = 0;
            for (int b : m_Sampled)
                least += CostOnPhase(m_Bands[static_cast<std::size_t>(b)], static_cast<int>(phase / W),
                                     static_cast<int>(phase % W), -1);
            order.emplace_back(least, phase);
        }
        std::sort(order.begin(), order.end());
        long long bestTotal = kNoBound;
        std::size_t bestPhase = phases;
        for (const auto& [least, phase] : order) {
            if (least > bestTotal || m_Sampled.empty())
                break;
            long long total = 0;
            for (int b : m_Sampled) {
                total += CostOnPhase(m_Bands[static_cast<std::size_t>(b)], static_cast<int>(phase / W),
                                     static_cast<int>(phase % W), bestTotal - total);
                if (total > bestTotal)
                    break;
            }
            if (total < bestTotal || (total == bestTotal && phase < bestPhase)) {
                bestTotal = total;
                bestPhase = phase;
            }
        }
        if (bestPhase < phases) {
            grid.originY = static_cast<int>(bestPhase / W);
            grid.originX = static_cast<int>(bestPhase % W);
            grid.sharedCost = bestTotal;
        }
    }

    // Whether the page has a shared grid: most sampled lines are not clearly worse on it than on
    // their own best grid. Notes the dearest cell cost among those lines, which tells later
    // lines that fit it.
    bool DecideShared(const PageGrid& grid)
    {
        int agreeing = 0;
        for (int b : m_Sampled) {
            BandSearch& s = m_Bands[static_cast<std::size_t>(b)];
            int t = 0, l = 0;
            if (!m_Search.SharedCandidate(s, grid.originY, grid.originX, t, l))
                continue;
            const int cells = m_Search.SampleCount(s, m_Search.SharedLeft(s, grid.originX));
            const long long cost = m_Search.TableCost(s, t, l, ClearlyWorseBound(s.ownCost, cells));
            if (NotClearlyWorse(cost, s.ownCost, cells)) {
                ++agreeing;
                m_dFittingCellCost = std::max(m_dFittingCellCost, static_cast<double>(cost) / std::max(cells, 1));
            }
        }
        return agreeing * 2 > static_cast<int>(m_Sampled.size());
    }

    // Places every band: on a row of the shared grid (sharedRows, by top, with its cost) when it
    // fits there, else on a grid of its own (ownLines). A band that no row of the shared grid
    // holds whole is a line of its own when it reads as well as the page's lines; else its ink
    // goes to the rows it crosses.
    void PlaceBands(const PageGrid& grid, std::map<long long, long long>& sharedRows,
                    std::vector<std::pair<LineGrid, const BandSearch*>>& ownLines)
    {
        for (BandSearch& s : m_Bands) {
            int t = 0, l = 0;
            if (grid.bShared && m_Search.SharedCandidate(s, grid.originY, grid.originX, t, l)) {
                const long long top = m_Search.SharedTop(s, grid.originY);
                const int cells = m_Search.SampleCount(s, m_Search.SharedLeft(s, grid.originX));
                const long long fitting = FittingCost(cells);
                long long cost = s.Searched() ? m_Search.TableCost(s, t, l, fitting)
                                              : m_Search.Cost(s, top, m_Search.SharedLeft(s, grid.originX), fitting);
                bool fits = cost <= fitting;
                if (!fits) {
                    m_Search.SearchAll(s, {true, top, grid.originX});
                    cost = m_Search.TableCost(s, t, l, ClearlyWorseBound(s.ownCost, cells));
                    fits = NotClearlyWorse(cost, s.ownCost, cells);
                }
                if (fits) {
                    sharedRows[top] += cost;
                    continue;
                }
            } else if (grid.bShared) {
                m_Search.SearchAll(s, {true, m_Search.SharedTop(s, grid.originY), grid.originX});
                const int cells = m_Search.SampleCount(s, s.ownLeft);
                if (s.ownCost > FittingCost(cells)) {
                    for (long long row = s.band.top - Mod(s.band.top - grid.originY, H); row < s.band.bottom; row += H)
                        sharedRows[row] += 0;
                    continue;
                }
            }
            SearchOwn(s);
            ownLines.emplace_back(MakeLine(s.ownTop, s.ownLeft, s.band.left, s.band.right, W, H, s.ownCost, true), &s);
        }
    }

    const InkBits& m_Ink;
    CGridSearch m_Search;
    const int W;
    const int H;

private:
    std::vector<TextBand> Bands() const
    {
        std::vector<TextBand> bands;
        for (const BandSearch& s : m_Bands)
            bands.push_back(s.band);
        return bands;
    }

    void SearchOwn(BandSearch& s)
    {
        m_Search.SearchAll(s, m_Hint);
        m_Hint = {true, s.ownTop, s.ownLeft};
    }

    // The cost of a band on the phase (oy, ox): from its table, or counted up to bound (bound
    // < 0: the table's figure, which may be a lower bound).
    long long CostOnPhase(BandSearch& s, int oy, int ox, long long bound)
    {
        int t = 0, l = 0;
        if (!m_Search.SharedCandidate(s, oy, ox, t, l))
            return static_cast<long long>(m_Search.SampleCount(s, s.ownLeft)) * W * H;
        return bound < 0 ? s.costs[static_cast<std::size_t>(t) * W + static_cast<std::size_t>(l)]
                         : m_Search.TableCost(s, t, l, bound);
    }

    long long FittingCost(int cells) const
    {
        return static_cast<long long>(kFittingCostFactor * m_dFittingCellCost * cells) +
               static_cast<long long>(kFittingPixelsPerCell) * cells;
    }

    std::vector<BandSearch> m_Bands;
    std::vector<int> m_Sampled;
    GridHint m_Hint;
    double m_dFittingCellCost = 0;  // the dearest cell cost among the sampled lines that fit the shared grid
};

// The lines of the page: the rows of the shared grid that hold ink, then the lines of their own,
// tallest band first, but for a band that lies inside the cells of a line already taken (an
// accent above its letters), which is read with that line. Top to bottom, then left to right.
std::vector<LineGrid> CollectLines(const InkBits& ink, const PageGrid& grid, int W, int H,
                                   const std::map<long long, long long>& sharedRows,
                                   std::vector<std::pair<LineGrid, const BandSearch*>>& ownLines)
{
    std::vector<LineGrid> lines;
    for (const auto& [top, cost] : sharedRows) {
        int left = 0, right = 0;
        InkColumns(ink, top, top + H, left, right);
        lines.push_back(MakeLine(top, grid.originX, left, right, W, H, cost, false));
    }
    std::stable_sort(ownLines.begin(), ownLines.end(),
                     [](const auto& a, const auto& b) { return a.second->band.Height() > b.second->band.Height(); });
    for (const auto& [line, s] : ownLines) {
        const PixelRect band = s->band.Rect();
        if (std::none_of(lines.begin(), lines.end(), [&](const LineGrid& other) { return other.Rect().Contains(band); }))
            lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end(), [](const LineGrid& a, const LineGrid& b) {
        return a.top != b.top ? a.top < b.top : a.left < b.left;
    });
    return lines;
}

// Numbers the page rows: on a shared grid the grid row (a line of its own takes the nearest row,
// and at least the row below the line before), else the line's index.
void NumberRows(std::vector<LineGrid>& lines, const PageGrid& grid, int H)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!grid.bShared) {
            lines[i].row = static_cast<int>(i);
            continue;
        }
        const long long offset = lines[i].top - grid.originY;
        long long row = lines[i].bOwn ? FloorDiv(offset + H / 2, H) : FloorDiv(offset, H);
        if (i > 0)
            row = std::max<long long>(row, lines[i - 1].row + 1LL);
        lines[i].row = static_cast<int>(row);
    }
}

}  // namespace

PageGrid FindGrid(const InkBits& ink, const PageGlyphs& glyphs, const std::vector<TextBand>& bands, MatchPath path)
{
    PageGrid grid;
    if (glyphs.Rows() == 0 || bands.empty())
        return grid;
    CPageSearch search(ink, glyphs, bands, path);
    search.FindSharedPhase(grid);
    grid.bShared = search.DecideShared(grid);
    std::map<long long, long long> sharedRows;  // top -> cost
    std::vector<std::pair<LineGrid, const BandSearch*>> ownLines;
    search.PlaceBands(grid, sharedRows, ownLines);
    grid.lines = CollectLines(ink, grid, search.W, search.H, sharedRows, ownLines);
    NumberRows(grid.lines, grid, search.H);
    return grid;
}
