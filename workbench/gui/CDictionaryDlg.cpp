#include "CDictionaryDlg.h"

#include "DialogUnits.h"
#include "IUserPrompts.h"

#include <QComboBox>
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
    const CDialogUnits units(*this, {{listPrompt, 40}, {alphabetPrompt, 40}});
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
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    units.Place(*ok, 148, 52, 50, 14);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    units.Place(*cancel, 204, 52, 50, 14);
    setFixedSize(units.Size(261, 73));
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
        m_pPath->setText(path);
}

bool CDictionaryDlg::DoDataExchange(bool save)
{
    if (!save) {
        m_pPath->setText(m_strPath);
        m_pAlphabet->setCurrentIndex(m_nAlphabet == 0 ? 1 : 0);
        return true;
    }
    const QString path = m_pPath->text().trimmed();
    if (path.isEmpty()) {
        FailValidation(QStringLiteral("Please enter the name of a word list."), m_pPath);
        return false;
    }
    m_strPath = path;
    m_nAlphabet = m_pAlphabet->currentIndex() == 1 ? 0 : 1;
    return true;
}
