#include "StrokeDrawing.h"

#include "CRaster.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Bresenham from `from` towards `to`, every pixel but the last.
void DrawThinLine(CRaster& raster, QPoint from, QPoint to, std::uint32_t colour)
{
    int x = from.x();
    int y = from.y();
    const int dx = std::abs(to.x() - x);
    const int dy = -std::abs(to.y() - y);
    const int sx = x < to.x() ? 1 : -1;
    const int sy = y < to.y() ? 1 : -1;
    int error = dx + dy;
    while (x != to.x() || y != to.y()) {
        raster.SetPixel(x, y, colour);
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += sx;
        }
        if (twice <= dx) {
            error += dx;
            y += sy;
        }
    }
}

// Every pixel whose centre lies within width / 2 of the segment: a band with round ends,
// symmetric about the segment.
void DrawWideLine(CRaster& raster, QPoint from, QPoint to, int width, std::uint32_t colour)
{
    const double radius = width / 2.0;
    const long long reach = width / 2 + 1;
    const int left = static_cast<int>(std::max<long long>(0, std::min(from.x(), to.x()) - reach));
    const int right = static_cast<int>(std::min<long long>(raster.width() - 1, std::max(from.x(), to.x()) + reach));
    const int top = static_cast<int>(std::max<long long>(0, std::min(from.y(), to.y()) - reach));
    const int bottom = static_cast<int>(std::min<long long>(raster.height() - 1, std::max(from.y(), to.y()) + reach));
    const double dx = to.x() - from.x();
    const double dy = to.y() - from.y();
    const double length2 = dx * dx + dy * dy;
    for (int y = top; y <= bottom; ++y) {
        std::uint32_t* row = raster.Row(y);
        for (int x = left; x <= right; ++x) {
            const double px = x - from.x();
            const double py = y - from.y();
            const double t = std::clamp((px * dx + py * dy) / length2, 0.0, 1.0);
            const double ex = px - t * dx;
            const double ey = py - t * dy;
            if (ex * ex + ey * ey <= radius * radius)
                row[x] = 0xFF000000u | colour;
        }
    }
}

// Widest pen drawn: a width read from a file is taken into 1..kMaxPenWidth, which keeps the
// damaged rectangle within int and leaves every width the menu offers as it is.
constexpr int kMaxPenWidth = 65536;

}  // namespace

QRect DrawStrokeSegment(CRaster& raster, QPoint from, QPoint to, int width, std::uint32_t colour)
{
    width = std::clamp(width, 1, kMaxPenWidth);
    const QRect damaged = QRect(from, to).normalized().adjusted(-width, -width, width, width);
    if (raster.empty() || from == to)
        return damaged;
    if (width <= 1) {
        DrawThinLine(raster, from, to, colour);
        return damaged;
    }
    DrawWideLine(raster, from, to, width, colour);
    return damaged;
}
