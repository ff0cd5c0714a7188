#include "CAboutDlg.h"

#include "AppIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Glyphmill"));
    auto* icon = new QLabel(this);
    icon->setPixmap(GlyphmillIcon().pixmap(32, 32));
    auto* version = new QLabel(QStringLiteral("Glyphmill Version 1.0"), this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addWidget(version, 1, Qt::AlignVCenter);
    top->addWidget(ok, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    setFixedSize(sizeHint().expandedTo(QSize(330, 96)));
}
