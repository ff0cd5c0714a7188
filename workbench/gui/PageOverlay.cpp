#include "PageOverlay.h"

#include "CScrollView.h"

#include <QPainter>

namespace {

const QColor kLineColour(0, 120, 255);
const QColor kCellColour(0, 120, 255, 70);
const QColor kUnsureColour(255, 140, 0, 110);
const QColor kMarkColour(220, 0, 0);

QRect ToQRect(const CRect& r)
{
    return {r.left, r.top, r.Width(), r.Height()};
}

QRect ToQRect(const PixelRect& r)
{
    return {static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.Width()), static_cast<int>(r.Height())};
}

}  // namespace

void DrawPageOverlay(QPainter& painter, const PageReading& page, const CScrollView& view, PageCellRef marked)
{
    if (page.cellWidth <= 0 || page.cellHeight <= 0)
        return;
    painter.save();
    painter.resetTransform();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    const QRect client = view.viewport()->rect();
    // Cell boundaries only where cells are wide enough on screen to tell them apart.
    const bool cellLines = page.cellWidth * view.Zoom() >= 6;
    for (int i = 0; i < static_cast<int>(page.lines.size()); ++i) {
        const QRect line = view.ToClient(ToQRect(PageLineRect(page, i)));
        if (!line.intersects(client))
            continue;
        const PageLine& pageLine = page.lines[static_cast<std::size_t>(i)];
        for (int c = 0; c < static_cast<int>(pageLine.cells.size()); ++c) {
            const QRect cell = view.ToClient(ToQRect(PageCellRect(page, {i, c})));
            if (cell.left() > client.right() || cell.right() < client.left())
                continue;
            if (IsUnsureCell(pageLine.cells[static_cast<std::size_t>(c)], page.cellWidth, page.cellHeight))
                painter.fillRect(cell, kUnsureColour);
            if (cellLines && c > 0) {
                painter.setPen(QPen(kCellColour, 0));
                painter.drawLine(cell.left(), line.top(), cell.left(), line.bottom());
            }
        }
        painter.setPen(QPen(kLineColour, 0));
        painter.drawRect(line.adjusted(0, 0, -1, -1));
    }
    const CRect cell = PageCellRect(page, marked);
    if (cell.Width() > 0) {
        painter.setPen(QPen(kMarkColour, 2));
        painter.drawRect(view.ToClient(ToQRect(cell)).adjusted(-1, -1, 1, 1));
    }
    painter.restore();
}

void DrawProportionalOverlay(QPainter& painter, const ProportionalPage& page, const CScrollView& view)
{
    painter.save();
    painter.resetTransform();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    const QRect client = view.viewport()->rect();
    for (const ProportionalPage::Line& line : page.lines) {
        const QRect box = view.ToClient(ToQRect(line.box));
        if (!box.intersects(client))
            continue;
        painter.setPen(QPen(kCellColour, 0));
        for (const PixelRect& glyph : line.glyphs) {
            const QRect shown = view.ToClient(ToQRect(glyph));
            // Boxes only where glyphs are wide enough on screen to tell them apart.
            if (shown.width() >= 6 && shown.intersects(client))
                painter.drawRect(shown.adjusted(0, 0, -1, -1));
        }
        painter.setPen(QPen(kLineColour, 0));
        painter.drawRect(box.adjusted(0, 0, -1, -1));
    }
    painter.restore();
}
