#include "PageScreen.h"

#include "PageCells.h"

#include <algorithm>
#include <limits>

using namespace pagecells;

namespace {

// The shape of the shared grid, from its lines.
struct GridShape {
    int W = 0;
    int H = 0;
    long long P = 0;  // pitch, in sub-pixels
    int phases = 1;
    long long originXSub = 0;
    int originY = 0;

    long long Top(long long row) const { return originY + row * H; }
    long long Position(long long column) const { return originXSub + column * P; }
    long long Left(long long column) const { return PlaceAt(Position(column), phases).pixel; }
};

// A blank cell may hold this many pixels of another colour: the edge of a glyph beside it that
// reaches over its border.
constexpr int kStrayPixels = 3;

// Whether the W x H rectangle at (left, top) lies inside the picture and is of one colour but
// for a few stray pixels.
bool Uniform(const CRaster& picture, long long left, long long top, int width, int height)
{
    if (left < 0 || top < 0 || left + width > picture.width() || top + height > picture.height())
        return false;
    const std::uint32_t colour = picture.Row(static_cast<int>(top + height / 2))[left + width / 2] & 0xFFFFFF;
    int stray = 0;
    for (long long y = top; y < top + height; ++y) {
        const std::uint32_t* row = picture.Row(static_cast<int>(y));
        for (long long x = left; x < left + width; ++x)
            if ((row[x] & 0xFFFFFF) != colour && ++stray > kStrayPixels)
                return false;
    }
    return true;
}

bool UniformRow(const CRaster& picture, const GridShape& shape, long long row, long long firstColumn, long long endColumn)
{
    for (long long c = firstColumn; c < endColumn; ++c)
        if (!Uniform(picture, shape.Left(c), shape.Top(row), shape.W, shape.H))
            return false;
    return true;
}

bool UniformColumn(const CRaster& picture, const GridShape& shape, long long column, long long firstRow, long long endRow)
{
    for (long long r = firstRow; r < endRow; ++r)
        if (!Uniform(picture, shape.Left(column), shape.Top(r), shape.W, shape.H))
            return false;
    return true;
}

bool ShapeOf(const PageGrid& grid, GridShape& shape)
{
    const auto line = std::find_if(grid.lines.begin(), grid.lines.end(), [](const LineGrid& l) { return !l.bOwn; });
    if (!grid.bShared || line == grid.lines.end() || line->cellWidth <= 0 || line->cellHeight <= 0)
        return false;
    shape.W = line->cellWidth;
    shape.H = line->cellHeight;
    shape.P = line->PitchSub();
    shape.phases = line->phases;
    shape.originXSub = grid.originXSub;
    shape.originY = grid.originY;
    return shape.P > 0;
}

}  // namespace

ScreenExtent FindScreen(const CRaster& picture, const PageGrid& grid)
{
    ScreenExtent screen;
    GridShape shape;
    if (!ShapeOf(grid, shape))
        return screen;
    long long top = std::numeric_limits<long long>::max(), bottom = std::numeric_limits<long long>::min();
    long long left = top, right = bottom;
    for (const LineGrid& line : grid.lines) {
        if (line.bOwn || line.cells <= 0)
            continue;
        const long long row = FloorDiv(line.top - shape.originY, shape.H);
        const long long column = FloorDiv(line.leftSub - shape.originXSub + shape.P / 2, shape.P);
        top = std::min(top, row);
        bottom = std::max(bottom, row + 1);
        left = std::min(left, column);
        right = std::max(right, column + line.cells);
    }
    if (top >= bottom || left >= right)
        return screen;
    for (bool grew = true; grew;) {
        grew = false;
        while (UniformRow(picture, shape, top - 1, left, right))
            --top, grew = true;
        while (UniformRow(picture, shape, bottom, left, right))
            ++bottom, grew = true;
        while (UniformColumn(picture, shape, left - 1, top, bottom))
            --left, grew = true;
        while (UniformColumn(picture, shape, right, top, bottom))
            ++right, grew = true;
    }
    screen.bScreen = true;
    screen.firstRow = top;
    screen.firstColumn = left;
    screen.rows = static_cast<int>(bottom - top);
    screen.columns = static_cast<int>(right - left);
    return screen;
}

PageGrid ScreenGrid(const PageGrid& grid, const ScreenExtent& screen)
{
    GridShape shape;
    if (!screen.bScreen || !ShapeOf(grid, shape))
        return grid;
    PageGrid out = grid;
    out.lines.clear();
    const long long screenTop = shape.Top(screen.firstRow);
    const long long screenBottom = shape.Top(screen.EndRow());
    for (const LineGrid& line : grid.lines)
        if (line.bOwn && (line.top + line.cellHeight <= screenTop || line.top >= screenBottom))
            out.lines.push_back(line);
    for (int r = 0; r < screen.rows; ++r) {
        LineGrid line;
        line.top = static_cast<int>(shape.Top(screen.firstRow + r));
        line.cellWidth = shape.W;
        line.cellHeight = shape.H;
        line.pitchSub = shape.P;
        line.phases = shape.phases;
        line.leftSub = shape.Position(screen.firstColumn);
        line.left = static_cast<int>(shape.Left(screen.firstColumn));
        line.cells = screen.columns;
        line.row = static_cast<int>(screen.firstRow + r);
        out.lines.push_back(line);
    }
    std::stable_sort(out.lines.begin(), out.lines.end(), [](const LineGrid& a, const LineGrid& b) { return a.top < b.top; });
    return out;
}
