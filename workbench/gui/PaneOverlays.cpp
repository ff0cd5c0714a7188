#include "PaneOverlays.h"

#include "CRecognizeDoc.h"
#include "CScrollView.h"

#include <QPainter>

#include <algorithm>

namespace {

const QColor kGridColour(0, 120, 255);
const QColor kMarkColour(220, 0, 0);
const QColor kCorrectionColour(255, 140, 0, 90);

}  // namespace

QRect CellRectOf(const CRecognizeDoc& doc, int p)
{
    const int width = doc.m_Font.CellWidth();
    return {doc.TextOriginX() + p * width, doc.TextOriginY(), width, doc.m_Font.CellHeight()};
}

int CellAtLogical(const CRecognizeDoc& doc, QPoint logical)
{
    const int width = doc.m_Font.CellWidth();
    const CRect r = doc.GetPictureRect();
    if (width <= 0 || logical.y() < r.top || logical.y() >= r.bottom || logical.x() < doc.TextOriginX())
        return -1;
    const long long p = (static_cast<long long>(logical.x()) - doc.TextOriginX()) / width;
    return p < doc.m_nCells ? static_cast<int>(p) : -1;
}

void VisibleCells(const CRecognizeDoc& doc, const CScrollView& view, int& first, int& last)
{
    const int width = doc.m_Font.CellWidth();
    first = 0;
    last = -1;
    if (width <= 0 || doc.m_nCells <= 0)
        return;
    const long long left = view.ToLogical(QPoint(0, 0)).x() - doc.TextOriginX();
    const long long right = view.ToLogical(QPoint(view.viewport()->width(), 0)).x() - doc.TextOriginX();
    first = static_cast<int>(std::clamp<long long>(left / width, 0, doc.m_nCells - 1));
    last = static_cast<int>(std::clamp<long long>(right / width, -1, doc.m_nCells - 1));
    if (right < 0)
        last = -1;
}

void DrawPaneOverlays(QPainter& painter, const CRecognizeDoc& doc, const CScrollView& view, bool corrections)
{
    int first = 0;
    int last = -1;
    VisibleCells(doc, view, first, last);
    painter.save();
    painter.resetTransform();
    painter.setRenderHint(QPainter::Antialiasing, false);

    const RecognitionTrace& trace = doc.Trace();
    if (corrections && trace.kind == RecognitionTrace::Kind::Complex) {
        const int count = std::min(last, static_cast<int>(trace.positions.size()) - 1);
        for (int p = first; p <= count; ++p)
            if (trace.positions[static_cast<std::size_t>(p)].Corrected())
                painter.fillRect(view.ToClient(CellRectOf(doc, p)), kCorrectionColour);
    }

    if (view.ShowsGrid()) {
        painter.setPen(QPen(kGridColour, 0));
        const CRect r = doc.GetPictureRect();
        painter.drawRect(view.ToClient(QRect(r.left, r.top, r.Width(), r.Height())).adjusted(0, 0, -1, -1));
        if (last >= first) {
            const QRect row = view.ToClient(CellRectOf(doc, first).united(CellRectOf(doc, last)));
            painter.drawLine(row.left(), row.top(), row.right() + 1, row.top());
            painter.drawLine(row.left(), row.bottom() + 1, row.right() + 1, row.bottom() + 1);
            for (int p = first; p <= last + 1; ++p) {
                const int x = view.ToClient(CellRectOf(doc, p)).left();
                painter.drawLine(x, row.top(), x, row.bottom() + 1);
            }
        }
        // The text origin: a small cross on the first glyph's top-left pixel.
        const QPoint origin = view.ToClient(QRect(doc.TextOriginX(), doc.TextOriginY(), 1, 1)).topLeft();
        painter.drawLine(origin - QPoint(4, 0), origin + QPoint(4, 0));
        painter.drawLine(origin - QPoint(0, 4), origin + QPoint(0, 4));
    }

    const int marked = view.MarkedCell();
    if (marked >= 0 && marked < doc.m_nCells) {
        painter.setPen(QPen(kMarkColour, 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(view.ToClient(CellRectOf(doc, marked)).adjusted(-1, -1, 1, 1));
    }
    painter.restore();
}
