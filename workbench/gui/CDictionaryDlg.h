#pragma once

#include "CDataDialog.h"

#include <QString>

class QComboBox;
class QLineEdit;
class QPushButton;

// "Dictionary": the word list of Complex recognition and the alphabet it is read with.
class CDictionaryDlg : public CDataDialog {
    Q_OBJECT
public:
    CDictionaryDlg(IUserPrompts& prompts, QWidget* parent);

    QLineEdit* PathBox() const { return m_pPath; }
    QComboBox* AlphabetBox() const { return m_pAlphabet; }  // "Latin", "Cyrillic"
    QPushButton* BrowseButton() const { return m_pBrowse; }

    QString m_strPath = QStringLiteral("dict.dic");
    int m_nAlphabet = 1;  // 1 Latin, 0 Cyrillic

protected:
    bool DoDataExchange(bool save) override;

private:
    // "Browse...": an open-file dialog for the word list.
    void OnBrowse();

    QLineEdit* m_pPath;
    QComboBox* m_pAlphabet;
    QPushButton* m_pBrowse;
};
