#include "COptionsDlg.h"

#include "CCellGenerationDlg.h"
#include "CExactFont.h"
#include "CFitPictureDlg.h"
#include "DialogMessages.h"
#include "PictureFile.h"
#include "PictureFit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

#include <limits>

namespace {

// The filter of the Fit to Picture dialog: the picture formats read, in both cases, then all files.
QString PictureFilter()
{
    QStringList patterns;
    for (const std::string& suffix : PictureSuffixes())
        patterns.append(QStringLiteral("*.") + QString::fromStdString(suffix));
    for (const std::string& suffix : PictureSuffixes())
        patterns.append(QStringLiteral("*.") + QString::fromStdString(suffix).toUpper());
    return QStringLiteral("Pictures (%1);;All files (*)").arg(patterns.join(QLatin1Char(' ')));
}

QLineEdit* MakeDigitsEdit(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    edit->setFixedWidth(56);
    return edit;
}

// Reads one field: "Please enter an integer." for a non-number, the range message outside low..high.
bool ReadField(QWidget* dialog, QLineEdit* edit, long long low, long long high, int& value)
{
    long long parsed = 0;
    QString message;
    if (!ParseDialogInteger(edit->text(), parsed) || parsed < std::numeric_limits<int>::min() ||
        parsed > std::numeric_limits<int>::max()) {
        message = QStringLiteral("Please enter an integer.");
    } else if (parsed < low || parsed > high) {
        message = IntegerRangeMessage(low, high);
    }
    if (!message.isEmpty()) {
        ShowValidationMessage(dialog, message);
        edit->setFocus();
        edit->selectAll();
        return false;
    }
    value = static_cast<int>(parsed);
    return true;
}

} // namespace

COptionsDlg::COptionsDlg(const GeneratorSettings& main, QWidget* parent)
    : QDialog(parent),
      m_nWidth(main.m_nWidth),
      m_nHeight(main.m_nHeight),
      m_nFirstCode(main.m_nFirstCode),
      m_nLastCode(main.m_nLastCode),
      m_nXOffset(main.m_nXOffset),
      m_nYOffset(main.m_nYOffset),
      m_Layout(main.m_Layout),
      m_bAntialias(main.m_bAntialias),
      m_nCoverage(main.m_nCoverage),
      m_Font(main.m_Font),
      m_Main(main)
{
    setWindowTitle(QStringLiteral("Options"));

    auto* saveGroup = new QGroupBox(QStringLiteral("Save characters"), this);
    m_pFirstEdit = MakeDigitsEdit(saveGroup);
    m_pLastEdit = MakeDigitsEdit(saveGroup);
    auto* saveGrid = new QGridLayout(saveGroup);
    saveGrid->addWidget(new QLabel(QStringLiteral("First Character"), saveGroup), 0, 0);
    saveGrid->addWidget(m_pFirstEdit, 0, 1);
    saveGrid->addWidget(new QLabel(QStringLiteral("Last Character"), saveGroup), 0, 2);
    saveGrid->addWidget(m_pLastEdit, 0, 3);
    saveGrid->setColumnStretch(4, 1);

    auto* layoutGroup = new QGroupBox(QStringLiteral("Characters layout"), this);
    m_pWidthEdit = MakeDigitsEdit(layoutGroup);
    m_pHeightEdit = MakeDigitsEdit(layoutGroup);
    m_pXEdit = MakeDigitsEdit(layoutGroup);
    m_pYEdit = MakeDigitsEdit(layoutGroup);
    m_pAutocalcButton = new QPushButton(QStringLiteral("Autocalc chars layout"), layoutGroup);
    m_pAutocalcButton->setAutoDefault(false);
    auto* layoutGrid = new QGridLayout(layoutGroup);
    layoutGrid->addWidget(new QLabel(QStringLiteral("Character Width"), layoutGroup), 0, 0);
    layoutGrid->addWidget(m_pWidthEdit, 0, 1);
    layoutGrid->addWidget(new QLabel(QStringLiteral("X Offset"), layoutGroup), 0, 2);
    layoutGrid->addWidget(m_pXEdit, 0, 3);
    layoutGrid->addWidget(new QLabel(QStringLiteral("Character Height"), layoutGroup), 1, 0);
    layoutGrid->addWidget(m_pHeightEdit, 1, 1);
    layoutGrid->addWidget(new QLabel(QStringLiteral("Y Offset"), layoutGroup), 1, 2);
    layoutGrid->addWidget(m_pYEdit, 1, 3);
    layoutGrid->addWidget(m_pAutocalcButton, 2, 0, 1, 4, Qt::AlignLeft);
    layoutGrid->setColumnStretch(4, 1);

    // Beyond the cell window: how characters are placed and smoothed, and the fit to a picture.
    auto* renderingGroup = new QGroupBox(QStringLiteral("Rendering"), this);
    m_pLayoutChoice = new QComboBox(renderingGroup);
    m_pLayoutChoice->addItem(QStringLiteral("Centred in the cell window"));
    m_pLayoutChoice->addItem(QStringLiteral("Terminal cell"));
    m_pAntialiasBox = new QCheckBox(QStringLiteral("Antialiased, ink from coverage"), renderingGroup);
    m_pCoverageSpin = new QSpinBox(renderingGroup);
    m_pCoverageSpin->setRange(1, 100);
    m_pCoverageSpin->setSuffix(QStringLiteral(" %"));
    m_pFitButton = new QPushButton(QStringLiteral("Fit to &Picture..."), renderingGroup);
    m_pFitButton->setAutoDefault(false);
    m_pFitResult = new QLabel(renderingGroup);
    m_pFitResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* renderingGrid = new QGridLayout(renderingGroup);
    renderingGrid->addWidget(new QLabel(QStringLiteral("Layout"), renderingGroup), 0, 0);
    renderingGrid->addWidget(m_pLayoutChoice, 0, 1, 1, 2);
    renderingGrid->addWidget(m_pAntialiasBox, 1, 0, 1, 2);
    renderingGrid->addWidget(m_pCoverageSpin, 1, 2);
    renderingGrid->addWidget(m_pFitButton, 2, 0, 1, 3, Qt::AlignLeft);
    renderingGrid->addWidget(m_pFitResult, 3, 0, 1, 4);
    renderingGrid->setColumnStretch(3, 1);

    auto* okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setDefault(true);
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setAutoDefault(false);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    buttons->addStretch(1);

    auto* groups = new QVBoxLayout;
    groups->addWidget(saveGroup);
    groups->addWidget(layoutGroup);
    groups->addWidget(renderingGroup);
    auto* root = new QHBoxLayout(this);
    root->addLayout(groups, 1);
    root->addLayout(buttons);

    connect(okButton, &QPushButton::clicked, this, &COptionsDlg::accept);
    connect(cancelButton, &QPushButton::clicked, this, &COptionsDlg::reject);
    connect(m_pAutocalcButton, &QPushButton::clicked, this, &COptionsDlg::OnAutocalc);
    connect(m_pFitButton, &QPushButton::clicked, this, &COptionsDlg::OnFitPicture);
    connect(m_pAntialiasBox, &QCheckBox::toggled, m_pCoverageSpin, &QSpinBox::setEnabled);

    WriteControls();
    WriteRendering();
    connect(m_pLayoutChoice, &QComboBox::activated, this, &COptionsDlg::OnLayoutChosen);
    // Wide enough for the line that tells what a fit chose.
    setFixedSize(sizeHint().expandedTo(QSize(480, 180)));
}

bool COptionsDlg::ReadControls()
{
    return ReadField(this, m_pHeightEdit, 0, 150, m_nHeight) && ReadField(this, m_pWidthEdit, 0, 150, m_nWidth) &&
           ReadField(this, m_pFirstEdit, 0, 255, m_nFirstCode) && ReadField(this, m_pLastEdit, 0, 255, m_nLastCode) &&
           ReadField(this, m_pXEdit, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), m_nXOffset) &&
           ReadField(this, m_pYEdit, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), m_nYOffset);
}

void COptionsDlg::WriteControls()
{
    m_pHeightEdit->setText(QString::number(m_nHeight));
    m_pWidthEdit->setText(QString::number(m_nWidth));
    m_pFirstEdit->setText(QString::number(m_nFirstCode));
    m_pLastEdit->setText(QString::number(m_nLastCode));
    m_pXEdit->setText(QString::number(m_nXOffset));
    m_pYEdit->setText(QString::number(m_nYOffset));
}

void COptionsDlg::accept()
{
    if (!ReadControls())
        return;
    ReadRendering();
    QDialog::accept();
}

void COptionsDlg::ReadRendering()
{
    m_Layout = m_pLayoutChoice->currentIndex() == 1 ? CellLayout::Cell : CellLayout::Window;
    m_bAntialias = m_pAntialiasBox->isChecked();
    m_nCoverage = m_pCoverageSpin->value();
}

void COptionsDlg::WriteRendering()
{
    m_pLayoutChoice->setCurrentIndex(m_Layout == CellLayout::Cell ? 1 : 0);
    m_pAntialiasBox->setChecked(m_bAntialias);
    m_pCoverageSpin->setValue(m_nCoverage);
    m_pCoverageSpin->setEnabled(m_bAntialias);
}

void COptionsDlg::OnLayoutChosen(int index)
{
    if (index != 1)
        return;
    GeneratorSettings settings = m_Main;
    settings.m_Font = m_Font;
    settings.m_bAntialias = m_pAntialiasBox->isChecked();
    const CellMetrics cell = MeasureCellMetrics(settings);
    m_nXOffset = 0;
    m_nYOffset = 0;
    m_nWidth = cell.width;
    m_nHeight = cell.height;
    WriteControls();
    m_pFitResult->setText(cell.monospaced ? QString()
                                          : QStringLiteral("The font is not monospaced; the cell takes its widest "
                                                           "advance, %1 pixels.")
                                                .arg(cell.width));
    layout()->activate();
    setFixedSize(sizeHint().expandedTo(size()));
}

void COptionsDlg::OnFitPicture()
{
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Fit to Picture"), QString(),
        PictureFilter());
    if (!path.isEmpty())
        FitToPicture(path);
}

bool COptionsDlg::FitToPicture(const QString& path)
{
    PictureLoad load = LoadPicture(QFile::encodeName(path).toStdString());
    if (!load.Ok()) {
        QMessageBox::warning(this, QStringLiteral("Fit to Picture"), QString::fromStdString(load.message));
        return false;
    }
    GeneratorSettings settings = m_Main;
    settings.m_Font = m_Font;
    CFitPictureDlg fitting(load.raster, settings, this);
    if (fitting.exec() != Accepted)
        return false;
    const PictureFit& fit = fitting.Fit();
    if (!fit.bFound) {
        QMessageBox::warning(this, QStringLiteral("Fit to Picture"), QString::fromStdString(fit.strProblem));
        return false;
    }
    m_Font = fit.settings.m_Font;
    m_Layout = fit.settings.m_Layout;
    m_bAntialias = fit.settings.m_bAntialias;
    m_nCoverage = fit.settings.m_nCoverage;
    m_nXOffset = fit.settings.m_nXOffset;
    m_nYOffset = fit.settings.m_nYOffset;
    m_nWidth = fit.settings.m_nWidth;
    m_nHeight = fit.settings.m_nHeight;
    WriteControls();
    WriteRendering();
    m_pFitResult->setText(QStringLiteral("Fitted: %1 px, mean cost %2 per cell (%3 cells).")
                              .arg(fit.settings.m_Font.PixelSize(), 0, 'f', 2)
                              .arg(fit.dMeanCost, 0, 'f', 3)
                              .arg(fit.nCells));
    m_pFitResult->setToolTip(QString::fromStdString(FitCommandLine(fit.settings, {})));
    layout()->activate();
    setFixedSize(sizeHint().expandedTo(size()));
    return true;
}

void COptionsDlg::OnAutocalc()
{
    CCellGenerationDlg generation(m_Main, this);
    if (generation.exec() != Accepted)
        return;
    const LayoutBox& box = generation.Box();
    m_nXOffset = box.x();
    m_nWidth = box.w();
    m_nYOffset = box.y();
    m_nHeight = box.h();
    WriteControls();
}
