#pragma once

#include "CCommandTable.h"

#include <QMainWindow>
#include <QPointer>

#include <map>
#include <vector>

class CChildFrame;
class CExperimentWnd;
class CGuiDocument;
class CPageTextPane;
class CRecognizeApp;
class CVariantsView;
class QDockWidget;
struct RecognitionTrace;
class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;

// The main window: the multi-document area, the menu bars with and without a document,
// the toolbar and the status bar, all driven by the command table.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(CRecognizeApp& app);
    ~CMainFrame() override;

    QMdiArea* MdiArea() const { return m_pMdiArea; }
    QToolBar* ToolBar() const { return m_ToolBar; }
    // The action of a command id, or nullptr.
    QAction* Action(int id) const;
    // The menus of the bar now shown, left to right.
    QList<QMenu*> CurrentMenus() const;
    QMenu* WindowMenu() const { return m_pWindowMenu; }
    QDockWidget* VariantsDock() const { return m_pVariantsDock; }
    CVariantsView* VariantsView() const { return m_pVariantsView; }
    QLabel* VariantsLegend() const { return m_pVariantsLegend; }
    QDockWidget* PageTextDock() const { return m_pPageTextDock; }
    CPageTextPane* PageTextPane() const { return m_pPageTextPane; }
    // The status-bar pane of the active document's mode: "Text", "Graphics" or nothing.
    QLabel* ModePane() const { return m_pModePane; }
    // Tells in the status bar what the last recognition found, until the next prompt.
    void ShowRecognitionSummary(const RecognitionTrace& trace);
    // Shows a document's note in the status bar, until the next prompt.
    void ShowStatusNote(const QString& note);
    // A document kept a page reading: the status bar tells what it found, the text pane shows it.
    void OnPageRead(const QString& summary);

    CChildFrame* ActiveChildFrame() const;
    CGuiDocument* ActiveDocument() const;
    CommandContext Context() const;
    // Adds a document window to the area and activates it.
    void AddChildFrame(CChildFrame* frame);

    // Runs every command's update rule on its action and refreshes the titles and the menu bar.
    void UpdateCommandUI();
    void UpdateTitle();

    // --- Commands -----------------------------------------------------------------
    void OnWindowNew();
    void OnWindowCascade();
    void OnWindowTile();
    void OnWindowArrange();
    void OnViewToolbar();
    void OnViewStatusBar();
    // "&Experiment...": shows the experiment window, made at its first use.
    void OnExperiment();
    CommandState OnUpdateViewToolbar() const;
    CommandState OnUpdateViewStatusBar() const;
    void OnViewVariants();
    CommandState OnUpdateViewVariants() const;
    // "Page Te&xt": shows or hides the page text pane.
    void OnViewPageText();
    CommandState OnUpdateViewPageText() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createToolBars();
    void createStatusBar();
    void createVariantsPane();
    // The Variants pane follows the active document and its last recognition.
    void UpdateVariantsPane();
    void createPageTextPane();
    // The page text pane follows the active document and its last page reading.
    void UpdatePageTextPane();
    // Widens the page text pane for its longest line, up to half the window; never narrows it.
    void FitPageTextPane();
    // The Variants pane shows a line of document's page reading, labelled as such.
    void ShowPageLine(CGuiDocument* document, int line);
    // The pointer is over a cell of a page reading in frame: its character is outlined in the
    // text and the Variants pane shows its line.
    void OnPageCellHovered(CChildFrame* frame, int line, int cell);
    void readSettings();
    void OnCommand(int id);
    void UpdateMenuBar();
    void UpdateRecentFileMenu();
    void UpdateWindowMenu();
    void OnStatusMessageChanged(const QString& message);

    CRecognizeApp& m_App;
    QMdiArea* m_pMdiArea;
    QToolBar* m_ToolBar = nullptr;
    std::map<int, QAction*> m_Actions;        // command id -> action
    QList<QMenu*> m_DocMenus;                 // the menu bar with a document open
    QList<QMenu*> m_NoDocMenus;               // the menu bar without a document
    QMenu* m_pWindowMenu = nullptr;
    std::vector<QAction*> m_RecentPlaceholders;  // "Recent File", shown while the list is empty
    std::vector<QAction*> m_WindowListActions;
    QAction* m_pWindowListSeparator = nullptr;
    bool m_bDocumentMenus = false;
    bool m_bMenusBuilt = false;
    QPointer<CExperimentWnd> m_pExperiment;
    QDockWidget* m_pVariantsDock = nullptr;
    CVariantsView* m_pVariantsView = nullptr;
    QLabel* m_pVariantsLegend = nullptr;
    QLabel* m_pModePane = nullptr;
    QDockWidget* m_pPageTextDock = nullptr;
    CPageTextPane* m_pPageTextPane = nullptr;
    int m_nVariantsPageLine = -1;          // the page line the Variants pane shows, if any
    unsigned m_nVariantsPageRevision = 0;  // ... of this reading of this document
    QPointer<CGuiDocument> m_pVariantsPageDocument;
};
