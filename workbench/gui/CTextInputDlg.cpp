#include "CTextInputDlg.h"

#include "DialogUnits.h"
#include "TextCodec.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CTextInputDlg::CTextInputDlg(IUserPrompts& prompts, QWidget* parent)
    : CDataDialog(prompts, parent)
{
    setWindowTitle(QStringLiteral("Text Input"));
    const QString prompt = QStringLiteral("Enter text you want to process:");
    const CDialogUnits units(*this, {{prompt, 98}});
    auto* label = new QLabel(prompt, this);
    units.Place(*label, 7, 15, 98, 8);
    m_pEdit = new QLineEdit(this);
    units.Place(*m_pEdit, 7, 28, 172, 14);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    units.Place(*ok, 7, 58, 50, 14);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    units.Place(*cancel, 129, 58, 50, 14);
    setFixedSize(units.Size(186, 79));
    connect(ok, &QPushButton::clicked, this, &CDataDialog::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool CTextInputDlg::DoDataExchange(bool save)
{
    if (save)
        m_strText = ToCp1251(m_pEdit->text());
    else
        m_pEdit->setText(FromCp1251(m_strText));
    return true;
}
