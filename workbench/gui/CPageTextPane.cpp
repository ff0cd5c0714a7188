#include "CPageTextPane.h"

#include "CRecognizeDoc.h"
#include "TextCodec.h"

#include <QAction>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollBar>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QToolButton>
#include <QVBoxLayout>

CPageTextPane::CPageTextPane(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* column = new QVBoxLayout;
    m_pNote = new QLabel(this);
    m_pNote->setWordWrap(true);
    m_pNote->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pNote->setFrameShape(QFrame::StyledPanel);
    m_pNote->setMargin(6);
    m_pNote->hide();
    column->addWidget(m_pNote);
    m_pText = new QPlainTextEdit(this);
    m_pText->setReadOnly(true);
    m_pText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_pText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_pText->setPlaceholderText(QString::fromUtf8(kNoPage));
    column->addWidget(m_pText, 1);
    layout->addLayout(column, 1);
    auto* buttons = new QVBoxLayout;
    m_pCopyButton = new QToolButton(this);
    m_pSaveButton = new QToolButton(this);
    for (QToolButton* button : {m_pCopyButton, m_pSaveButton}) {
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(m_pText, &QPlainTextEdit::cursorPositionChanged, this, &CPageTextPane::OnCursorMoved);
}

void CPageTextPane::SetActions(QAction* copy, QAction* save)
{
    // A button shows its action's icon text, which Qt makes without the "..." of a command
    // that asks for more; the buttons keep the menu's words.
    for (QAction* action : {copy, save})
        action->setIconText(QString(action->text()).remove(QLatin1Char('&')));
    m_pCopyButton->setDefaultAction(copy);
    m_pSaveButton->setDefaultAction(save);
}

void CPageTextPane::SetSource(const CRecognizeDoc* doc)
{
    const unsigned revision = doc ? doc->PageRevision() : 0;
    if (m_bHasSource && doc == m_pSource && revision == m_nRevision)
        return;
    m_bHasSource = true;
    m_pSource = doc;
    m_nRevision = revision;
    m_pPage = doc ? doc->SharedPage() : std::make_shared<const PageReading>();
    m_Rows = PageTextRows(*m_pPage);
    m_Marked = {};
    m_bSettingText = true;
    // A poor reading's text is garbage: the note tells why it is missing. A reading as
    // proportional text has no cells: its text is shown as it is.
    const bool poor = doc && doc->HasPage() && !doc->HasPageText();
    m_pNote->setText(poor ? QString::fromStdString(PoorReadingAdvice(*m_pPage)) : QString());
    m_pNote->setVisible(poor);
    m_pText->setPlainText(poor || !doc ? QString() : QString::fromStdString(doc->PageText()));
    m_pText->setExtraSelections({});
    m_bSettingText = false;
}

QString CPageTextPane::Text() const
{
    return m_pText->toPlainText();
}

QString CPageTextPane::Note() const
{
    return m_pNote->isHidden() ? QString() : m_pNote->text();
}

int CPageTextPane::WidthForLongestLine() const
{
    const QFontMetrics metrics(m_pText->font());
    int longest = 0;
    for (const QString& line : Text().split(QLatin1Char('\n')))
        longest = std::max(longest, metrics.horizontalAdvance(line));
    // The text's frame, margins and vertical scroll bar, the buttons and the pane's margins.
    const int frame = 2 * m_pText->frameWidth() + 2 * static_cast<int>(m_pText->document()->documentMargin()) +
                      m_pText->verticalScrollBar()->sizeHint().width();
    const int buttons = std::max(m_pCopyButton->sizeHint().width(), m_pSaveButton->sizeHint().width());
    const QMargins margins = layout()->contentsMargins();
    return longest + frame + buttons + layout()->spacing() + margins.left() + margins.right() + 8;
}

void CPageTextPane::MarkCell(PageCellRef ref)
{
    if (ref == m_Marked)
        return;
    m_Marked = ref;
    const PageTextPlace place = PageTextPlaceOf(*m_pPage, m_Rows, ref);
    QList<QTextEdit::ExtraSelection> selections;
    // A cell left of the page's first column (a blank one) has no character in the text.
    const QTextBlock block = place.row >= 0 && place.column >= 0 ? m_pText->document()->findBlockByNumber(place.row)
                                                                 : QTextBlock();
    if (block.isValid()) {
        QTextEdit::ExtraSelection selection;
        selection.cursor = QTextCursor(block);
        // A trimmed blank at the end of its line has no character: the line's end stands for it.
        const int column = std::min(place.column, block.length() - 1);
        selection.cursor.setPosition(block.position() + column);
        if (column < block.length() - 1)
            selection.cursor.setPosition(block.position() + column + 1, QTextCursor::KeepAnchor);
        selection.format.setBackground(QColor(255, 200, 120));
        selection.format.setProperty(QTextFormat::OutlinePen, QPen(QColor(220, 0, 0)));
        selections.append(selection);
    }
    m_pText->setExtraSelections(selections);
}

void CPageTextPane::OnCursorMoved()
{
    if (m_bSettingText)
        return;
    const QTextCursor cursor = m_pText->textCursor();
    const PageCellRef ref = PageCellAtText(*m_pPage, m_Rows, cursor.blockNumber(), cursor.positionInBlock());
    if (ref.Valid())
        emit CellChosen(ref.line, ref.cell);
}
