#include "PageCells.h"

#include <algorithm>
#include <bit>
#include <map>
#include <utility>
#include <vector>

using namespace pagecells;

namespace {

// Cells of a line that the grid search compares: enough to tell the grids apart, few enough
// that the search stays well below the cost of matching the page once.
constexpr int kSampleCells = 24;

// Lines of the page from which the shared grid is found.
constexpr int kSampleLines = 8;

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
                const std::uint64_t* row = m_Ink.words.data() + static_cast<std::size_t>(y) * m_Ink.wordsPerRow;
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

std::vector<TextBand> FindLines(const InkBits& ink, int cellHeight)
{
    std::vector<int> rowInk(static_cast<std::size_t>(std::max(ink.height, 0)), 0);
    for (int y = 0; y < ink.height; ++y) {
        const std::uint64_t* row = ink.words.data() + static_cast<std::size_t>(y) * ink.wordsPerRow;
        for (int w = 0; w < ink.wordsPerRow; ++w)
            rowInk[y] += std::popcount(row[w]);
    }

    // A run of at least half a cell of rows, each ink from its first inked pixel to its last
    // but for a tenth and wider than a cell is high, is a solid area (a window's margin, a
    // bar), not text: it is left out. No glyph of a row of text fills a whole row like that.
    if (cellHeight > 0) {
        auto solid = [&](int y) {
            const std::uint64_t* row = ink.words.data() + static_cast<std::size_t>(y) * ink.wordsPerRow;
            int first = 0;
            while (first < ink.wordsPerRow && row[first] == 0)
                ++first;
            int last = ink.wordsPerRow - 1;
            while (last > first && row[last] == 0)
                --last;
            if (first >= ink.wordsPerRow)
                return false;
            const long long left = 64LL * first + std::countl_zero(row[first]);
            const long long right = 64LL * last + 63 - std::countr_zero(row[last]);
            const long long span = right - left + 1;
            return span > cellHeight && 10LL * rowInk[y] >= 9 * span;
        };
        for (int y = 0; y < ink.height;) {
            if (rowInk[y] == 0 || !solid(y)) {
                ++y;
                continue;
            }
            int end = y + 1;
            while (end < ink.height && rowInk[end] != 0 && solid(end))
                ++end;
            if (2 * (end - y) >= cellHeight)
                std::fill(rowInk.begin() + y, rowInk.begin() + end, 0);
            y = end;
        }
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
    for (std::size_t b = 0; b < bands.size(); ++b)
        searches.push_back(search.Prepare(bands[b], (b > 0 && bands[b - 1].bottom == bands[b].top) ||
                                                        (b + 1 < bands.size() && bands[b + 1].top == bands[b].bottom)));

    // The shared grid: the phase whose cells cost least in total over a sample of lines, each
    // line tried at every top and left phase that holds its ink in one row of cells. A line
    // that no row of a phase holds counts every compared cell as wholly wrong there.
    //
    // Each sampled line's own best grid is searched first, from the phase of the line before.
    // When the first, middle and last sampled lines find the same phase the page is taken to
    // be on one grid and those three are the sample. The phases are then totalled in the order
    // of the least their totals can be (the costs found so far, some of them left off short),
    // each total left off once it passes the least, until no phase can do better.
    std::vector<int> sampled;
    {
        std::vector<int> eligible;
        for (std::size_t b = 0; b < bands.size(); ++b)
            if (bands[b].bottom - bands[b].top <= H)
                eligible.push_back(static_cast<int>(b));
        const int n = static_cast<int>(eligible.size());
        const int count = std::min(n, kSampleLines);
        for (int i = 0; i < count; ++i)
            sampled.push_back(eligible[static_cast<std::size_t>((2 * i + 1) * n / (2 * count))]);
    }
    GridHint hint;
    auto searchLine = [&](int b) {
        search.SearchAll(searches[b], hint);
        hint = {true, searches[b].ownTop, searches[b].ownLeft};
    };
    if (sampled.size() > 3) {
        const std::vector<int> spread = {sampled.front(), sampled[sampled.size() / 2], sampled.back()};
        for (int b : spread)
            searchLine(b);
        auto phaseOf = [&](int b) { return std::pair{Mod(searches[b].ownTop, H), Mod(searches[b].ownLeft, W)}; };
        if (phaseOf(spread[0]) == phaseOf(spread[1]) && phaseOf(spread[1]) == phaseOf(spread[2]))
            sampled = spread;
    }
    for (int b : sampled)
        searchLine(b);
    auto costOnPhase = [&](BandSearch& s, int oy, int ox, long long bound) {
        int t = 0, l = 0;
        if (!search.SharedCandidate(s, oy, ox, t, l))
            return static_cast<long long>(search.SampleCount(s, s.ownLeft)) * W * H;
        return bound < 0 ? s.costs[static_cast<std::size_t>(t) * W + static_cast<std::size_t>(l)]
                         : search.TableCost(s, t, l, bound);
    };
    const std::size_t phases = static_cast<std::size_t>(W) * H;
    std::vector<std::pair<long long, std::size_t>> order;  // least possible total, phase
    order.reserve(phases);
    for (std::size_t phase = 0; phase < phases; ++phase) {
        long long least = 0;
        for (int b : sampled)
            least += costOnPhase(searches[b], static_cast<int>(phase / W), static_cast<int>(phase % W), -1);
        order.emplace_back(least, phase);
    }
    std::sort(order.begin(), order.end());
    long long bestTotal = kNoBound;
    std::size_t bestPhase = phases;
    for (const auto& [least, phase] : order) {
        if (least > bestTotal || sampled.empty())
            break;
        long long total = 0;
        for (int b : sampled) {
            total += costOnPhase(searches[b], static_cast<int>(phase / W), static_cast<int>(phase % W),
                                 bestTotal - total);
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
    }

    // The page has a shared grid when most sampled lines are not clearly worse on it than on
    // their own best grid. The dearest cell cost among those lines tells a line that fits it.
    int agreeing = 0;
    double fittingCellCost = 0;
    for (int b : sampled) {
        BandSearch& s = searches[b];
        int t = 0, l = 0;
        if (!search.SharedCandidate(s, grid.originY, grid.originX, t, l))
            continue;
        const int cells = search.SampleCount(s, search.SharedLeft(s, grid.originX));
        const long long cost = search.TableCost(s, t, l, s.ownCost + s.ownCost / 4 + cells);
        if (NotClearlyWorse(cost, s.ownCost, cells)) {
            ++agreeing;
            fittingCellCost = std::max(fittingCellCost, static_cast<double>(cost) / std::max(cells, 1));
        }
    }
    const bool shared = agreeing * 2 > static_cast<int>(sampled.size());

    // Rows of the shared grid that hold ink, by top; lines with a grid of their own. A line
    // that costs no more a cell than twice the dearest fitting line (and a pixel) fits the
    // shared grid at once; another fits it when its own best grid is not clearly better.
    std::map<long long, long long> sharedRows;  // top -> cost
    std::vector<std::pair<LineGrid, const BandSearch*>> ownLines;
    for (BandSearch& s : searches) {
        int t = 0, l = 0;
        if (shared && search.SharedCandidate(s, grid.originY, grid.originX, t, l)) {
            const long long top = search.SharedTop(s, grid.originY);
            const int cells = search.SampleCount(s, search.SharedLeft(s, grid.originX));
            const long long fitting = static_cast<long long>(2 * fittingCellCost * cells) + cells;
            long long cost = s.Searched() ? search.TableCost(s, t, l, fitting)
                                          : search.Cost(s, top, search.SharedLeft(s, grid.originX), fitting);
            bool fits = cost <= fitting;
            if (!fits) {
                search.SearchAll(s, {true, top, grid.originX});
                cost = search.TableCost(s, t, l, s.ownCost + s.ownCost / 4 + cells);
                fits = NotClearlyWorse(cost, s.ownCost, cells);
            }
            if (fits) {
                sharedRows[top] += cost;
                continue;
            }
        } else if (shared) {
            // A band that no row of the shared grid holds whole: a line of its own when it reads
            // as well as the page's lines, else its ink goes to the rows it crosses.
            search.SearchAll(s, {true, search.SharedTop(s, grid.originY), grid.originX});
            const int cells = search.SampleCount(s, s.ownLeft);
            if (static_cast<double>(s.ownCost) > 2 * fittingCellCost * cells + cells) {
                for (long long row = s.band.top - Mod(s.band.top - grid.originY, H); row < s.band.bottom; row += H)
                    sharedRows[row] += 0;
                continue;
            }
        }
        search.SearchAll(s, hint);
        hint = {true, s.ownTop, s.ownLeft};
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
