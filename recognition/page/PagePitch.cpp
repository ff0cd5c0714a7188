#include "PagePitch.h"

#include <algorithm>
#include <bit>
#include <vector>

namespace {

// The pitches looked for: a line from 6 to 200 pixels, a column from 3 to 100 pixels.
constexpr int kMinLinePitch = 6;
constexpr int kMaxLinePitch = 200;
constexpr int kMinColumnPitch = 3;
constexpr int kMaxColumnPitch = 100;

// A period is taken when its emptiest phase is this clear relative to the best period's: a
// multiple of the pitch is as clear as the pitch itself, so the shortest near the best wins.
constexpr double kNearBest = 0.9;

// How much less clear a whole-pixel pitch may be than the fractional one beside it and still be
// taken.
constexpr double kWholePixelSlack = 0.01;

// A text cell is at most this wide for the line's pitch (monospaced families' advances are
// 0.5 to 0.62 of an em, their lines 1.1 to 1.4 ems apart). A period wider is a multiple of the
// pitch: where text keeps to every other cell (indents of two or four, a dialog's columns) and
// wide glyphs now and then fill the gaps between cells, the double pitch shows the clearer gap.
constexpr double kWidestCell = 0.7;

// Below this clarity no pitch shows: the ink is not laid out on a grid.
constexpr double kMinClarity = 0.5;

// Clarity of a period: 1 - ink of the emptiest phase / mean ink of a phase. bins phases, at
// most a pixel's worth each (bins <= period64 / 64), each position x going to bin
// (x * 64 mod period64) * bins / period64.
double Clarity(const std::vector<long long>& profile, long long period64, int bins, std::vector<long long>& sums)
{
    sums.assign(static_cast<std::size_t>(bins), 0);
    long long total = 0;
    // The phase and its bin are carried from one position to the next without dividing: a step
    // of a pixel crosses at most one bin's edge, and one that wraps the period lands in bin 0.
    long long phase = 0;
    long long bin = 0;
    for (std::size_t x = 0; x < profile.size(); ++x) {
        sums[static_cast<std::size_t>(bin)] += profile[x];
        total += profile[x];
        phase += 64;
        if (phase >= period64) {
            phase -= period64;
            bin = 0;
        } else {
            bin += (bin + 1) * period64 <= phase * bins ? 1 : 0;
        }
    }
    if (total == 0)
        return 0;
    const long long least = *std::min_element(sums.begin(), sums.end());
    return 1.0 - static_cast<double>(least) * bins / static_cast<double>(total);
}

// The shortest whole-pixel period from low to high whose clarity is near the best; 0 when none is
// clear.
int WholePeriod(const std::vector<long long>& profile, int low, int high, double& clarity)
{
    std::vector<double> clarities;
    std::vector<long long> sums;
    high = std::min<int>(high, static_cast<int>(profile.size()) / 2);
    double best = 0;
    for (int p = low; p <= high; ++p) {
        clarities.push_back(Clarity(profile, p * 64LL, p, sums));
        best = std::max(best, clarities.back());
    }
    clarity = 0;
    if (best < kMinClarity)
        return 0;
    // The shortest period near the best marks the pitch (its multiples are as clear); the clearest
    // period within a quarter above it is taken, as the periods a pixel short of it are nearly as
    // clear where lines leave wide gaps.
    for (int p = low; p <= high; ++p)
        if (clarities[static_cast<std::size_t>(p - low)] >= kNearBest * best) {
            int pick = p;
            for (int q = p + 1; q <= std::min(high, p + p / 4); ++q)
                if (clarities[static_cast<std::size_t>(q - low)] > clarities[static_cast<std::size_t>(pick - low)])
                    pick = q;
            clarity = clarities[static_cast<std::size_t>(pick - low)];
            return pick;
        }
    return 0;
}

int MedianRun(const std::vector<long long>& rows)
{
    std::vector<int> runs;
    int run = 0;
    for (std::size_t y = 0; y <= rows.size(); ++y) {
        if (y < rows.size() && rows[y] > 0) {
            ++run;
        } else if (run > 0) {
            runs.push_back(run);
            run = 0;
        }
    }
    if (runs.empty())
        return 0;
    std::nth_element(runs.begin(), runs.begin() + static_cast<std::ptrdiff_t>(runs.size() / 2), runs.end());
    return runs[runs.size() / 2];
}

}  // namespace

PagePitch MeasurePitch(const InkBits& ink)
{
    PagePitch pitch;
    if (ink.width <= 0 || ink.height <= 0 || static_cast<int>(ink.rowInk.size()) != ink.height)
        return pitch;
    const std::vector<long long> rows(ink.rowInk.begin(), ink.rowInk.end());
    pitch.inkHeight = MedianRun(rows);
    // A line's pitch is at least the height of its ink.
    pitch.linePitch = WholePeriod(rows, std::max(kMinLinePitch, pitch.inkHeight), kMaxLinePitch, pitch.lineClarity);

    std::vector<long long> columns(static_cast<std::size_t>(ink.width), 0);
    for (int y = 0; y < ink.height; ++y) {
        const std::uint64_t* row = ink.Row(y);
        for (int w = 0; w < ink.wordsPerRow; ++w)
            for (std::uint64_t bits = row[w]; bits != 0; bits &= bits - 1)
                ++columns[static_cast<std::size_t>(w * 64 + 63 - std::countr_zero(bits))];
    }
    // A cell is at most as wide as a line is high. Browsers put cells at fractional pitches, so
    // every 64th of a pixel is tried, the phases counted in pixel-wide bins: the shortest period
    // near the best clarity marks the pitch, and the clearest period within a pixel of it is taken.
    const int widest = pitch.linePitch > 0 ? std::min(kMaxColumnPitch, pitch.linePitch) : kMaxColumnPitch;
    const int low64 = kMinColumnPitch * 64;
    const int high64 = std::min(widest, ink.width / 2) * 64;
    if (high64 < low64)
        return pitch;
    std::vector<double> clarities;
    std::vector<long long> sums;
    double best = 0;
    for (int p64 = low64; p64 <= high64; ++p64) {
        clarities.push_back(Clarity(columns, p64, p64 / 64, sums));
        best = std::max(best, clarities.back());
    }
    if (best < kMinClarity)
        return pitch;
    int first = low64;
    while (clarities[static_cast<std::size_t>(first - low64)] < kNearBest * best)
        ++first;
    pitch.columnPitch64 = first;
    for (int p64 = first; p64 < std::min(first + 64, high64 + 1); ++p64)
        if (clarities[static_cast<std::size_t>(p64 - low64)] > clarities[static_cast<std::size_t>(pitch.columnPitch64 - low64)])
            pitch.columnPitch64 = p64;
    best = clarities[static_cast<std::size_t>(pitch.columnPitch64 - low64)];
    // A terminal's whole-pixel pitch is kept where it is as clear: the fractional periods beside
    // it differ only in the drift of a few columns.
    const int whole64 = (pitch.columnPitch64 + 32) / 64 * 64;
    if (whole64 >= low64 && whole64 <= high64 &&
        clarities[static_cast<std::size_t>(whole64 - low64)] >= best - kWholePixelSlack) {
        pitch.columnPitch64 = whole64;
        best = clarities[static_cast<std::size_t>(whole64 - low64)];
    }
    // A cell too wide for its lines: the shortest whole fraction of it that is narrow enough
    // and shows a pitch at all.
    if (pitch.linePitch > 0 && pitch.columnPitch64 > kWidestCell * pitch.linePitch * 64) {
        for (int k = 2; k <= 4; ++k) {
            const int period64 = pitch.columnPitch64 / k;
            if (period64 < low64)
                break;
            if (period64 > kWidestCell * pitch.linePitch * 64)
                continue;
            if (clarities[static_cast<std::size_t>(period64 - low64)] >= kMinClarity) {
                pitch.columnPitch64 = period64;
                best = clarities[static_cast<std::size_t>(period64 - low64)];
            }
            break;
        }
    }
    pitch.columnClarity = best;
    return pitch;
}
