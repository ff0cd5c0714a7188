#include "CMainFrame.h"

#include "AppIcon.h"
#include "CChildFrame.h"
#include "CExperimentWnd.h"
#include "CGuiDocument.h"
#include "CPageReadJob.h"
#include "CPageTextPane.h"
#include "CRecognizeApp.h"
#include "MdiPlacement.h"
#include "CRecognizeDoc.h"
#include "CVariantsView.h"

#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

QString BeforeNewline(const char* prompt)
{
    return QString::fromUtf8(prompt).section(QLatin1Char('\n'), 0, 0);
}

QString AfterNewline(const char* prompt)
{
    const QString text = QString::fromUtf8(prompt);
    const qsizetype newline = text.indexOf(QLatin1Char('\n'));
    return newline < 0 ? QString() : text.mid(newline + 1);
}

// The standard icon a toolbar button falls back on when the desktop theme has none.
QStyle::StandardPixmap FallbackIcon(int id)
{
    switch (id) {
    case CommandId::kFileNew: return QStyle::SP_FileIcon;
    case CommandId::kFileOpen: return QStyle::SP_DialogOpenButton;
    case CommandId::kFileSave: return QStyle::SP_DialogSaveButton;
    case CommandId::kEditCut: return QStyle::SP_DialogDiscardButton;
    case CommandId::kEditCopy: return QStyle::SP_FileLinkIcon;
    case CommandId::kEditPaste: return QStyle::SP_DialogApplyButton;
    case CommandId::kFilePrint: return QStyle::SP_DriveFDIcon;
    default: return QStyle::SP_MessageBoxInformation;
    }
}

}  // namespace

CMainFrame::CMainFrame(CRecognizeApp& app) : m_App(app)
{
    setWindowIcon(RecognizeIcon());
    m_pMdiArea = new QMdiArea(this);
    m_pMdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_pMdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_pMdiArea);
    connect(m_pMdiArea, &QMdiArea::subWindowActivated, this, &CMainFrame::UpdateCommandUI);

    createActions();
    createMenus();
    createToolBars();
    createStatusBar();
    createVariantsPane();
    createPageTextPane();
    readSettings();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize available = screen->availableGeometry().size();
        resize(available.width() * 3 / 4, available.height() * 3 / 4);
    }
    UpdateCommandUI();
}

CMainFrame::~CMainFrame()
{
    // The document windows go while this window is still whole: activation signals stop first.
    m_pMdiArea->disconnect(this);
    m_pVariantsDock->disconnect(this);
    m_pPageTextDock->disconnect(this);
    delete m_pMdiArea;
}

void CMainFrame::createActions()
{
    for (const CommandInfo& command : CommandTable()) {
        auto* action = new QAction(QString::fromUtf8(command.pszText), this);
        action->setStatusTip(BeforeNewline(command.pszPrompt));
        const QString tooltip = AfterNewline(command.pszPrompt);
        if (!tooltip.isEmpty())
            action->setToolTip(tooltip);
        QList<QKeySequence> keys;
        for (const QString& key : QString::fromUtf8(command.pszKeys).split(QStringLiteral("; "), Qt::SkipEmptyParts))
            keys.append(QKeySequence(key, QKeySequence::PortableText));
        action->setShortcuts(keys);
        action->setCheckable(command.Has(CommandFlag::kCheckable));
        if (command.pszIcon) {
            action->setIcon(WithDisabledLook(QIcon::fromTheme(QString::fromUtf8(command.pszIcon),
                                                              style()->standardIcon(FallbackIcon(command.nId)))));
        }
        action->setData(command.nId);
        const int id = command.nId;
        connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        // Keys work whichever menu bar is shown, and for the commands with keys only.
        addAction(action);
        m_Actions.emplace(id, action);
    }
}

void CMainFrame::createMenus()
{
    for (bool withDocument : {true, false}) {
        QList<QMenu*>& menus = withDocument ? m_DocMenus : m_NoDocMenus;
        QMenu* menu = nullptr;
        QMenu* submenu = nullptr;
        for (const CommandInfo& command : CommandTable()) {
            if (!command.pszMenu || (!withDocument && !command.Has(CommandFlag::kWithoutDocument)))
                continue;
            const QString title = QString::fromUtf8(command.pszMenu);
            if (!menu || menu->title() != title) {
                menu = new QMenu(title, this);
                connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
                menus.append(menu);
                submenu = nullptr;
            }
            QMenu* target = menu;
            if (command.pszSubmenu) {
                if (!submenu)
                    submenu = menu->addMenu(QString::fromUtf8(command.pszSubmenu));
                target = submenu;
            }
            if (command.nId == CommandId::kFileMru1) {
                auto* placeholder = new QAction(QStringLiteral("Recent File"), this);
                placeholder->setEnabled(false);
                target->addAction(placeholder);
                m_RecentPlaceholders.push_back(placeholder);
            }
            target->addAction(m_Actions.at(command.nId));
            const bool separator = withDocument ? command.Has(CommandFlag::kSeparatorAfter)
                                                : command.Has(CommandFlag::kSeparatorAfterWithoutDocument);
            if (separator)
                target->addSeparator();
            if (withDocument && command.nId == CommandId::kWindowArrange)
                m_pWindowMenu = menu;
        }
    }
    if (m_pWindowMenu) {
        m_pWindowListSeparator = m_pWindowMenu->addSeparator();
        connect(m_pWindowMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateWindowMenu);
    }
}

void CMainFrame::createToolBars()
{
    m_ToolBar = addToolBar(QStringLiteral("Toolbar"));
    m_ToolBar->setObjectName(QStringLiteral("ToolBar"));
    m_ToolBar->setIconSize(QSize(16, 16));
    m_ToolBar->setMovable(true);
    m_ToolBar->setFloatable(true);
    m_ToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    // 0 marks a gap between groups of buttons.
    for (int id : {CommandId::kFileNew, CommandId::kFileOpen, CommandId::kFileSave, 0, CommandId::kEditCut,
                   CommandId::kEditCopy, CommandId::kEditPaste, 0, CommandId::kFilePrint, CommandId::kAppAbout}) {
        if (id == 0)
            m_ToolBar->addSeparator();
        else
            m_ToolBar->addAction(m_Actions.at(id));
    }
}

void CMainFrame::createStatusBar()
{
    QStatusBar* bar = statusBar();
    m_pModePane = new QLabel(bar);
    m_pModePane->setFrameShape(QFrame::Panel);
    m_pModePane->setFrameShadow(QFrame::Sunken);
    m_pModePane->setMinimumWidth(m_pModePane->fontMetrics().horizontalAdvance(QStringLiteral("Graphics")) + 8);
    m_pModePane->setAlignment(Qt::AlignCenter);
    bar->addPermanentWidget(m_pModePane);
    // Lock-key states cannot be read portably; the indicators stand greyed like keys that are off.
    for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
        auto* label = new QLabel(QString::fromLatin1(indicator), bar);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setEnabled(false);
        bar->addPermanentWidget(label);
    }
    connect(bar, &QStatusBar::messageChanged, this, &CMainFrame::OnStatusMessageChanged);
    bar->showMessage(QStringLiteral("Ready"));
}

void CMainFrame::createVariantsPane()
{
    m_pVariantsDock = new QDockWidget(QStringLiteral("Variants"), this);
    m_pVariantsDock->setObjectName(QStringLiteral("VariantsPane"));
    // The pane with a legend of its marks under it.
    auto* pane = new QWidget(m_pVariantsDock);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_pVariantsView = new CVariantsView(pane);
    m_pVariantsLegend = new QLabel(CVariantsView::LegendText(), pane);
    m_pVariantsLegend->setTextFormat(Qt::RichText);
    m_pVariantsLegend->setWordWrap(true);
    layout->addWidget(m_pVariantsView, 1);
    layout->addWidget(m_pVariantsLegend);
    m_pVariantsDock->setWidget(pane);
    addDockWidget(Qt::BottomDockWidgetArea, m_pVariantsDock);
    m_pVariantsDock->hide();
    connect(m_pVariantsDock, &QDockWidget::visibilityChanged, this, [this] { UpdateVariantsPane(); });
    connect(m_pVariantsView, &CVariantsView::ColumnClicked, this, [this](int p) {
        if (CChildFrame* frame = ActiveChildFrame())
            frame->ShowCell(p);
    });
}

void CMainFrame::createPageTextPane()
{
    m_pPageTextDock = new QDockWidget(QStringLiteral("Page Text"), this);
    m_pPageTextDock->setObjectName(QStringLiteral("PageTextPane"));
    m_pPageTextPane = new CPageTextPane(m_pPageTextDock);
    m_pPageTextPane->SetActions(m_Actions.at(CommandId::kCopyPageText), m_Actions.at(CommandId::kSavePageText));
    m_pPageTextDock->setWidget(m_pPageTextPane);
    addDockWidget(Qt::RightDockWidgetArea, m_pPageTextDock);
    m_pPageTextDock->hide();
    connect(m_pPageTextDock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        UpdatePageTextPane();
        if (visible)
            FitPageTextPane();
    });
    connect(m_pPageTextPane, &CPageTextPane::CellChosen, this, [this](int line, int cell) {
        if (CChildFrame* frame = ActiveChildFrame())
            frame->ShowPageCell({line, cell});
    });
}

void CMainFrame::UpdatePageTextPane()
{
    if (m_pPageTextDock && !m_pPageTextDock->isHidden())
        m_pPageTextPane->SetSource(ActiveDocument() ? &ActiveDocument()->Doc() : nullptr);
}

void CMainFrame::OnPageCellHovered(CChildFrame* frame, int line, int cell)
{
    CGuiDocument* document = frame->Document();
    if (!document || document != ActiveDocument())
        return;
    UpdatePageTextPane();
    m_pPageTextPane->MarkCell({line, cell});
    if (line < 0 || m_pVariantsDock->isHidden())
        return;
    ShowPageLine(document, line);
    m_pVariantsView->SelectColumn(cell);
}

void CMainFrame::ShowPageLine(CGuiDocument* document, int line)
{
    // The line's cells replace the columns of the last recognition until that or the reading changes.
    const CRecognizeDoc& doc = document->Doc();
    if (m_pVariantsPageDocument == document && m_nVariantsPageLine == line &&
        m_nVariantsPageRevision == doc.PageRevision() && m_pVariantsView->Trace().kind == RecognitionTrace::Kind::Page)
        return;
    m_pVariantsView->ShowTrace(&doc, PageLineTrace(doc.Page(), line));
    m_pVariantsPageDocument = document;
    m_nVariantsPageLine = line;
    m_nVariantsPageRevision = doc.PageRevision();
}

void CMainFrame::FitPageTextPane()
{
    const int wanted = std::min(m_pPageTextPane->WidthForLongestLine(), width() / 2);
    if (m_pPageTextDock->isVisible() && !m_pPageTextDock->isFloating() && m_pPageTextDock->width() < wanted)
        resizeDocks({m_pPageTextDock}, {wanted}, Qt::Horizontal);
}

void CMainFrame::OnViewPageText()
{
    m_pPageTextDock->setVisible(m_pPageTextDock->isHidden());
    UpdatePageTextPane();
}

CommandState CMainFrame::OnUpdateViewPageText() const
{
    return {true, !m_pPageTextDock->isHidden()};
}

void CMainFrame::UpdateVariantsPane()
{
    if (!m_pVariantsDock || m_pVariantsDock->isHidden())
        return;
    CGuiDocument* document = ActiveDocument();
    const CRecognizeDoc* doc = document ? &document->Doc() : nullptr;
    // A page line leaves with its reading, or when another document becomes active.
    if (m_nVariantsPageLine >= 0 &&
        (document != m_pVariantsPageDocument || !doc || doc->PageRevision() != m_nVariantsPageRevision)) {
        m_nVariantsPageLine = -1;
        m_pVariantsPageDocument = nullptr;
        m_pVariantsView->ShowTrace(doc, doc ? doc->Trace() : RecognitionTrace());
        return;
    }
    m_pVariantsView->SetSource(doc);
}

void CMainFrame::ShowRecognitionSummary(const RecognitionTrace& trace)
{
    if (!trace.Empty())
        statusBar()->showMessage(QString::fromStdString(trace.Summary()));
}

void CMainFrame::ShowStatusNote(const QString& note)
{
    statusBar()->showMessage(note);
}

void CMainFrame::OnPageRead(const QString& summary)
{
    statusBar()->showMessage(summary);
    CGuiDocument* document = ActiveDocument();
    if (!document || !document->Doc().HasPage())
        return;
    // The text pane opens with the first page read, and shows its text or why it has none.
    if (m_pPageTextDock->isHidden())
        m_pPageTextDock->show();
    UpdatePageTextPane();
    FitPageTextPane();
    // The Variants pane shows the page's first line until a cell is pointed at.
    if (!m_pVariantsDock->isHidden() && !document->Doc().Page().Empty())
        ShowPageLine(document, 0);
}

void CMainFrame::OnViewVariants()
{
    m_pVariantsDock->setVisible(m_pVariantsDock->isHidden());
    // The pane opens tall enough for its header and a few rows of variants.
    if (!m_pVariantsDock->isHidden())
        resizeDocks({m_pVariantsDock},
                    {m_pVariantsView->sizeHint().height() + m_pVariantsLegend->sizeHint().height() + 24}, Qt::Vertical);
    UpdateVariantsPane();
}

CommandState CMainFrame::OnUpdateViewVariants() const
{
    return {true, !m_pVariantsDock->isHidden()};
}

void CMainFrame::readSettings()
{
    m_App.RecentFiles().ReadList();
}

void CMainFrame::OnStatusMessageChanged(const QString& message)
{
    if (message.isEmpty())
        statusBar()->showMessage(QStringLiteral("Ready"));
}

QAction* CMainFrame::Action(int id) const
{
    const auto found = m_Actions.find(id);
    return found == m_Actions.end() ? nullptr : found->second;
}

QList<QMenu*> CMainFrame::CurrentMenus() const
{
    return m_bDocumentMenus ? m_DocMenus : m_NoDocMenus;
}

CChildFrame* CMainFrame::ActiveChildFrame() const
{
    QMdiSubWindow* window = m_pMdiArea->currentSubWindow();
    if (!window)
        window = m_pMdiArea->activeSubWindow();
    auto* frame = window ? qobject_cast<CChildFrame*>(window->widget()) : nullptr;
    return frame && frame->Document() ? frame : nullptr;
}

CGuiDocument* CMainFrame::ActiveDocument() const
{
    const CChildFrame* frame = ActiveChildFrame();
    return frame ? frame->Document() : nullptr;
}

CommandContext CMainFrame::Context() const
{
    CommandContext context;
    context.pApp = &m_App;
    context.pMainFrame = const_cast<CMainFrame*>(this);
    context.pChildFrame = ActiveChildFrame();
    context.pDocument = context.pChildFrame ? context.pChildFrame->Document() : nullptr;
    return context;
}

void CMainFrame::AddChildFrame(CChildFrame* frame)
{
    QMdiSubWindow* window = m_pMdiArea->addSubWindow(frame);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowIcon(windowIcon());
    // Qt writes its own title on the main window when a document window is maximised or
    // restored, and clears the modified mark when a maximised one goes; ours follow once it
    // is done.
    connect(window, &QMdiSubWindow::windowStateChanged, this, &CMainFrame::UpdateTitle, Qt::QueuedConnection);
    connect(window, &QObject::destroyed, this, &CMainFrame::UpdateTitle, Qt::QueuedConnection);
    // Wholly inside the area, cascading from its top-left corner.
    const auto others = static_cast<int>(m_pMdiArea->subWindowList().size()) - 1;
    window->setGeometry(NewWindowGeometry(m_pMdiArea->viewport()->size(), frame->size(),
                                          others, CascadeStep(*m_pMdiArea)));
    // Hovering a cell selects its column when the Variants pane shows that document; the
    // pane scrolls with the active window.
    connect(frame, &CChildFrame::CellHovered, this, [this, frame](int p) {
        if (p >= 0 && frame->Document() && frame->Document() == ActiveDocument())
            m_pVariantsView->SelectColumn(p);
    });
    connect(frame, &CChildFrame::PageCellHovered, this,
            [this, frame](int line, int cell) { OnPageCellHovered(frame, line, cell); });
    connect(frame->SharedHorizontalBar(), &QScrollBar::valueChanged, this, [this, frame] {
        if (frame == ActiveChildFrame())
            m_pVariantsView->FollowCell(frame->FirstVisibleCell());
    });
    connect(frame, &CChildFrame::StatusHint, this, [this](const QString& text) { statusBar()->showMessage(text); });
    // A document with several windows is connected once.
    if (CGuiDocument* document = frame->Document()) {
        connect(document, &CGuiDocument::Changed, this, &CMainFrame::UpdateCommandUI, Qt::UniqueConnection);
        connect(document, &CGuiDocument::Recognized, this, &CMainFrame::ShowRecognitionSummary, Qt::UniqueConnection);
        connect(document, &CGuiDocument::StatusNote, this, &CMainFrame::ShowStatusNote, Qt::UniqueConnection);
        connect(document, &CGuiDocument::PageRead, this, &CMainFrame::OnPageRead, Qt::UniqueConnection);
    }
    frame->UpdateFrameTitle();
    window->show();
    m_pMdiArea->setActiveSubWindow(window);
}

void CMainFrame::OnCommand(int id)
{
    if (const CommandInfo* command = FindCommand(id))
        RunCommand(*command, Context());
    UpdateCommandUI();
}

void CMainFrame::UpdateCommandUI()
{
    const CommandContext context = Context();
    for (const CommandInfo& command : CommandTable()) {
        QAction* action = m_Actions.at(command.nId);
        const CommandState state = QueryCommandState(command, context);
        action->setEnabled(state.bEnabled);
        if (action->isCheckable())
            action->setChecked(state.bChecked);
    }
    UpdateRecentFileMenu();
    UpdateMenuBar();
    UpdateTitle();
    const CGuiDocument* document = context.pDocument;
    m_pModePane->setText(!document                          ? QString()
                         : document->Doc().m_bEditText      ? QStringLiteral("Text")
                         : document->Doc().m_bEditGraphics  ? QStringLiteral("Graphics")
                                                            : QString());
    UpdateVariantsPane();
    UpdatePageTextPane();
}

void CMainFrame::UpdateMenuBar()
{
    const bool withDocument = ActiveDocument() != nullptr;
    if (m_bMenusBuilt && withDocument == m_bDocumentMenus)
        return;
    m_bMenusBuilt = true;
    m_bDocumentMenus = withDocument;
    QMenuBar* bar = menuBar();
    bar->clear();
    for (QMenu* menu : CurrentMenus())
        bar->addMenu(menu);
}

void CMainFrame::UpdateRecentFileMenu()
{
    const CRecentFileList& files = m_App.RecentFiles();
    for (int i = 0; i < CommandId::kRecentFileCount; ++i) {
        QAction* action = m_Actions.at(CommandId::kFileMru1 + i);
        action->setVisible(i < files.Count());
        if (i < files.Count())
            action->setText(files.MenuText(i));
    }
    for (QAction* placeholder : m_RecentPlaceholders)
        placeholder->setVisible(files.Count() == 0);
}

void CMainFrame::UpdateWindowMenu()
{
    for (QAction* action : m_WindowListActions)
        delete action;
    m_WindowListActions.clear();
    const QList<QMdiSubWindow*> windows = m_pMdiArea->subWindowList();
    m_pWindowListSeparator->setVisible(!windows.isEmpty());
    QMdiSubWindow* active = m_pMdiArea->currentSubWindow();
    for (qsizetype i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* window = windows.at(i);
        QString title = window->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        // Access keys 1 to 9; a tenth window would share the key of the first.
        auto* action = m_pWindowMenu->addAction(QString::fromLatin1(i < 9 ? "&%1 %2" : "%1 %2").arg(i + 1).arg(title));
        action->setCheckable(true);
        action->setChecked(window == active);
        action->setStatusTip(QStringLiteral("Activate this window"));
        connect(action, &QAction::triggered, this, [this, window] { m_pMdiArea->setActiveSubWindow(window); });
        m_WindowListActions.push_back(action);
    }
}

void CMainFrame::UpdateTitle()
{
    QString title = QString::fromUtf8(CRecognizeApp::kMainTitle);
    const CGuiDocument* document = ActiveDocument();
    if (document) {
        const QMdiSubWindow* window = m_pMdiArea->currentSubWindow();
        if (window && window->isMaximized())
            title += QStringLiteral(" - [%1]").arg(window->windowTitle());
        else
            title += QStringLiteral(" - %1").arg(document->Title());
        title += QStringLiteral("[*]");
    }
    setWindowTitle(title);
    setWindowModified(document && document->IsModified());
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!m_App.SaveAllModified()) {
        event->ignore();
        return;
    }
    m_App.CloseAllDocuments();
    event->accept();
}

void CMainFrame::OnWindowNew()
{
    if (CGuiDocument* document = ActiveDocument())
        m_App.CreateFrame(*document);
}

void CMainFrame::OnExperiment()
{
    if (m_pExperiment == nullptr)
        m_pExperiment = new CExperimentWnd(m_App, this);
    m_pExperiment->show();
    m_pExperiment->raise();
    m_pExperiment->activateWindow();
}

void CMainFrame::OnWindowCascade()
{
    CascadeWindows(*m_pMdiArea);
}

void CMainFrame::OnWindowTile()
{
    m_pMdiArea->tileSubWindows();
}

void CMainFrame::OnWindowArrange()
{
    // Minimised windows in a row along the bottom of the area, left to right.
    int x = 0;
    const int bottom = m_pMdiArea->viewport()->height();
    for (QMdiSubWindow* window : m_pMdiArea->subWindowList()) {
        if (!window->isMinimized())
            continue;
        window->move(x, bottom - window->height());
        x += window->width();
    }
}

void CMainFrame::OnViewToolbar()
{
    m_ToolBar->setVisible(m_ToolBar->isHidden());
}

void CMainFrame::OnViewStatusBar()
{
    statusBar()->setVisible(statusBar()->isHidden());
}

CommandState CMainFrame::OnUpdateViewToolbar() const
{
    return {true, !m_ToolBar->isHidden()};
}

CommandState CMainFrame::OnUpdateViewStatusBar() const
{
    return {true, !statusBar()->isHidden()};
}
