#include "PagePhases.h"

#include "MatchKernels.h"

#include <algorithm>
#include <cstdint>

using namespace pagecells;

namespace {

// The place d phases on from place: d < 0 to the left, crossing into the pixel beside.
CellPlace Beside(CellPlace place, int d, int phases)
{
    const long long units = place.pixel * phases + place.phase + d;
    const long long pixel = units >= 0 ? units / phases : -((-units + phases - 1) / phases);
    return {pixel, static_cast<int>(units - pixel * phases)};
}

// Where a group's cells lie: one of them, and its row.
struct GroupPlace {
    CellPlace place;
    long long top = 0;
    bool bSeen = false;
};

}  // namespace

void RereadAtNeighbourPhases(const InkBits& ink, const PageGlyphs& glyphs, std::vector<PageLine>& lines,
                             double coefficient, MatchPath path, const InkBits* other)
{
    const int rows = glyphs.Rows();
    if (rows == 0 || glyphs.phases < 2)
        return;
    std::vector<GroupPlace> groups;
    for (const PageLine& line : lines)
        for (std::size_t c = 0; c < line.cells.size(); ++c) {
            const PageCell& cell = line.cells[c];
            if (cell.bBlank || cell.group < 0 || cell.best == 0)
                continue;
            if (static_cast<std::size_t>(cell.group) >= groups.size())
                groups.resize(static_cast<std::size_t>(cell.group) + 1);
            GroupPlace& group = groups[static_cast<std::size_t>(cell.group)];
            if (!group.bSeen)
                group = {line.grid.Place(static_cast<int>(c)), line.grid.top, true};
        }

    const std::size_t stride = glyphs.Stride();
    CAlignedBytes image(stride);
    std::vector<std::int32_t> least(static_cast<std::size_t>(rows));
    std::vector<std::int32_t> costs(static_cast<std::size_t>(rows));
    std::vector<int> scratch;
    std::vector<PageCell> readings(groups.size());
    std::vector<bool> changed(groups.size(), false);
    for (std::size_t g = 0; g < groups.size(); ++g) {
        if (!groups[g].bSeen)
            continue;
        bool inked = false;
        bool first = true;
        for (int d = -1; d <= 1; ++d) {
            const CellPlace place = Beside(groups[g].place, d, glyphs.phases);
            for (const InkBits* source : {&ink, other}) {
                if (source == nullptr)
                    continue;
                const bool any = CaptureInkCell(*source, glyphs, place.pixel, groups[g].top, image.data());
                inked = inked || any;
                XorPopcountBlock(path, image.data(), 1, glyphs.Matrix(place.phase).Data(), stride,
                                 static_cast<std::size_t>(rows), first ? least.data() : costs.data());
                if (!first)
                    for (int r = 0; r < rows; ++r)
                        least[static_cast<std::size_t>(r)] =
                            std::min(least[static_cast<std::size_t>(r)], costs[static_cast<std::size_t>(r)]);
                first = false;
            }
        }
        if (!inked)
            continue;
        readings[g] = ReadCell(glyphs, least.data(), coefficient, scratch);
        changed[g] = true;
    }
    for (PageLine& line : lines)
        for (PageCell& cell : line.cells)
            if (!cell.bBlank && cell.group >= 0 && static_cast<std::size_t>(cell.group) < changed.size() &&
                changed[static_cast<std::size_t>(cell.group)]) {
                const int group = cell.group;
                cell = readings[static_cast<std::size_t>(group)];
                cell.group = group;
            }
}
