#pragma once

#include <QAbstractScrollArea>
#include <QPoint>
#include <QSize>

// A scrolling pane with one pixel per logical unit: the scroll bars follow a total size
// that the pane sets, and every scroll step repaints the whole pane.
class CScrollView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CScrollView(QWidget* parent);

    void SetScrollSizes(QSize total);
    QSize TotalSize() const { return m_TotalSize; }
    // The scroll position in pixels: the logical point shown at the pane's top-left corner.
    QPoint ScrollPosition() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void UpdateScrollBars();

    QSize m_TotalSize;
};
