#include "CGlyphSheetDlg.h"

#include "AtomicFile.h"
#include "ConfusableGlyphs.h"
#include "GlfFile.h"
#include "GlyphSheet.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

CGlyphSheetDlg::CGlyphSheetDlg(const GeneratorSettings& settings, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Glyph Sheet"));
    std::vector<std::uint8_t> bytes;
    std::string error;
    QString note;
    if (RenderGlfFile(settings, {}, bytes, error)) {
        m_Sheet = RenderGlyphSheet(settings, bytes);
        m_strWarnings = QString::fromStdString(EmptyRangeWarning(settings) +
                                               DescribeConfusableGroups(FindConfusableGroups(settings, bytes)))
                            .trimmed();
        note = m_strWarnings.isEmpty() ? QStringLiteral("No two included codes have the same glyph.") : m_strWarnings;
    } else {
        note = QStringLiteral("The GLF file cannot be written with this cell window.\n%1").arg(QString::fromStdString(error));
    }

    auto* picture = new QLabel(this);
    picture->setPixmap(QPixmap::fromImage(m_Sheet));
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(picture);
    scroll->setMinimumSize(640, 420);
    auto* text = new QLabel(note, this);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->setWordWrap(true);
    auto* textScroll = new QScrollArea(this);
    textScroll->setWidget(text);
    textScroll->setWidgetResizable(true);
    textScroll->setMaximumHeight(120);

    auto* save = new QPushButton(QStringLiteral("Save &PNG..."), this);
    save->setEnabled(!m_Sheet.isNull());
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setDefault(true);
    connect(save, &QPushButton::clicked, this, &CGlyphSheetDlg::OnSavePng);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll, 1);
    layout->addWidget(textScroll);
    layout->addLayout(buttons);
    resize(1000, 720);
}

void CGlyphSheetDlg::OnSavePng()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save Glyph Sheet"),
                                                      QDir::current().absoluteFilePath(QStringLiteral("sheet.png")),
                                                      QStringLiteral("PNG Images (*.png)"));
    if (path.isEmpty())
        return;
    QByteArray png;
    QBuffer buffer(&png);
    std::string error;
    if (!buffer.open(QIODevice::WriteOnly) || !m_Sheet.save(&buffer, "PNG") ||
        !WriteFileAtomically(QFile::encodeName(path).toStdString(), std::vector<std::uint8_t>(png.begin(), png.end()),
                             error)) {
        QMessageBox::critical(this, QStringLiteral("Glyph Sheet"),
                              QStringLiteral("The file %1 could not be written: %2")
                                  .arg(QDir::toNativeSeparators(path), QString::fromStdString(error)));
    }
}
