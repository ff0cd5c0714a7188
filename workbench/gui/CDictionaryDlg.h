#pragma once

#include "CDataDialog.h"

#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Dictionary": the word list of Complex recognition, the alphabet it is read with, and
// whether words outside the list are allowed (the open dictionary step) with their penalty.
class CDictionaryDlg : public CDataDialog {
    Q_OBJECT
public:
    CDictionaryDlg(IUserPrompts& prompts, QWidget* parent);

    QLineEdit* PathBox() const { return m_pPath; }
    QComboBox* AlphabetBox() const { return m_pAlphabet; }  // "Latin", "Cyrillic"
    QPushButton* BrowseButton() const { return m_pBrowse; }
    QComboBox* OutsideBox() const { return m_pOutside; }    // "Not allowed", "Allowed"
    QLineEdit* PenaltyBox() const { return m_pPenalty; }    // enabled while "Allowed"
    QPushButton* RussianButton() const { return m_pRussian; }  // disabled when no list is shipped
    QLabel* NoteLabel() const { return m_pNote; }

    QString m_strPath = QStringLiteral("dict.dic");
    int m_nAlphabet = 1;  // 1 Latin, 0 Cyrillic
    bool m_bOpenWords = false;
    double m_dUnknownPenalty = 0.2;  // 0..10
    bool m_bFontHasCyrillic = true;  // the document's font holds glyphs of Cyrillic letters

protected:
    bool DoDataExchange(bool save) override;

private:
    // "Browse...": an open-file dialog for the word list.
    void OnBrowse();
    // Takes the word list at path: the alphabet follows the letters of its words.
    void ChooseList(const QString& path);
    // Says when the font cannot draw the letters of the chosen alphabet.
    void UpdateNote();

    QLineEdit* m_pPath;
    QComboBox* m_pAlphabet;
    QPushButton* m_pBrowse;
    QComboBox* m_pOutside;
    QLineEdit* m_pPenalty;
    QPushButton* m_pRussian;
    QLabel* m_pNote;
    QString m_strRussianList;  // the shipped Russian list, empty when there is none
};
