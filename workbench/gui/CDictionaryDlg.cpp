#include "CDictionaryDlg.h"

#include "COpenRecognizer.h"
#include "DialogUnits.h"
#include "IUserPrompts.h"
#include "WordListLetters.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CDictionaryDlg::CDictionaryDlg(IUserPrompts& prompts, QWidget* parent)
    : CDataDialog(prompts, parent)
{
    setWindowTitle(QStringLiteral("Dictionary"));
    const QString listPrompt = QStringLiteral("&Word list:");
    const QString alphabetPrompt = QStringLiteral("&Alphabet:");
    const QString outsidePrompt = QStringLiteral("Words &outside the list:");
    const QString penaltyPrompt = QStringLiteral("&Penalty:");
    const CDialogUnits units(*this, {{listPrompt, 40}, {alphabetPrompt, 40}, {outsidePrompt, 80}, {penaltyPrompt, 32}});
    auto* listLabel = new QLabel(listPrompt, this);
    units.Place(*listLabel, 7, 10, 40, 8);
    m_pPath = new QLineEdit(this);
    units.Place(*m_pPath, 50, 7, 150, 14);
    listLabel->setBuddy(m_pPath);
    m_pBrowse = new QPushButton(QStringLiteral("&Browse..."), this);
    units.Place(*m_pBrowse, 204, 7, 50, 14);
    auto* alphabetLabel = new QLabel(alphabetPrompt, this);
    units.Place(*alphabetLabel, 7, 31, 40, 8);
    m_pAlphabet = new QComboBox(this);
    m_pAlphabet->addItems({QStringLiteral("Latin"), QStringLiteral("Cyrillic")});
    units.Place(*m_pAlphabet, 50, 28, 80, 14);
    alphabetLabel->setBuddy(m_pAlphabet);
    auto* outsideLabel = new QLabel(outsidePrompt, this);
    units.Place(*outsideLabel, 7, 52, 80, 8);
    m_pOutside = new QComboBox(this);
    m_pOutside->addItems({QStringLiteral("Not allowed"), QStringLiteral("Allowed")});
    units.Place(*m_pOutside, 90, 49, 70, 14);
    outsideLabel->setBuddy(m_pOutside);
    auto* penaltyLabel = new QLabel(penaltyPrompt, this);
    units.Place(*penaltyLabel, 168, 52, 32, 8);
    m_pPenalty = new QLineEdit(this);
    units.Place(*m_pPenalty, 204, 49, 50, 14);
    penaltyLabel->setBuddy(m_pPenalty);
    m_pRussian = new QPushButton(QStringLiteral("&Russian List"), this);
    units.Place(*m_pRussian, 7, 73, 64, 14);
    m_strRussianList = QFile::decodeName(FindRussianWordList().c_str());
    m_pRussian->setEnabled(!m_strRussianList.isEmpty());
    m_pRussian->setToolTip(m_strRussianList.isEmpty() ? QStringLiteral("No Russian word list is installed.")
                                                      : m_strRussianList);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    units.Place(*ok, 148, 73, 50, 14);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    units.Place(*cancel, 204, 73, 50, 14);
    m_pNote = new QLabel(this);
    m_pNote->setWordWrap(true);
    units.Place(*m_pNote, 7, 92, 247, 18);
    setFixedSize(units.Size(261, 114));
    connect(m_pRussian, &QPushButton::clicked, this, [this] { ChooseList(m_strRussianList); });
    connect(m_pPath, &QLineEdit::editingFinished, this, [this] { ChooseList(m_pPath->text().trimmed()); });
    connect(m_pAlphabet, &QComboBox::currentIndexChanged, this, &CDictionaryDlg::UpdateNote);
    connect(m_pOutside, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_pPenalty->setEnabled(index == 1); });
    connect(m_pBrowse, &QPushButton::clicked, this, &CDictionaryDlg::OnBrowse);
    connect(ok, &QPushButton::clicked, this, &CDataDialog::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CDictionaryDlg::OnBrowse()
{
    FileDialogRequest request;
    request.strCaption = QStringLiteral("Open");
    const QFileInfo current(m_pPath->text().trimmed());
    request.strDirectory = current.absolutePath();
    request.strInitialName = current.fileName();
    request.filters = {QStringLiteral("Word Lists (*.dic)"), QStringLiteral("All Files (*)")};
    const QString path = m_Prompts.GetOpenFileName(this, request);
    if (!path.isEmpty())
        ChooseList(path);
}

void CDictionaryDlg::ChooseList(const QString& path)
{
    if (path.isEmpty())
        return;
    m_pPath->setText(path);
    const WordListLetters letters = ReadWordListLetters(QFile::encodeName(path).toStdString());
    if (letters == WordListLetters::Latin)
        m_pAlphabet->setCurrentIndex(0);
    else if (letters == WordListLetters::Cyrillic)
        m_pAlphabet->setCurrentIndex(1);
}

void CDictionaryDlg::UpdateNote()
{
    const bool cyrillic = m_pAlphabet->currentIndex() == 1;
    m_pNote->setText(cyrillic && !m_bFontHasCyrillic
                         ? QStringLiteral("The document's font has no Cyrillic glyphs: Cyrillic words cannot be read with it.")
                         : QString());
}

bool CDictionaryDlg::DoDataExchange(bool save)
{
    if (!save) {
        m_pPath->setText(m_strPath);
        m_pAlphabet->setCurrentIndex(m_nAlphabet == 0 ? 1 : 0);
        m_pOutside->setCurrentIndex(m_bOpenWords ? 1 : 0);
        m_pPenalty->setText(QString::number(m_dUnknownPenalty, 'g', 15));
        m_pPenalty->setEnabled(m_bOpenWords);
        UpdateNote();
        return true;
    }
    const QString path = m_pPath->text().trimmed();
    if (path.isEmpty()) {
        FailValidation(QStringLiteral("Please enter the name of a word list."), m_pPath);
        return false;
    }
    // Words of one alphabet read with the other are never found: asked before they are taken.
    const WordListLetters letters = ReadWordListLetters(QFile::encodeName(path).toStdString());
    const bool cyrillic = m_pAlphabet->currentIndex() == 1;
    if ((letters == WordListLetters::Latin && cyrillic) || (letters == WordListLetters::Cyrillic && !cyrillic)) {
        const QString text = QStringLiteral("The words of %1 are written in %2 letters, but the alphabet is %3. Use it anyway?")
                                 .arg(QFileInfo(path).fileName(), cyrillic ? QStringLiteral("Latin") : QStringLiteral("Cyrillic"),
                                      m_pAlphabet->currentText());
        if (m_Prompts.ShowMessage(this, text, windowTitle(), QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No) !=
            QMessageBox::Yes) {
            m_pAlphabet->setFocus();
            return false;
        }
    }
    const bool open = m_pOutside->currentIndex() == 1;
    double penalty = m_dUnknownPenalty;
    if (open) {
        bool number = false;
        penalty = m_pPenalty->text().trimmed().toDouble(&number);
        if (!number || !(penalty >= 0 && penalty <= OpenWordsOptions::kMaxPenalty)) {
            FailValidation(QStringLiteral("Please enter a number between %1 and %2.").arg(0).arg(OpenWordsOptions::kMaxPenalty),
                           m_pPenalty);
            return false;
        }
    }
    m_strPath = path;
    m_nAlphabet = m_pAlphabet->currentIndex() == 1 ? 0 : 1;
    m_bOpenWords = open;
    m_dUnknownPenalty = penalty;
    return true;
}
