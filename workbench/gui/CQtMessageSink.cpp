#include "CQtMessageSink.h"

#include "IUserPrompts.h"

namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void CQtMessageSink::ShowMessage(std::string_view text, std::string_view title, MessageIcon icon)
{
    m_Prompts.ShowMessage(nullptr, ToQString(text), ToQString(title), ToQtIcon(icon), QMessageBox::Ok);
}

void CQtMessageSink::ShowNote(std::string_view text)
{
    if (m_fnNote)
        m_fnNote(ToQString(text));
}

void CQtMessageSink::Beep()
{
    m_Prompts.Beep();
}
