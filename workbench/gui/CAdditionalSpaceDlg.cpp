#include "CAdditionalSpaceDlg.h"

#include "DialogUnits.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

CAdditionalSpaceDlg::CAdditionalSpaceDlg(IUserPrompts& prompts, QWidget* parent)
    : CDataDialog(prompts, parent)
{
    setWindowTitle(QStringLiteral("Additional Space"));
    const QString prompt = QStringLiteral("Additional space:");
    const CDialogUnits units(*this, {{prompt, 55}});
    auto* label = new QLabel(prompt, this);
    units.Place(*label, 7, 15, 55, 8);
    m_pEdit = new QLineEdit(this);
    units.Place(*m_pEdit, 69, 12, 58, 14);
    m_pEdit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_pEdit));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    units.Place(*ok, 13, 42, 50, 14);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    units.Place(*cancel, 71, 42, 50, 14);
    setFixedSize(units.Size(134, 63));
    connect(ok, &QPushButton::clicked, this, &CDataDialog::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool CAdditionalSpaceDlg::DoDataExchange(bool save)
{
    if (!save) {
        m_pEdit->setText(QString::number(m_nSpace));
        return true;
    }
    bool ok = false;
    const int value = m_pEdit->text().trimmed().toInt(&ok, 10);
    if (!ok) {
        FailValidation(QStringLiteral("Please enter an integer."), m_pEdit);
        return false;
    }
    m_nSpace = value;
    return true;
}
