#include "PageOverflow.h"

#include <algorithm>

namespace {

bool InkAt(const InkBits& ink, long long x, long long y)
{
    return x >= 0 && y >= 0 && x < ink.width && y < ink.height && ink.Ink(static_cast<int>(x), static_cast<int>(y));
}

// A cell's ink when it is a few pixels: how many, and the rows and columns they span (from the
// cell's top left, the last ones included).
struct FewPixels {
    int pixels = 0;  // 0: none, or more than were asked for
    int firstRow = 0, lastRow = 0, firstColumn = 0, lastColumn = 0;
};

FewPixels FewPixelsOf(const InkBits& ink, long long left, long long top, int width, int height, int most)
{
    FewPixels few{0, height, -1, width, -1};
    for (int r = 0; r < height; ++r)
        for (int x = 0; x < width; ++x)
            if (InkAt(ink, left + x, top + r)) {
                if (++few.pixels > most)
                    return FewPixels{};
                few.firstRow = std::min(few.firstRow, r);
                few.lastRow = std::max(few.lastRow, r);
                few.firstColumn = std::min(few.firstColumn, x);
                few.lastColumn = std::max(few.lastColumn, x);
            }
    return few.pixels > 0 ? few : FewPixels{};
}

// Whether the few pixels of the W x H cell at (left, top) lie within kOverflowRows of one edge,
// one of them touching ink in the row just beyond that edge.
bool ReachesOver(const InkBits& ink, const FewPixels& few, long long left, long long top, int width, int height)
{
    long long edge = 0;
    long long beyond = 0;
    if (few.firstRow >= height - kOverflowRows) {
        edge = top + height - 1;
        beyond = top + height;
    } else if (few.lastRow < kOverflowRows) {
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

// Whether the few pixels of the W x H cell at (left, top) lie by its first or its last column,
// one of them on the edge touching ink in the column just beyond it: a glyph beside it wider
// than its cell (Ф, the tail of д) reaching over.
bool ReachesAcross(const InkBits& ink, const FewPixels& few, long long left, long long top, int width, int height)
{
    if (width < 3)
        return false;
    // A cell wide enough for a glyph of few pixels to stand clear of its edges takes two.
    const int columns = width >= kOverflowWideCell ? 2 : 1;
    long long edge = 0;
    long long beyond = 0;
    if (few.lastColumn < columns) {
        edge = left;
        beyond = left - 1;
    } else if (few.firstColumn >= width - columns) {
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
            const FewPixels few =
                FewPixelsOf(ink, left, line.grid.top, cellWidth, cellHeight, std::max(kOverflowPixels, cellHeight / 3));
            if (few.pixels == 0)
                continue;
            const bool over = cell.best != 0 && few.pixels <= kOverflowPixels &&
                              ReachesOver(ink, few, left, line.grid.top, cellWidth, cellHeight);
            // A line's first and last cells mark where its screen begins and ends (a bar in
            // reverse video from the screen's edge): they keep their ink.
            const bool inner = c > 0 && c + 1 < line.cells.size();
            if (!over && !(inner && ReachesAcross(ink, few, left, line.grid.top, cellWidth, cellHeight)))
                continue;
            cell = PageCell();
            cell.bBlank = true;
            cell.variants.push_back({U' ', 0});
        }
}
