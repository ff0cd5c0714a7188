#include "StrokeDrawing.h"

#include "CRaster.h"

#include <QImage>
#include <QPainter>

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

}  // namespace

QRect DrawStrokeSegment(CRaster& raster, QPoint from, QPoint to, int width, std::uint32_t colour)
{
    const QRect damaged = QRect(from, to).normalized().adjusted(-width, -width, width, width);
    if (raster.empty() || from == to)
        return damaged;
    if (width <= 1) {
        DrawThinLine(raster, from, to, colour);
        return damaged;
    }
    QImage image(reinterpret_cast<uchar*>(raster.Bits()), raster.width(), raster.height(),
                 raster.BytesPerLine(), QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QColor::fromRgb(0xFF000000u | colour), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawLine(from, to);
    return damaged;
}
