#include "CAboutRecognizeDlg.h"

#include "AppIcon.h"
#include "DialogUnits.h"

#include <QLabel>
#include <QPushButton>

CAboutRecognizeDlg::CAboutRecognizeDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Recognize"));
    setModal(true);
    const QString title = QStringLiteral("The Text Recognition Demo Program");
    const CDialogUnits units(*this, {{title, 119}});
    auto* icon = new QLabel(this);
    icon->setPixmap(RecognizeIcon().pixmap(32, 32));
    const QRect iconRect = units.Rect(11, 17, 0, 0);
    icon->setGeometry(iconRect.x(), iconRect.y(), 32, 32);
    auto* label = new QLabel(title, this);
    units.Place(*label, 40, 10, 119, 16);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    units.Place(*ok, 178, 7, 32, 14);
    ok->setDefault(true);
    setFixedSize(units.Size(217, 55));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
