#include "PageOverflow.h"

#include <algorithm>

namespace {

bool InkAt(const InkBits& ink, long long x, long long y)
{
    return x >= 0 && y >= 0 && x < ink.width && y < ink.height && ink.Ink(static_cast<int>(x), static_cast<int>(y));
}

// Whether the ink of the W x H cell at (left, top) is a few pixels within kOverflowRows of one
// edge, one of them touching ink in the row just beyond that edge.
bool ReachesOver(const InkBits& ink, long long left, long long top, int width, int height)
{
    int pixels = 0;
    int firstRow = height;
    int lastRow = -1;
    for (int r = 0; r < height; ++r)
        for (int x = 0; x < width; ++x)
            if (InkAt(ink, left + x, top + r)) {
                if (++pixels > kOverflowPixels)
                    return false;
                firstRow = std::min(firstRow, r);
                lastRow = std::max(lastRow, r);
            }
    if (pixels == 0)
        return false;
    // Which edge, and the row beyond it.
    long long edge = 0;
    long long beyond = 0;
    if (firstRow >= height - kOverflowRows) {
        edge = top + height - 1;
        beyond = top + height;
    } else if (lastRow < kOverflowRows) {
        edge = top;
        beyond = top - 1;
    } else {
        return false;
    }
    for (int x = 0; x < width; ++x)
        if (InkAt(ink, left + x, edge))
            for (int d = -1; d <= 1; ++d)
                if (InkAt(ink, left + x + d, beyond))
                    return true;
    return false;
}

// Whether the ink of the W x H cell at (left, top) is a few pixels by its first or its last
// column, one of them on the edge touching ink in the column just beyond it: a glyph beside it wider
// than its cell (Ф, the tail of д) reaching over.
bool ReachesAcross(const InkBits& ink, long long left, long long top, int width, int height)
{
    int pixels = 0;
    int firstColumn = width;
    int lastColumn = -1;
    for (int r = 0; r < height; ++r)
        for (int x = 0; x < width; ++x)
            if (InkAt(ink, left + x, top + r)) {
                if (++pixels > std::max(kOverflowPixels, height / 3))
                    return false;
                firstColumn = std::min(firstColumn, x);
                lastColumn = std::max(lastColumn, x);
            }
    if (pixels == 0 || width < 3)
        return false;
    // A cell wide enough for a glyph of few pixels to stand clear of its edges takes two.
    const int columns = width >= kOverflowWideCell ? 2 : 1;
    long long edge = 0;
    long long beyond = 0;
    if (lastColumn < columns) {
        edge = left;
        beyond = left - 1;
    } else if (firstColumn >= width - columns) {
        edge = left + width - 1;
        beyond = left + width;
    } else {
        return false;
    }
    for (int r = 0; r < height; ++r)
        if (InkAt(ink, edge, top + r))
            for (int d = -1; d <= 1; ++d)
                if (InkAt(ink, beyond, top + r + d))
                    return true;
    return false;
}

}  // namespace

void ClearOverflow(const InkBits& ink, int cellWidth, int cellHeight, std::vector<PageLine>& lines)
{
    if (cellWidth <= 0 || cellHeight <= kOverflowRows)
        return;
    for (PageLine& line : lines)
        for (std::size_t c = 0; c < line.cells.size(); ++c) {
            PageCell& cell = line.cells[c];
            if (cell.bBlank)
                continue;
            const long long left = line.grid.Place(static_cast<int>(c)).pixel;
            const bool over = cell.best != 0 && ReachesOver(ink, left, line.grid.top, cellWidth, cellHeight);
            // A line's first and last cells mark where its screen begins and ends (a bar in
            // reverse video from the screen's edge): they keep their ink.
            const bool inner = c > 0 && c + 1 < line.cells.size();
            if (!over && !(inner && ReachesAcross(ink, left, line.grid.top, cellWidth, cellHeight)))
                continue;
            cell = PageCell();
            cell.bBlank = true;
            cell.variants.push_back({U' ', 0});
        }
}
