#pragma once

#include "CCommandTable.h"
#include "PageSummary.h"

#include <QWidget>

class CGuiDocument;
class CRecGraphicsView;
class CRecResTextView;
class QScrollBar;
class QSplitter;

// A document window: the graphics pane above the result pane in a splitter, one horizontal
// scroll bar under both that scrolls them sideways together, a vertical bar in each pane.
class CChildFrame : public QWidget {
    Q_OBJECT
public:
    CChildFrame(CGuiDocument& document, QSize initialSize, QWidget* parent = nullptr);
    ~CChildFrame() override;

    // Row heights of the splitter: when the window is made, and after every resize.
    static int CreateRowHeight(int clientHeight) { return (clientHeight - 40) / 3; }
    static int ResizeRowHeight(int clientHeight) { return (clientHeight - 12) / 2; }
    static constexpr int kMinRowHeight = 10;

    CGuiDocument* Document() const { return m_pDocument; }
    CRecGraphicsView* GraphicsView() const { return m_pGraphicsView; }
    CRecResTextView* ResultView() const { return m_pResultView; }
    QSplitter* Splitter() const { return m_Splitter; }
    QScrollBar* SharedHorizontalBar() const { return m_pHorizontalBar; }

    // Runs the initial update of both panes once the window is in place.
    void InitialUpdateFrame();
    // The window title: the document's title, with ":n" when it has several windows.
    void SetWindowNumber(int number);
    void UpdateFrameTitle();
    // Closes the window; the last window of a modified document asks to save it first.
    bool CloseWindow();
    // Closes without asking to save (the document was asked already, or is being discarded).
    void CloseWithoutPrompt();

    // F6 and Shift+F6: the focus moves to the other pane.
    void OnNextPane();
    void OnPrevPane();

    // Zoom and cell grid of both panes, per window.
    int Zoom() const { return m_nZoom; }
    void SetZoom(int zoom);
    bool ShowsGrid() const { return m_bGrid; }
    void OnZoomIn();
    void OnZoomOut();
    void OnActualSize();
    void OnCellGrid();
    CommandState OnUpdateZoomIn() const;
    CommandState OnUpdateZoomOut() const;
    CommandState OnUpdateCellGrid() const;

    // Outlines position p in both panes (-1: none).
    void MarkCell(int p);
    int MarkedCell() const { return m_nMarkedCell; }
    // Scrolls both panes sideways so that position p is in sight, and marks it.
    void ShowCell(int p);
    // The position at the left edge of the panes, with the fraction of it scrolled past.
    double FirstVisibleCell() const;

    // "Page &Outlines": the lines and cells of the page reading over the picture, on by default.
    bool ShowsPageOutlines() const { return m_bPageOutlines; }
    void OnPageOutlines();
    CommandState OnUpdatePageOutlines() const;
    // Outlines a cell of the page reading (an invalid one: none).
    void MarkPageCell(PageCellRef ref);
    PageCellRef MarkedPageCell() const { return m_PageMark; }
    // Scrolls the graphics pane so that a cell of the page reading is in sight, and marks it.
    void ShowPageCell(PageCellRef ref);

signals:
    // The pointer is over a cell of the page reading (-1, -1: over none).
    void PageCellHovered(int line, int cell);
    // The pointer is over position p in one of the panes (-1: over none).
    void CellHovered(int p);
    // A pane has a note for the status bar.
    void StatusHint(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void OnCreateClient(QSize clientSize);
    void OnSize(QSize clientSize);
    void SetRowHeights(int rowHeight);
    void SyncSharedBar();
    void OnSharedBarMoved(int value);
    void OnPaneBarMoved(int value);
    void Detach();
    void ZoomAt(int zoom, QPoint anchor, const QWidget* pane);

    CGuiDocument* m_pDocument;
    QSplitter* m_Splitter = nullptr;
    CRecGraphicsView* m_pGraphicsView = nullptr;
    CRecResTextView* m_pResultView = nullptr;
    QScrollBar* m_pHorizontalBar = nullptr;
    bool m_bSplitterPending = true;   // while set, resizing leaves the splitter alone
    bool m_bSyncingBars = false;
    bool m_bClosePrompted = false;
    int m_nWindow = 0;                // 0 while the document has only this window
    int m_nZoom = 1;                  // 1..16, both panes
    bool m_bGrid = false;
    int m_nMarkedCell = -1;
    bool m_bPageOutlines = true;
    PageCellRef m_PageMark;
};
