#pragma once

#include <QString>
#include <QStringList>

// The most recently used files, newest first, kept in the per-user settings under
// "Local AppWizard-Generated Applications" / "Recognize", group "Recent File List".
class CRecentFileList {
public:
    explicit CRecentFileList(int size) : m_nSize(size) {}

    void ReadList();
    void WriteList() const;
    // Puts path first (as an absolute path), dropping an older entry of the same file.
    void Add(const QString& path);
    void Remove(int index);

    int Size() const { return m_nSize; }
    int Count() const { return static_cast<int>(m_Files.size()); }
    const QString& File(int index) const { return m_Files.at(index); }
    // The menu text of an entry: "&1 name", the bare name for a file of the working directory.
    QString MenuText(int index) const;

private:
    int m_nSize;          // entries kept
    QStringList m_Files;  // newest first
};
