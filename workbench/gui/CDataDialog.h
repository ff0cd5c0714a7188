#pragma once

#include <QDialog>

class IUserPrompts;
class QWidget;

// A modal dialog with data exchange: DoModal writes the fields into the controls, "OK" reads
// them back and validates them, and a failed check shows its message and keeps the dialog open.
class CDataDialog : public QDialog {
    Q_OBJECT
public:
    CDataDialog(IUserPrompts& prompts, QWidget* parent);

    // Shows the fields, runs the dialog and returns QDialog::Accepted or QDialog::Rejected.
    int DoModal();
    // The "OK" button: closes the dialog with Accepted when the controls hold valid values.
    void OnOK();
    // Writes the fields into the controls (save false) or reads and checks them (save true).
    bool UpdateData(bool save);

protected:
    virtual void OnInitDialog();
    virtual bool DoDataExchange(bool save) = 0;
    // The validation message of a failed check, then the focus on the offending control.
    void FailValidation(const QString& message, QWidget* control);

    IUserPrompts& m_Prompts;
};
