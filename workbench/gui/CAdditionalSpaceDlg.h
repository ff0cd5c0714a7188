#pragma once

#include "CDataDialog.h"

#include <cstdint>

class QLineEdit;

// "Additional Space": the number of blank cells after the text.
class CAdditionalSpaceDlg : public CDataDialog {
    Q_OBJECT
public:
    CAdditionalSpaceDlg(IUserPrompts& prompts, QWidget* parent);

    QLineEdit* SpaceBox() const { return m_pEdit; }  // box 1001, digits only

    std::int32_t m_nSpace = 0;

protected:
    bool DoDataExchange(bool save) override;

private:
    QLineEdit* m_pEdit;
};
