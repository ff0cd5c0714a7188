#pragma once

#include <QAbstractScrollArea>
#include <QPoint>
#include <QSize>

// A scrolling pane that shows logical pixels magnified by a whole zoom factor: the scroll
// bars follow a total size that the pane sets, and every scroll step repaints the whole pane.
// It also keeps what its owner draws over the picture: the cell grid and one marked cell.
class CScrollView : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kMaxZoom = 16;

    explicit CScrollView(QWidget* parent);

    // The total size in logical pixels.
    void SetScrollSizes(QSize total);
    QSize TotalSize() const { return m_TotalSize; }
    // The scroll position in screen pixels: the zoomed point shown at the pane's top-left corner.
    QPoint ScrollPosition() const;

    int Zoom() const { return m_nZoom; }
    // Magnifies by zoom (1..kMaxZoom), keeping the logical point under anchor (client
    // coordinates) where it is.
    void SetZoom(int zoom, QPoint anchor);
    // The logical pixel under a client point, and the client rectangle of a logical one.
    QPoint ToLogical(QPoint client) const;
    QRect ToClient(const QRect& logical) const;

    bool ShowsGrid() const { return m_bGrid; }
    void SetShowsGrid(bool show);
    int MarkedCell() const { return m_nMarkedCell; }  // -1 when none
    void SetMarkedCell(int cell);

signals:
    // A short note for the status bar, such as why the mouse did nothing.
    void StatusHint(const QString& text);
    // The pointer moved onto cell (-1: onto no cell, or out of the pane).
    void CellHovered(int cell);
    // Ctrl and the wheel: steps up (positive) or down, at a client point.
    void ZoomWheel(int steps, QPoint at);

protected:
    // The client rectangle of a cell, for repainting the marked one.
    virtual QRect CellRect(int cell) const;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void UpdateScrollBars();

    QSize m_TotalSize;
    int m_nZoom = 1;
    bool m_bGrid = false;
    int m_nMarkedCell = -1;
    int m_nWheelAngle = 0;   // eighths of a degree not yet turned into a zoom step
};
