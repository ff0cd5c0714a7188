#pragma once

#include "CDataDialog.h"

#include <string>

class QLineEdit;

// "Text Input": the line of text that is drawn into the picture.
class CTextInputDlg : public CDataDialog {
    Q_OBJECT
public:
    CTextInputDlg(IUserPrompts& prompts, QWidget* parent);

    QLineEdit* TextBox() const { return m_pEdit; }  // box 1000

    std::string m_strText;  // 8-bit text

protected:
    bool DoDataExchange(bool save) override;

private:
    QLineEdit* m_pEdit;
};
