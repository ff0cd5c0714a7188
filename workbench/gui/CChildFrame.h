#pragma once

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

    CGuiDocument* m_pDocument;
    QSplitter* m_Splitter = nullptr;
    CRecGraphicsView* m_pGraphicsView = nullptr;
    CRecResTextView* m_pResultView = nullptr;
    QScrollBar* m_pHorizontalBar = nullptr;
    bool m_bSplitterPending = true;   // while set, resizing leaves the splitter alone
    bool m_bSyncingBars = false;
    bool m_bClosePrompted = false;
    int m_nWindow = 0;                // 0 while the document has only this window
};
