#pragma once

#include "PageSummary.h"

#include <QWidget>

#include <memory>
#include <vector>

class CRecognizeDoc;
class QAction;
class QLabel;
class QPlainTextEdit;
class QToolButton;

// The "Page Text" pane: the text of the active document's last page reading, monospaced,
// read-only, selectable and unwrapped (it scrolls sideways), with "Copy Text" and "Save Text
// As..." beside it. A poor reading's text is not shown: a note says why and what Read Page
// reads. The character of a cell hovered in the picture is outlined; a click in the text
// names the cell shown there, so that the picture can scroll to it. It keeps its own copy
// of the page.
class CPageTextPane : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kNoPage = "No page read yet: \"Read Page\" in the Page menu reads the picture.";

    explicit CPageTextPane(QWidget* parent = nullptr);

    // Shows the page of doc (none: the hint); the same document and page revision change nothing.
    void SetSource(const CRecognizeDoc* doc);
    // The buttons trigger these actions and follow their enabling.
    void SetActions(QAction* copy, QAction* save);
    QPlainTextEdit* TextEdit() const { return m_pText; }
    // The text shown, as the user copies it.
    QString Text() const;
    // The note shown in place of a poor reading's text; empty for a good one.
    QString Note() const;
    // The width that shows the longest line of the text whole, with the buttons beside it.
    int WidthForLongestLine() const;
    const PageReading& Page() const { return *m_pPage; }
    // Outlines the character of a cell (an invalid one: none).
    void MarkCell(PageCellRef ref);
    PageCellRef MarkedCell() const { return m_Marked; }

signals:
    // The text cursor was put on the character of a cell, by a click or the keys.
    void CellChosen(int line, int cell);

private:
    void OnCursorMoved();

    QPlainTextEdit* m_pText;
    QLabel* m_pNote;
    QToolButton* m_pCopyButton;
    QToolButton* m_pSaveButton;
    const CRecognizeDoc* m_pSource = nullptr;
    unsigned m_nRevision = 0;
    bool m_bHasSource = false;
    bool m_bSettingText = false;
    std::shared_ptr<const PageReading> m_pPage = std::make_shared<const PageReading>();
    std::vector<int> m_Rows;  // text line of each page line
    PageCellRef m_Marked;
};
