#include "CDataDialog.h"

#include "IUserPrompts.h"

CDataDialog::CDataDialog(IUserPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_Prompts(prompts)
{
    setModal(true);
}

int CDataDialog::DoModal()
{
    OnInitDialog();
    return m_Prompts.ExecDialog(*this);
}

void CDataDialog::OnInitDialog()
{
    UpdateData(false);
}

void CDataDialog::OnOK()
{
    if (UpdateData(true))
        accept();
}

bool CDataDialog::UpdateData(bool save)
{
    return DoDataExchange(save);
}

void CDataDialog::FailValidation(const QString& message, QWidget* control)
{
    m_Prompts.ShowMessage(this, message, QStringLiteral("Recognize"), QMessageBox::Warning, QMessageBox::Ok);
    if (control)
        control->setFocus();
}
