#include "PageGrid.h"

#include "PageCells.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

using namespace pagecells;

int LineGrid::CellAt(long long x) const
{
    if (cellWidth <= 0 || cells <= 0 || x < left || x >= Right())
        return -1;
    if (WholePixels())
        return static_cast<int>((x - left) / cellWidth);
    // The cell whose position is the last at or left of the pixel's middle.
    const long long c = FloorDiv(x * kSubpixels + kSubpixels / 2 - leftSub, PitchSub());
    return static_cast<int>(std::clamp<long long>(c, 0, cells - 1));
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

// Moves of a line's origin on a fractional pitch, two phase steps each: the sampled cells of
// the search leave it at most a few steps off.
constexpr int kRefineRounds = 4;

// One band while the grid is searched: the columns whose cells the search compares, and the
// cost of every grid it tried. Positions along the line are in sub-pixels.
struct BandSearch {
    TextBand band;
    std::vector<long long> samples;  // inked columns, left to right; empty: compare every cell
    bool bCut = false;               // cut from a taller run of inked rows: its edges are not the line's
    long long firstTop = 0;          // candidate tops firstTop..firstTop + tops - 1
    int tops = 0;
    long long firstLeftSub = 0;       // candidate positions of the cell over band.left: firstLeftSub + l x step
    // [top index x L + left index]: the cost of each grid, or less than it where exact is 0 (the
    // sum was left off once it passed a better grid's).
    std::vector<long long> costs;
    std::vector<std::uint8_t> exact;
    long long ownCost = -1;          // the least cost, -1 before the band was searched
    long long ownTop = 0;
    long long ownLeftSub = 0;

    bool Searched() const { return ownCost >= 0; }
};

// A guess at a grid: its top and left, or their phase.
struct GridHint {
    bool bValid = false;
    long long top = 0;
    long long leftSub = 0;
};

// The cost of grids of one pitch. On a whole-pixel grid (a pitch of whole pixels, glyphs of one
// phase) the candidate positions of a band are the W pixels whose cell holds its first inked
// column; on a fractional one they are a pitch's worth of positions a phase apart.
class CGridSearch {
public:
    CGridSearch(const InkBits& ink, const PageGlyphs& glyphs, MatchPath path, long long pitchSub)
        : W(glyphs.width), H(glyphs.height), P(pitchSub > 0 ? pitchSub : glyphs.width * kSubpixels),
          U(kSubpixels / std::max(glyphs.phases, 1)), L(static_cast<int>((P + U - 1) / U)), m_nPhases(std::max(glyphs.phases, 1)),
          m_nRows(glyphs.Rows()), m_Ink(ink), m_Matcher(ink, glyphs, path)
    {
    }

    const int W;
    const int H;
    const long long P;  // the column pitch, in sub-pixels
    const long long U;  // the step between candidate positions: a phase
    const int L;        // candidate positions a band

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
        search.firstLeftSub = band.left * kSubpixels - (L - 1) * U;
        // A line of few cells compares them all; a longer one the cells under inked columns
        // spread evenly along it.
        if ((band.right - band.left) * kSubpixels / P + 2 > kSampleCells) {
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

    // Calls visit(place) for each cell compared for a grid whose cells start at leftSub (mod the
    // pitch), left to right.
    template <class Visit>
    void ForEachCellPlace(const BandSearch& search, long long leftSub, Visit&& visit) const
    {
        if (search.samples.empty()) {
            for (long long x = leftSub + FloorDiv(search.band.left * kSubpixels - leftSub, P) * P;; x += P) {
                const CellPlace place = PlaceAt(x, m_nPhases);
                if (place.pixel >= search.band.right)
                    break;
                visit(place);
            }
        } else {
            bool any = false;
            long long last = 0;
            for (long long x : search.samples) {
                const long long cell = leftSub + FloorDiv(x * kSubpixels - leftSub, P) * P;
                if (!any || last != cell)
                    visit(PlaceAt(cell, m_nPhases));
                any = true;
                last = cell;
            }
        }
    }

    // The places of the cells compared for a grid whose cells start at leftSub (mod the pitch).
    std::vector<CellPlace> CellPlaces(const BandSearch& search, long long leftSub) const
    {
        std::vector<CellPlace> places;
        ForEachCellPlace(search, leftSub, [&](const CellPlace& place) { places.push_back(place); });
        return places;
    }

    int SampleCount(const BandSearch& search, long long leftSub) const
    {
        int count = 0;
        ForEachCellPlace(search, leftSub, [&](const CellPlace&) { ++count; });
        return count;
    }

    // The cost of the grid at (top, leftSub); past bound the sum may stop short.
    long long Cost(const BandSearch& search, long long top, long long leftSub, long long bound = kNoBound)
    {
        const std::vector<CellPlace> places = CellPlaces(search, leftSub);
        long long outside = 0;
        if (search.bCut)
            for (long long y = search.band.top; y < search.band.bottom; ++y) {
                if (y >= top && y < top + H)
                    continue;
                const std::uint64_t* row = m_Ink.Row(static_cast<int>(y));
                for (const CellPlace& place : places)
                    for (int chunk = 0; chunk * 64 < W; ++chunk) {
                        const int used = std::min(64, W - chunk * 64);
                        const std::uint64_t bits = InkWord(m_Ink, row, place.pixel + chunk * 64);
                        outside += std::popcount(used < 64 ? bits & (~std::uint64_t{0} << (64 - used)) : bits);
                    }
            }
        if (outside > bound)
            return outside;
        return outside + m_Matcher.SumOfBest(top, places, bound == kNoBound ? kNoBound : bound - outside);
    }

    long long LeftOf(const BandSearch& search, int l) const { return search.firstLeftSub + l * U; }

    // The cost of the grid at candidate (t, l), exactly up to bound, kept in the band's table.
    long long TableCost(BandSearch& search, int t, int l, long long bound)
    {
        const std::size_t i = static_cast<std::size_t>(t) * L + static_cast<std::size_t>(l);
        if (!search.exact[i] && search.costs[i] <= bound) {
            search.costs[i] = Cost(search, search.firstTop + t, LeftOf(search, l), bound);
            search.exact[i] = search.costs[i] <= bound;
        }
        return search.costs[i];
    }

    // The candidate position index of a cell position, or -1 when it is none of the band's.
    int LeftIndex(const BandSearch& search, long long leftSub) const
    {
        const long long offset = Mod(leftSub - search.firstLeftSub, P);
        const long long l = (offset + U / 2) / U;
        return l < L ? static_cast<int>(l) : 0;
    }

    // Finds the band's own best grid: every top and left phase that holds its ink, the least
    // total winning and the first (top, then left) among equals. Two guesses are tried first,
    // so that a good one leaves little of the others to count: the phase of hint, and the
    // place the last searched band found relative to its ink.
    void SearchAll(BandSearch& search, const GridHint& hint = {})
    {
        if (search.Searched())
            return;
        const std::size_t n = static_cast<std::size_t>(search.tops) * L;
        search.costs.assign(n, 0);
        search.exact.assign(n, 0);
        long long best = kNoBound;
        std::size_t bestIndex = n;
        auto consider = [&](std::size_t i) {
            const long long cost = TableCost(search, static_cast<int>(i / L), static_cast<int>(i % L), best);
            if (search.exact[i] && (cost < best || (cost == best && i < bestIndex))) {
                best = cost;
                bestIndex = i;
            }
        };
        if (hint.bValid) {
            const long long t = Mod(hint.top - search.firstTop, H);
            if (t < search.tops)
                consider(static_cast<std::size_t>(t) * L + static_cast<std::size_t>(LeftIndex(search, hint.leftSub)));
        }
        if (m_LastPlace.bValid) {
            const long long t = search.band.top + m_LastPlace.top - search.firstTop;
            const long long offset = search.band.left * kSubpixels + m_LastPlace.leftSub - search.firstLeftSub;
            if (t >= 0 && t < search.tops && offset >= 0 && offset % U == 0 && offset / U < L)
                consider(static_cast<std::size_t>(t) * L + static_cast<std::size_t>(offset / U));
        }
        if (!hint.bValid && !m_LastPlace.bValid && n > 1)
            consider(LikeliestCandidate(search));
        for (std::size_t i = 0; i < n; ++i)
            consider(i);
        search.ownCost = best;
        search.ownTop = search.firstTop + static_cast<long long>(bestIndex / L);
        search.ownLeftSub = LeftOf(search, static_cast<int>(bestIndex % L));
        m_LastPlace = {true, search.ownTop - search.band.top, search.ownLeftSub - search.band.left * kSubpixels};
    }

    // With nothing to go by, the candidate whose first compared cell costs least: a grid whose
    // first cell is right is likely right throughout, and its total bounds the others' early.
    // Each candidate's first cell is kept in the table as the least its total can be.
    std::size_t LikeliestCandidate(BandSearch& search)
    {
        const std::size_t n = static_cast<std::size_t>(search.tops) * L;
        std::size_t likeliest = 0;
        long long least = kNoBound;
        std::vector<CellPlace> first;
        for (std::size_t i = 0; i < n; ++i) {
            first.clear();
            ForEachCellPlace(search, LeftOf(search, static_cast<int>(i % L)), [&](const CellPlace& place) {
                if (first.empty())
                    first.push_back(place);
            });
            if (first.empty())
                continue;
            search.costs[i] = m_Matcher.SumOfBest(search.firstTop + static_cast<long long>(i / L), first);
            if (search.costs[i] < least) {
                least = search.costs[i];
                likeliest = i;
            }
        }
        return likeliest;
    }

    // Moves a line's cells to the position within a phase step either side of where they are, to
    // the 64th of a pixel, whose cells cost least in total over the whole line: on a fractional
    // pitch the screen rounds every cell's position to its phases, so an origin a few 64ths off
    // rounds a few cells the wrong way, which the sampled cells of the search may not show.
    // Each cell takes only two or three places over the range, so each place is matched once.
    void RefineOrigin(LineGrid& line)
    {
        if (line.cells <= 0 || (P % kSubpixels == 0 && U == kSubpixels))
            return;
        // A best place at the range's edge may lie beyond it: the range moves on, a few times.
        for (int round = 0; round < kRefineRounds; ++round)
            if (!RefineOriginOnce(line))
                return;
    }

    // One step of RefineOrigin; true when the best place lay at the range's edge.
    bool RefineOriginOnce(LineGrid& line)
    {
        // Positions a 64th of a pixel apart, a phase step either side.
        const long long unit = kSubpixels / 64;
        const int steps = static_cast<int>(2 * U / unit);
        struct Option {
            int cell;
            CellPlace place;
            long long cost;
        };
        std::vector<Option> options;
        std::vector<int> optionOf(static_cast<std::size_t>(line.cells) * steps);
        for (int c = 0; c < line.cells; ++c)
            for (int d = 0; d < steps; ++d) {
                const CellPlace place = PlaceAt(line.leftSub + (d - steps / 2) * unit + c * P, m_nPhases);
                const bool same = !options.empty() && options.back().cell == c &&
                                  options.back().place.pixel == place.pixel && options.back().place.phase == place.phase;
                if (!same)
                    options.push_back({c, place, 0});
                optionOf[static_cast<std::size_t>(c) * steps + d] = static_cast<int>(options.size()) - 1;
            }
        std::vector<CellPlace> block;
        for (std::size_t first = 0; first < options.size(); first += kBlockCells) {
            const std::size_t count = std::min<std::size_t>(kBlockCells, options.size() - first);
            block.clear();
            for (std::size_t k = 0; k < count; ++k)
                block.push_back(options[first + k].place);
            m_Matcher.Match(line.top, block.data(), static_cast<int>(count));
            for (std::size_t k = 0; k < count; ++k) {
                std::int32_t least = 0, most = 0;
                CostRange(m_Matcher.Wide(), m_Matcher.Costs(static_cast<int>(k)), m_nRows, least, most);
                options[first + k].cost = least;
            }
        }
        long long bestCost = kNoBound;
        int bestD = 0;
        for (int d = 0; d < steps; ++d) {
            long long total = 0;
            for (int c = 0; c < line.cells; ++c)
                total += options[static_cast<std::size_t>(optionOf[static_cast<std::size_t>(c) * steps + d])].cost;
            const int offset = d - steps / 2;
            if (total < bestCost || (total == bestCost && std::abs(offset) < std::abs(bestD))) {
                bestCost = total;
                bestD = offset;
            }
        }
        line.leftSub += bestD * unit;
        line.left = static_cast<int>(PlaceAt(line.leftSub, m_nPhases).pixel);
        line.cost = bestCost;
        return bestD == -steps / 2 || bestD == steps / 2 - 1;
    }

    // The candidate of the band on the grid of phase (originY, originXSub): its top index t and
    // its first cell's position leftSub, or false when no row of that grid holds all its ink.
    bool SharedCandidate(const BandSearch& search, int originY, long long originXSub, int& t, long long& leftSub) const
    {
        t = static_cast<int>(Mod(originY - search.firstTop, H));
        leftSub = search.firstLeftSub + Mod(originXSub - search.firstLeftSub, P);
        return t < search.tops;
    }

    // The cost of the grid at top index t and position leftSub, exactly up to bound: from the
    // band's table where the position is one of its candidates (always on a whole-pixel grid),
    // else counted afresh.
    long long CostAt(BandSearch& search, int t, long long leftSub, long long bound)
    {
        const long long offset = leftSub - search.firstLeftSub;
        if (offset >= 0 && offset % U == 0 && offset / U < L)
            return TableCost(search, t, static_cast<int>(offset / U), bound);
        return Cost(search, search.firstTop + t, leftSub, bound);
    }

    // What the table knows of the cost at (t, leftSub) without counting: its figure where the
    // position is a candidate (the cost, or less), else 0.
    long long KnownCost(const BandSearch& search, int t, long long leftSub) const
    {
        const long long offset = leftSub - search.firstLeftSub;
        if (offset >= 0 && offset % U == 0 && offset / U < L)
            return search.costs[static_cast<std::size_t>(t) * L + static_cast<std::size_t>(offset / U)];
        return 0;
    }

    // The top and the first cell's position of the band's cells on the grid of phase
    // (originY, originXSub).
    long long SharedTop(const BandSearch& search, int originY) const
    {
        return search.firstTop + Mod(originY - search.firstTop, H);
    }
    long long SharedLeft(const BandSearch& search, long long originXSub) const
    {
        return search.firstLeftSub + Mod(originXSub - search.firstLeftSub, P);
    }

private:
    int m_nPhases;
    int m_nRows;
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
// phaseSub (mod the pitch).
LineGrid MakeLine(const CGridSearch& search, int phases, long long top, long long phaseSub, int left, int right,
                  long long cost, bool own)
{
    LineGrid line;
    line.top = static_cast<int>(top);
    line.cellWidth = search.W;
    line.cellHeight = search.H;
    line.pitchSub = search.P;
    line.phases = phases;
    line.leftSub = phaseSub + FloorDiv(left * kSubpixels - phaseSub, search.P) * search.P;
    if (PlaceAt(line.leftSub + search.P, phases).pixel <= left)  // the next cell, rounded, holds the ink
        line.leftSub += search.P;
    line.left = static_cast<int>(PlaceAt(line.leftSub, phases).pixel);
    line.cells = 0;
    while (right > left && line.CellLeft(line.cells) < right)
        ++line.cells;
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
    CPageSearch(const InkBits& ink, const PageGlyphs& glyphs, const std::vector<TextBand>& bands, MatchPath path,
                long long pitchSub)
        : m_Ink(ink), m_Search(ink, glyphs, path, pitchSub), W(m_Search.W), H(m_Search.H), L(m_Search.L),
          m_nPhases(std::max(glyphs.phases, 1))
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
                return std::pair{Mod(s.ownTop, H), Mod(s.ownLeftSub, m_Search.P)};
            };
            if (phaseOf(spread[0]) == phaseOf(spread[1]) && phaseOf(spread[1]) == phaseOf(spread[2]))
                m_Sampled = spread;
        }
        for (int b : m_Sampled)
            SearchOwn(m_Bands[static_cast<std::size_t>(b)]);

        const std::size_t phases = static_cast<std::size_t>(L) * H;
        std::vector<std::pair<long long, std::size_t>> order;  // least possible total, phase
        order.reserve(phases);
        for (std::size_t phase = 0; phase < phases; ++phase) {
            long long least = 0;
            for (int b : m_Sampled)
                least += CostOnPhase(m_Bands[static_cast<std::size_t>(b)], static_cast<int>(phase / L),
                                     OriginXSub(phase), -1);
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
                total += CostOnPhase(m_Bands[static_cast<std::size_t>(b)], static_cast<int>(phase / L),
                                     OriginXSub(phase), bestTotal - total);
                if (total > bestTotal)
                    break;
            }
            if (total < bestTotal || (total == bestTotal && phase < bestPhase)) {
                bestTotal = total;
                bestPhase = phase;
            }
        }
        if (bestPhase < phases) {
            grid.originY = static_cast<int>(bestPhase / L);
            grid.originXSub = OriginXSub(bestPhase);
            grid.sharedCost = bestTotal;
            RefineSharedPhase(grid);
            grid.originX = static_cast<int>(FloorDiv(grid.originXSub, kSubpixels));
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
            int t = 0;
            long long l = 0;
            if (!m_Search.SharedCandidate(s, grid.originY, grid.originXSub, t, l))
                continue;
            const int cells = m_Search.SampleCount(s, l);
            const long long cost = m_Search.CostAt(s, t, l, ClearlyWorseBound(s.ownCost, cells));
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
            int t = 0;
            long long l = 0;
            if (grid.bShared && m_Search.SharedCandidate(s, grid.originY, grid.originXSub, t, l)) {
                const long long top = m_Search.SharedTop(s, grid.originY);
                const int cells = m_Search.SampleCount(s, l);
                const long long fitting = FittingCost(cells);
                long long cost = s.Searched() ? m_Search.CostAt(s, t, l, fitting) : m_Search.Cost(s, top, l, fitting);
                bool fits = cost <= fitting;
                if (!fits) {
                    m_Search.SearchAll(s, {true, top, grid.originXSub});
                    cost = m_Search.CostAt(s, t, l, ClearlyWorseBound(s.ownCost, cells));
                    fits = NotClearlyWorse(cost, s.ownCost, cells);
                }
                if (fits) {
                    sharedRows[top] += cost;
                    continue;
                }
            } else if (grid.bShared) {
                m_Search.SearchAll(s, {true, m_Search.SharedTop(s, grid.originY), grid.originXSub});
                const int cells = m_Search.SampleCount(s, s.ownLeftSub);
                if (s.ownCost > FittingCost(cells)) {
                    for (long long row = s.band.top - Mod(s.band.top - grid.originY, H); row < s.band.bottom; row += H)
                        sharedRows[row] += 0;
                    continue;
                }
            }
            SearchOwn(s);
            ownLines.emplace_back(
                MakeLine(m_Search, m_nPhases, s.ownTop, s.ownLeftSub, s.band.left, s.band.right, s.ownCost, true), &s);
        }
    }

    // The line of the shared grid's phase from left to right.
    LineGrid SharedLine(const PageGrid& grid, long long top, int left, int right, long long cost) const
    {
        return MakeLine(m_Search, m_nPhases, top, grid.originXSub, left, right, cost, false);
    }

    const InkBits& m_Ink;
    CGridSearch m_Search;
    const int W;
    const int H;
    const int L;  // candidate positions of a cell: a pitch's worth of phases

private:
    int m_nPhases;

    // The column position of a phase index of the shared search, modulo the pitch.
    long long OriginXSub(std::size_t phase) const { return static_cast<long long>(phase % L) * m_Search.U; }

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
        m_Hint = {true, s.ownTop, s.ownLeftSub};
    }

    // The cost of a band on the phase (oy, oxSub): from its table, or counted up to bound (bound
    // < 0: the table's figure, which may be a lower bound).
    long long CostOnPhase(BandSearch& s, int oy, long long oxSub, long long bound)
    {
        int t = 0;
        long long l = 0;
        if (!m_Search.SharedCandidate(s, oy, oxSub, t, l))
            return static_cast<long long>(m_Search.SampleCount(s, s.ownLeftSub)) * W * H;
        return bound < 0 ? m_Search.KnownCost(s, t, l) : m_Search.CostAt(s, t, l, bound);
    }

    // On a fractional pitch, moves the shared phase to the 64th of a pixel within a phase step
    // whose sampled lines cost least in total: the screen rounds each cell's position, so a
    // phase step off rounds some cells the wrong way.
    void RefineSharedPhase(PageGrid& grid)
    {
        const long long step = m_Search.U;
        if (m_Search.P % kSubpixels == 0 && step == kSubpixels)
            return;
        long long best = grid.sharedCost;
        long long bestD = 0;
        for (long long d = -step / 2; d < step / 2; d += kSubpixels / 64) {
            if (d == 0)
                continue;
            long long total = 0;
            for (int b : m_Sampled) {
                total += CostOnPhase(m_Bands[static_cast<std::size_t>(b)], grid.originY, Mod(grid.originXSub + d, m_Search.P),
                                     best - total);
                if (total > best)
                    break;
            }
            if (total < best || (total == best && std::abs(d) < std::abs(bestD))) {
                best = total;
                bestD = d;
            }
        }
        grid.originXSub = Mod(grid.originXSub + bestD, m_Search.P);
        grid.sharedCost = best;
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
std::vector<LineGrid> CollectLines(const InkBits& ink, const PageGrid& grid, const CPageSearch& search,
                                   const std::map<long long, long long>& sharedRows,
                                   std::vector<std::pair<LineGrid, const BandSearch*>>& ownLines)
{
    std::vector<LineGrid> lines;
    for (const auto& [top, cost] : sharedRows) {
        int left = 0, right = 0;
        InkColumns(ink, top, top + search.H, left, right);
        lines.push_back(search.SharedLine(grid, top, left, right, cost));
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

LineGrid WholePixelLine(int left, int top, int cells, int cellWidth, int cellHeight)
{
    LineGrid line;
    line.left = left;
    line.top = top;
    line.cells = cells;
    line.cellWidth = cellWidth;
    line.cellHeight = cellHeight;
    line.leftSub = left * kSubpixels;
    line.pitchSub = cellWidth * kSubpixels;
    return line;
}

PageGrid FindGrid(const InkBits& ink, const PageGlyphs& glyphs, const std::vector<TextBand>& bands, MatchPath path,
                  long long pitchSub)
{
    PageGrid grid;
    grid.pitchSub = pitchSub > 0 ? pitchSub : glyphs.width * kSubpixels;
    if (glyphs.Rows() == 0 || bands.empty() || grid.pitchSub <= 0)
        return grid;
    CPageSearch search(ink, glyphs, bands, path, grid.pitchSub);
    search.FindSharedPhase(grid);
    grid.bShared = search.DecideShared(grid);
    std::map<long long, long long> sharedRows;  // top -> cost
    std::vector<std::pair<LineGrid, const BandSearch*>> ownLines;
    search.PlaceBands(grid, sharedRows, ownLines);
    grid.lines = CollectLines(ink, grid, search, sharedRows, ownLines);
    for (LineGrid& line : grid.lines)
        search.m_Search.RefineOrigin(line);
    NumberRows(grid.lines, grid, search.H);
    return grid;
}
