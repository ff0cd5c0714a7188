#pragma once

#include "CDocView.h"
#include "CScrollView.h"
#include "CRaster.h"
#include "PageSummary.h"

#include <QPoint>
#include <QRegion>

#include <cstdint>

class CGuiDocument;
class QImage;

// The graphics pane: shows the document's picture and lets the mouse draw on it in
// graphics mode, the left button in black and the right button in white.
class CRecGraphicsView : public CScrollView, public CDocView {
    Q_OBJECT
public:
    CRecGraphicsView(CGuiDocument& document, QWidget* parent);
    ~CRecGraphicsView() override;

    void OnInitialUpdate();
    void OnUpdate(CDocView* sender, long hint) override;
    bool IsGraphicsView() const override { return true; }
    // Leaves the document; the pane then shows nothing and ignores the mouse.
    void Detach();

    // What the status bar says after a mouse press outside graphics mode.
    static constexpr const char* kDrawingOffHint =
        "Drawing is off: \"Edit graphics\" in the Recognition menu turns it on.";

    // The outlines of the page reading, and the one cell framed among them.
    bool ShowsPage() const { return m_bShowPage; }
    void SetShowsPage(bool show);
    void SetMarkedPageCell(PageCellRef ref);

    QPoint m_ptLast;                    // where the current stroke last ended, client coordinates
    std::uint32_t m_crPen = 0xFFFFFF;   // 0x000000 after a left press, 0xFFFFFF after a right one

signals:
    // The pointer moved onto a cell of the page reading (-1, -1: onto none, or out of the pane).
    void PageCellHovered(int line, int cell);

protected:
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    QRect CellRect(int cell) const override;

private:
    void OnLButtonDown(QPoint point);
    void OnRButtonDown(QPoint point);
    void BeginStroke(QPoint point, std::uint32_t colour);
    void OnMouseMove(Qt::MouseButtons buttons, QPoint point);

    CGuiDocument* m_pDocument;
    // Strokes drawn on the screen while the pane shows plain white, in client coordinates,
    // and the part of the pane they damaged since the last paint: a paint of that part alone
    // shows them, any other paint shows white again.
    CRaster m_ScreenStrokes;
    QRegion m_StrokeDamage;
    bool m_bShowPage = true;
    PageCellRef m_PageMark;
    PageCellRef m_PageHover;
};
