#include "CGlyphmillDlg.h"

#include "AppIcon.h"
#include "CAboutDlg.h"
#include "CGlyphPreview.h"
#include "CGlyphSheetDlg.h"
#include "CInclusionsDlg.h"
#include "COptionsDlg.h"
#include "CSaveGlfDlg.h"
#include "ConfusableGlyphs.h"
#include "DialogMessages.h"
#include "FontNames.h"
#include "GlyphRendering.h"

#include <QAction>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <cmath>

namespace {

// The area in which the preview is centred; it holds the largest cell window, 150 x 150.
constexpr QSize kPreviewFrameSize(161, 164);

QString AskSaveFileName(QWidget* parent, const QString& folder, const QString& name)
{
    QFileDialog dialog(parent, QStringLiteral("Save As"), folder, QStringLiteral("Char Images Files (*.GLF)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("GLF"));
    dialog.selectFile(name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

bool AskFont(QWidget* parent, const QFont& initial, QFont& chosen)
{
    // Qt's own dialog, whose choices can be followed: a family typed or clicked comes in its
    // regular style, where Qt would keep a style of the family passed on the way, often an
    // oblique one. A style chosen within the family stays as chosen.
    QFontDialog dialog(initial, parent);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    QString family = initial.family();
    QObject::connect(&dialog, &QFontDialog::currentFontChanged, &dialog, [&dialog, &family](const QFont& font) {
        if (font.family() == family)
            return;
        family = font.family();
        const QString regular = RegularStyle(family);
        if (!regular.isEmpty() && regular != font.styleName())
            dialog.setCurrentFont(QFontDatabase::font(family, regular, font.pointSize()));
    });
    if (dialog.exec() != QDialog::Accepted)
        return false;
    chosen = dialog.selectedFont();
    return true;
}

// What the main dialog says of the font: its family, size and weight, and the family that
// draws it when that is another.
QString FontLabelText(const FontDescription& description, const QFont& font)
{
    const QString family = QString::fromStdString(description.m_strFamily);
    QString text = QStringLiteral("%1, %2 px").arg(family).arg(description.PixelSize(), 0, 'g', 4);
    if (!description.m_strStyleName.empty())
        text += QStringLiteral(", ") + QString::fromStdString(description.m_strStyleName);
    else if (description.m_nWeight >= 600 || description.m_bItalic)
        text += description.m_nWeight >= 600 && description.m_bItalic ? QStringLiteral(", bold italic")
                : description.m_bItalic                              ? QStringLiteral(", italic")
                                                                      : QStringLiteral(", bold");
    const QString drawn = QFontInfo(font).family();
    if (drawn.compare(family, Qt::CaseInsensitive) != 0)
        text += QStringLiteral(" (drawn as %1)").arg(drawn);
    return text;
}

} // namespace

CGlyphmillDlg::CGlyphmillDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("GLF File Generation Program"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(GlyphmillIcon());

    m_pPreviewFrame = new QWidget(this);
    m_pPreviewFrame->setFixedSize(kPreviewFrameSize);
    m_pPreview = new CGlyphPreview(m_Settings, m_CurrentFont, m_pPreviewFrame);

    auto* codeLabel = new QLabel(QStringLiteral("Current Character is "), this);
    m_pCodeEdit = new QLineEdit(this);
    m_pCodeEdit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_pCodeEdit));
    m_pCodeEdit->setFixedWidth(48);
    m_pCodeEdit->installEventFilter(this);
    m_pSaveCharBox = new QCheckBox(QStringLiteral("Save this character in file"), this);
    m_pFontLabel = new QLabel(this);
    m_pFontLabel->setWordWrap(true);
    m_pFontLabel->setMaximumWidth(kPreviewFrameSize.width() + 60);

    m_pPreviousButton = new QPushButton(QStringLiteral("Previouse"), this);
    m_pNextButton = new QPushButton(QStringLiteral("Next"), this);
    m_pSelectFontButton = new QPushButton(QStringLiteral("Select Font"), this);
    m_pSaveButton = new QPushButton(QStringLiteral("Save as GLF"), this);
    m_pOptionsButton = new QPushButton(QStringLiteral("Options"), this);
    m_pInclusionsButton = new QPushButton(QStringLiteral("Inclusions"), this);
    m_pCloseButton = new QPushButton(QStringLiteral("Close"), this);
    for (QPushButton* button : {m_pPreviousButton, m_pSelectFontButton, m_pSaveButton, m_pOptionsButton,
                                m_pInclusionsButton, m_pCloseButton}) {
        button->setAutoDefault(false);
        button->setMinimumWidth(96);
    }
    m_pNextButton->setDefault(true);

    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(codeLabel);
    codeRow->addWidget(m_pCodeEdit);
    codeRow->addStretch(1);
    auto* left = new QVBoxLayout;
    left->addWidget(m_pPreviewFrame);
    left->addLayout(codeRow);
    left->addWidget(m_pSaveCharBox);
    left->addWidget(m_pFontLabel);
    left->addStretch(1);

    auto* right = new QVBoxLayout;
    for (QPushButton* button : {m_pPreviousButton, m_pNextButton, m_pSelectFontButton, m_pSaveButton,
                                m_pOptionsButton, m_pInclusionsButton})
        right->addWidget(button);
    // The glyph sheet has a button of its own below the dialog's own ones.
    auto* sheetButton = new QPushButton(QStringLiteral("Glyph Sheet..."), this);
    sheetButton->setAutoDefault(false);
    sheetButton->setMinimumWidth(96);
    right->addWidget(sheetButton);
    right->addStretch(1);
    right->addWidget(m_pCloseButton);

    auto* root = new QHBoxLayout(this);
    root->addLayout(left);
    root->addSpacing(6);
    root->addLayout(right);
    root->setSizeConstraint(QLayout::SetFixedSize);

    // The window manager's menu cannot take items; the About item is on the context menu and F1.
    auto* aboutAction = new QAction(QStringLiteral("&About Glyphmill..."), this);
    aboutAction->setShortcut(Qt::Key_F1);
    addAction(aboutAction);
    connect(aboutAction, &QAction::triggered, this, &CGlyphmillDlg::OnAbout);
    auto* sheetAction = new QAction(QStringLiteral("Glyph &Sheet..."), this);
    addAction(sheetAction);
    connect(sheetAction, &QAction::triggered, this, &CGlyphmillDlg::OnGlyphSheet);

    connect(m_pPreviousButton, &QPushButton::clicked, this, &CGlyphmillDlg::OnPrevious);
    connect(m_pNextButton, &QPushButton::clicked, this, &CGlyphmillDlg::OnNext);
    connect(m_pSelectFontButton, &QPushButton::clicked, this, &CGlyphmillDlg::OnSelectFont);
    connect(m_pSaveButton, &QPushButton::clicked, this, &CGlyphmillDlg::OnSaveAsGlf);
    connect(m_pOptionsButton, &QPushButton::clicked, this, &CGlyphmillDlg::OnOptions);
    connect(m_pInclusionsButton, &QPushButton::clicked, this, &CGlyphmillDlg::OnInclusions);
    connect(m_pCloseButton, &QPushButton::clicked, this, &CGlyphmillDlg::OnClose);
    connect(sheetButton, &QPushButton::clicked, this, &CGlyphmillDlg::OnGlyphSheet);
    connect(m_pSaveCharBox, &QCheckBox::clicked, this, &CGlyphmillDlg::OnSaveCharClicked);

    m_fnSaveFileName = [this](const QString& folder, const QString& name) { return AskSaveFileName(this, folder, name); };
    m_fnChooseFont = [this](const QFont& initial, QFont& chosen) { return AskFont(this, initial, chosen); };

    m_CurrentFont = MakeFont(m_Settings.m_Font);
    m_Settings.LoadSaveFlag();
    LayOutPreview();
    WriteControls();
    ShowFont();
}

void CGlyphmillDlg::ShowFont()
{
    m_pFontLabel->setText(FontLabelText(m_Settings.m_Font, m_CurrentFont));
}

void CGlyphmillDlg::SetCurrentFont(const FontDescription& description)
{
    m_Settings.m_Font = description;
    m_Settings.m_strFaceName = description.m_strFamily;
    m_CurrentFont = MakeFont(description);
    ShowFont();
    update();
    m_pPreview->update();
}

QString CGlyphmillDlg::DefaultFileName() const
{
    return QString::fromStdString(m_Settings.m_strFaceName) + QStringLiteral(".GLF");
}

QString CGlyphmillDlg::DefaultFolder() const
{
    const QDir current = QDir::current();
    const QString fonts = current.absoluteFilePath(QStringLiteral("Fonts"));
    return QFileInfo(fonts).isDir() ? fonts : current.absolutePath();
}

void CGlyphmillDlg::WriteControls()
{
    m_pCodeEdit->setText(QString::number(m_Settings.m_nCurrentCode));
    m_pSaveCharBox->setChecked(m_Settings.m_bSaveChar != 0);
}

bool CGlyphmillDlg::ReadControls()
{
    long long code = 0;
    if (!ParseDialogInteger(m_pCodeEdit->text(), code) || code < 0 || code > 255) {
        ShowValidationMessage(this, IntegerRangeMessage(0, 255));
        return false;
    }
    m_Settings.m_nCurrentCode = static_cast<std::uint8_t>(code);
    m_Settings.m_bSaveChar = m_pSaveCharBox->isChecked() ? 1 : 0;
    return true;
}

void CGlyphmillDlg::LayOutPreview()
{
    const QRect frame = m_pPreviewFrame->rect();
    const QMargins border = m_pPreview->contentsMargins();
    const int fullWidth = std::max(0, m_Settings.m_nWidth) + border.left() + border.right();
    const int fullHeight = std::max(0, m_Settings.m_nHeight) + border.top() + border.bottom();
    const int left = frame.left() + (frame.width() - fullWidth + 1) / 2;
    const int top = frame.top() + (frame.height() - fullHeight + 1) / 2;
    m_pPreview->setGeometry(left, top, fullWidth, fullHeight);
    m_pPreview->update();
}

void CGlyphmillDlg::RefreshNavigation()
{
    m_pPreviousButton->setEnabled(m_Settings.m_nCurrentCode != m_Settings.m_nFirstCode);
    m_pNextButton->setEnabled(m_Settings.m_nCurrentCode != m_Settings.m_nLastCode);
}

void CGlyphmillDlg::OnPrevious()
{
    if (m_Settings.m_nCurrentCode > m_Settings.m_nFirstCode)
        --m_Settings.m_nCurrentCode;
    m_Settings.LoadSaveFlag();
    WriteControls();
    update();
    m_pPreview->update();
    if (m_Settings.m_nCurrentCode == m_Settings.m_nFirstCode)
        m_pPreviousButton->setEnabled(false);
    m_pNextButton->setEnabled(true);
}

void CGlyphmillDlg::OnNext()
{
    if (m_Settings.m_nCurrentCode < m_Settings.m_nLastCode)
        ++m_Settings.m_nCurrentCode;
    m_Settings.LoadSaveFlag();
    WriteControls();
    update();
    m_pPreview->update();
    if (m_Settings.m_nCurrentCode == m_Settings.m_nLastCode)
        m_pNextButton->setEnabled(false);
    m_pPreviousButton->setEnabled(true);
}

void CGlyphmillDlg::OnCurrentCodeKillFocus()
{
    if (m_bValidatingCode)
        return;
    m_bValidatingCode = true;
    ReadControls();
    m_Settings.ClampCurrentCode();
    m_Settings.LoadSaveFlag();
    WriteControls();
    update();
    m_pPreview->update();
    if (m_Settings.m_nCurrentCode == m_Settings.m_nFirstCode)
        m_pPreviousButton->setEnabled(false);
    if (m_Settings.m_nCurrentCode == m_Settings.m_nLastCode)
        m_pNextButton->setEnabled(false);
    m_bValidatingCode = false;
}

void CGlyphmillDlg::OnSaveCharClicked()
{
    m_Settings.m_bSaveChar = m_pSaveCharBox->isChecked() ? 1 : 0;
    m_Settings.m_Inclusions[m_Settings.m_nCurrentCode] = m_Settings.m_bSaveChar;
}

void CGlyphmillDlg::OnSelectFont()
{
    const double dpi = logicalDpiY() > 0 ? logicalDpiY() : 96.0;
    // The font dialog lists installed families and works in points: it opens on the family
    // and style the current font is drawn with.
    const QFontInfo drawn(m_CurrentFont);
    QFont initial(drawn.family());
    initial.setWeight(m_CurrentFont.weight());
    initial.setItalic(m_CurrentFont.italic());
    initial.setStyleName(QFontDatabase::styleString(initial));
    initial.setUnderline(m_CurrentFont.underline());
    initial.setStrikeOut(m_CurrentFont.strikeOut());
    initial.setPointSizeF(m_Settings.m_Font.m_nPixelSize * 72.0 / dpi);
    QFont chosen;
    if (!m_fnChooseFont || !m_fnChooseFont(initial, chosen))
        return;
    // OK on the font it opened with keeps the current font as it is, name and all; the
    // dialog shows whole points, so the size it gives back may differ by half a point.
    if (chosen.family() == initial.family() && chosen.weight() == initial.weight() &&
        chosen.italic() == initial.italic() && std::abs(chosen.pointSizeF() - initial.pointSizeF()) <= 0.5) {
        FontDescription kept = m_Settings.m_Font;
        kept.m_bUnderline = chosen.underline();
        kept.m_bStrikeOut = chosen.strikeOut();
        const std::string face = m_Settings.m_strFaceName;
        SetCurrentFont(kept);
        m_Settings.m_strFaceName = face;
        return;
    }
    FontDescription description = DescribeFont(chosen, dpi);
    description.m_bFixedPitch = chosen.fixedPitch();
    SetCurrentFont(description);
}

void CGlyphmillDlg::OnOptions()
{
    COptionsDlg options(m_Settings, this);
    if (options.exec() != QDialog::Accepted)
        return;
    m_Settings.m_nXOffset = options.m_nXOffset;
    m_Settings.m_nWidth = options.m_nWidth;
    m_Settings.m_nYOffset = options.m_nYOffset;
    m_Settings.m_nHeight = options.m_nHeight;
    m_Settings.m_nFirstCode = static_cast<std::uint8_t>(options.m_nFirstCode);
    m_Settings.m_nLastCode = static_cast<std::uint8_t>(options.m_nLastCode);
    m_Settings.m_Layout = options.m_Layout;
    m_Settings.m_bAntialias = options.m_bAntialias;
    m_Settings.m_nCoverage = options.m_nCoverage;
    m_Settings.m_Font = options.m_Font;
    // A fit may have chosen another size; the preview and the label draw the font in force.
    m_CurrentFont = MakeFont(m_Settings.m_Font);
    ShowFont();
    m_Settings.ClampCurrentCode();
    LayOutPreview();
    // The code may have moved into the new range; its controls and the navigation follow it.
    m_Settings.LoadSaveFlag();
    WriteControls();
    RefreshNavigation();
    update();
}

void CGlyphmillDlg::OnInclusions()
{
    CInclusionsDlg inclusions(m_Settings.m_Inclusions, this);
    if (inclusions.exec() == QDialog::Accepted)
        m_Settings.m_Inclusions = inclusions.Table();
    m_Settings.LoadSaveFlag();
    WriteControls();
}

void CGlyphmillDlg::OnSaveAsGlf()
{
    const QString problem = QString::fromStdString(CellWindowProblem(m_Settings));
    if (!problem.isEmpty()) {
        ShowError(QStringLiteral("The GLF file cannot be written with this cell window.\n%1\n"
                                 "Change the Character Width, Character Height or the offsets in \"Options\".")
                      .arg(problem));
        return;
    }
    if (!m_fnSaveFileName)
        return;
    const QString path = m_fnSaveFileName(DefaultFolder(), DefaultFileName());
    if (path.isEmpty())
        return;
    CSaveGlfDlg saving(path, m_Settings, this);
    saving.exec();
    if (saving.WorkStarted() && !saving.Written()) {
        ShowError(QStringLiteral("The file %1 could not be written: %2\nA previous file of that name is left as it was.")
                      .arg(QDir::toNativeSeparators(path), saving.Error()));
        return;
    }
    if (!saving.Written())
        return;
    const std::string warning = EmptyRangeWarning(m_Settings) +
                                DescribeConfusableGroups(FindConfusableGroups(m_Settings, saving.Bytes()));
    if (!warning.empty()) {
        QString text = QString::fromStdString(warning).trimmed();
        text[0] = text[0].toUpper();
        QMessageBox::warning(this, QStringLiteral("Saving .GLF file"),
                             QStringLiteral("The file %1 was written.\n\n%2\n\n\"Glyph Sheet...\" shows every glyph as "
                                            "it is stored.")
                                 .arg(QDir::toNativeSeparators(path), text));
    }
}

void CGlyphmillDlg::OnClose()
{
    if (ReadControls())
        accept();
}

void CGlyphmillDlg::OnAbout()
{
    CAboutDlg about(this);
    about.exec();
}

void CGlyphmillDlg::OnGlyphSheet()
{
    CGlyphSheetDlg sheet(m_Settings, this);
    sheet.exec();
}

void CGlyphmillDlg::ShowError(const QString& text)
{
    QMessageBox::critical(this, QStringLiteral("Saving .GLF file"), text);
}

bool CGlyphmillDlg::eventFilter(QObject* watched, QEvent* event)
{
    // Enter in the code box goes to the code typed, rather than pressing the default button.
    if (watched == m_pCodeEdit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OnCurrentCodeKillFocus();
            m_pCodeEdit->selectAll();
            return true;
        }
    }
    if (watched == m_pCodeEdit && event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            OnCurrentCodeKillFocus();
    }
    return QDialog::eventFilter(watched, event);
}

void CGlyphmillDlg::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.addActions(actions());
    menu.exec(event->globalPos());
}
