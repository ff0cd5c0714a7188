#include "CRecentFileList.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

void CRecentFileList::ReadList()
{
    QSettings settings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Recognize"));
    settings.beginGroup(QStringLiteral("Recent File List"));
    m_Files.clear();
    for (int i = 0; i < m_nSize; ++i) {
        const QString file = settings.value(QStringLiteral("File%1").arg(i + 1)).toString();
        if (!file.isEmpty())
            m_Files.append(file);
    }
}

void CRecentFileList::WriteList() const
{
    QSettings settings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Recognize"));
    settings.beginGroup(QStringLiteral("Recent File List"));
    for (int i = 0; i < m_nSize; ++i) {
        const QString key = QStringLiteral("File%1").arg(i + 1);
        if (i < m_Files.size())
            settings.setValue(key, m_Files.at(i));
        else
            settings.remove(key);
    }
    settings.endGroup();
    settings.sync();
}

void CRecentFileList::Add(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_Files.removeAll(absolute);
    m_Files.prepend(absolute);
    while (m_Files.size() > m_nSize)
        m_Files.removeLast();
    WriteList();
}

void CRecentFileList::Remove(int index)
{
    if (index < 0 || index >= m_Files.size())
        return;
    m_Files.removeAt(index);
    WriteList();
}

QString CRecentFileList::MenuText(int index) const
{
    const QFileInfo info(m_Files.at(index));
    const bool inWorkingDir = info.absolutePath() == QDir::current().absolutePath();
    QString name = inWorkingDir ? info.fileName() : QDir::toNativeSeparators(info.absoluteFilePath());
    name.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(name);
}
