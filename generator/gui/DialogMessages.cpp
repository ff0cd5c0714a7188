#include "DialogMessages.h"

#include <QMessageBox>

bool ParseDialogInteger(const QString& text, long long& value)
{
    bool ok = false;
    value = text.trimmed().toLongLong(&ok, 10);
    return ok;
}

QString IntegerRangeMessage(long long low, long long high)
{
    return QStringLiteral("Please enter an integer between %1 and %2.").arg(low).arg(high);
}

void ShowValidationMessage(QWidget* parent, const QString& text)
{
    QMessageBox::warning(parent, QString::fromLatin1(kGlyphmillTitle), text);
}
