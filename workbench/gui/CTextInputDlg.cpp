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
    if (!save) {
        m_pEdit->setText(FromCp1251(m_strText));
        // As the platform's dialogs do with their first box: typing replaces the text.
        m_pEdit->selectAll();
        m_pEdit->setFocus(Qt::OtherFocusReason);
        return true;
    }
    const QString text = m_pEdit->text();
    qsizetype position = 0;
    for (const char32_t code : text.toUcs4()) {
        const QString character = QString::fromUcs4(&code, 1);
        if (code != U'?' && ToCp1251(character) == "?") {
            const QString hex = QStringLiteral("%1").arg(static_cast<uint>(code), 4, 16, QLatin1Char('0')).toUpper();
            FailValidation(QStringLiteral("The character \"%1\" (U+%2) cannot be used: the text is kept in the "
                                          "Windows-1251 code page, which lacks it.")
                               .arg(character, hex),
                           m_pEdit);
            m_pEdit->setSelection(static_cast<int>(position), static_cast<int>(character.size()));
            return false;
        }
        position += character.size();
    }
    m_strText = ToCp1251(text);
    return true;
}
