#include "CellSample.h"

#include <algorithm>
#include <unordered_map>

namespace {

// Cells on which the shift of a candidate is chosen.
constexpr int kShiftCells = 40;
// Shifts tried: a pixel either way across, in steps of a phase, and three rows up and down: the
// cells were found with the first candidate's glyphs, whose bearings and baseline may put its grid
// a pixel or more from another font's on a fractional pitch.
constexpr int kShiftRows = 3;

struct Placed {
    long long top;
    CellPlace place;
};

Placed PlaceOf(const SampleCell& cell, long long pitchSub, int phases, long long dxSub, int dy)
{
    return {cell.top + dy, PlaceAt(cell.lineLeftSub + static_cast<long long>(cell.index) * pitchSub + dxSub, phases)};
}

// The weighted sum of the least costs of cells first..last - 1 at a shift.
long long SumOfLeast(CCellMatcher& matcher, const PageGlyphs& packed, const std::vector<SampleCell>& sample,
                     std::size_t first, std::size_t last, long long pitchSub, long long dxSub, int dy, long long& weight)
{
    long long sum = 0;
    weight = 0;
    CellPlace place[1];
    for (std::size_t i = first; i < last; ++i) {
        const Placed at = PlaceOf(sample[i], pitchSub, packed.phases, dxSub, dy);
        place[0] = at.place;
        matcher.Match(at.top, place, 1);
        std::int32_t least = 0, most = 0;
        CostRange(matcher.Wide(), matcher.Costs(0), packed.Rows(), least, most);
        sum += static_cast<long long>(least) * sample[i].weight;
        weight += sample[i].weight;
    }
    return sum;
}

}  // namespace

std::vector<SampleCell> SampleCells(const InkBits& ink, const PageReading& page, int count)
{
    // Identical images merge: the key is the cell's phase and ink, row after row.
    std::unordered_map<std::string, std::size_t> seen;
    std::vector<SampleCell> merged;
    std::string key;
    for (const PageLine& line : page.lines)
        for (int c = 0; c < static_cast<int>(line.cells.size()); ++c) {
            if (line.cells[static_cast<std::size_t>(c)].bBlank)
                continue;
            const PixelRect r = line.CellRect(c);
            key.assign(1, static_cast<char>(line.grid.CellPhase(c)));
            for (long long y = r.top; y < r.bottom; ++y)
                for (long long x = r.left; x < r.right; ++x)
                    key.push_back(ink.Ink(static_cast<int>(x), static_cast<int>(y)) ? '1' : '0');
            const auto [it, added] = seen.emplace(key, merged.size());
            if (added)
                merged.push_back({line.Top(), line.grid.leftSub, c, 1});
            else
                ++merged[it->second].weight;
        }
    if (static_cast<int>(merged.size()) <= count)
        return merged;
    // The most frequent cells first, as a screen's text is mostly its common letters, then an even
    // spread of the rest.
    std::stable_sort(merged.begin(), merged.end(), [](const SampleCell& a, const SampleCell& b) { return a.weight > b.weight; });
    const std::size_t common = static_cast<std::size_t>(count / 2);
    std::vector<SampleCell> picked(merged.begin(), merged.begin() + static_cast<std::ptrdiff_t>(common));
    const std::size_t rest = merged.size() - common;
    const std::size_t more = static_cast<std::size_t>(count) - common;
    for (std::size_t i = 0; i < more; ++i)
        picked.push_back(merged[common + (2 * i + 1) * rest / (2 * more)]);
    return picked;
}

SampleFit FitSample(const InkBits& ink, const GlyphSet& glyphs, long long pitchSub, const std::vector<SampleCell>& sample,
                    MatchPath path)
{
    SampleFit fit;
    PageGlyphs packed;
    packed.Build(glyphs);
    if (packed.Rows() == 0 || sample.empty()) {
        fit.meanCost = glyphs.cellWidth * glyphs.cellHeight;
        return fit;
    }
    CCellMatcher matcher(ink, packed, path);
    const long long step = kSubpixels / std::max(packed.phases, 1);
    const std::size_t shiftCells = std::min<std::size_t>(kShiftCells, sample.size());
    long long best = -1;
    long long weight = 0;
    const int steps = std::max(packed.phases, 1);
    for (int dy = -kShiftRows; dy <= kShiftRows; ++dy)
        for (int dx = -steps; dx <= steps; ++dx) {
            const long long dxSub = dx * step;
            const long long sum = SumOfLeast(matcher, packed, sample, 0, shiftCells, pitchSub, dxSub, dy, weight);
            if (best < 0 || sum < best) {
                best = sum;
                fit.dxSub = dxSub;
                fit.dy = dy;
            }
        }
    const long long sum = SumOfLeast(matcher, packed, sample, 0, sample.size(), pitchSub, fit.dxSub, fit.dy, weight);
    fit.meanCost = weight > 0 ? static_cast<double>(sum) / static_cast<double>(weight) : 0;
    return fit;
}
