#include "CGlyphmillDlg.h"
#include "CSaveGlfDlg.h"
#include "ModalDriver.h"
#include "QtTestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// A working directory with a Fonts folder, restored when the test ends.
class SaveGlf : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_strOldCurrent = QDir::currentPath();
        m_strFolder = MakeTempFolder();
        ASSERT_TRUE(QDir(m_strFolder).mkdir(QStringLiteral("Fonts")));
        ASSERT_TRUE(QDir::setCurrent(m_strFolder));
        m_strCurrent = QDir::currentPath();
    }
    void TearDown() override
    {
        QDir::setCurrent(m_strOldCurrent);
        QDir(m_strFolder).removeRecursively();
    }
    QString FontsPath(const QString& name) const { return m_strCurrent + QStringLiteral("/Fonts/") + name; }

    CModalDriver m_Driver;
    CGlyphmillDlg m_Dialog;
    QString m_strOldCurrent;
    QString m_strFolder;
    QString m_strCurrent;
};

} // namespace

TEST_F(SaveGlf, WritesTheFontInTheFontsFolderAndKeepsTheWorkingDirectory)
{
    QString askedFolder;
    m_Dialog.SetSaveFileNameProvider([&askedFolder](const QString& folder, const QString& name) {
        askedFolder = folder;
        return QDir(folder).filePath(name);
    });
    m_Driver.LetRun();
    m_Dialog.OnSaveAsGlf();
    EXPECT_EQ(QFileInfo(askedFolder).canonicalFilePath(), QFileInfo(FontsPath(QString())).canonicalFilePath());
    EXPECT_EQ(QFileInfo(FontsPath(QStringLiteral("Arial.GLF"))).size(), 184844);
    EXPECT_EQ(QDir::currentPath(), m_strCurrent);

    // Without a Fonts folder the dialog starts in the working directory; cancelling writes nothing.
    QDir(FontsPath(QString())).removeRecursively();
    m_Dialog.SetSaveFileNameProvider([&askedFolder](const QString& folder, const QString&) {
        askedFolder = folder;
        return QString();
    });
    m_Dialog.OnSaveAsGlf();
    EXPECT_EQ(QFileInfo(askedFolder).canonicalFilePath(), QFileInfo(m_strCurrent).canonicalFilePath());
    EXPECT_EQ(QDir::currentPath(), m_strCurrent);
    EXPECT_TRUE(QDir(m_strCurrent).entryList(QDir::Files).isEmpty());
    // The start settings give codes that read alike: the written file comes with a warning.
    ASSERT_EQ(m_Driver.Messages().size(), 1);
    // Which codes besides the whitespace draw blank depends on the family "Arial" resolves to.
    EXPECT_TRUE(m_Driver.Messages().front().contains(
        QRegularExpression(QStringLiteral("\\b9-10, 12-13, 32\\b.* \\(blank\\) read as \\d+"))))
        << m_Driver.Messages().front().toStdString();
    EXPECT_TRUE(m_Driver.Messages().front().contains(QStringLiteral("\"Control characters\"")));
}

TEST_F(SaveGlf, CancelBeforeTheTimerWritesNothing)
{
    const QString fresh = FontsPath(QStringLiteral("fresh.GLF"));
    const QString old = FontsPath(QStringLiteral("old.GLF"));
    WriteText(old, "previous");
    for (const QString& path : {fresh, old}) {
        CSaveGlfDlg saving(path, m_Dialog.Settings());
        EXPECT_EQ(saving.windowTitle(), QStringLiteral("Saving .GLF file"));
        QTimer::singleShot(0, &saving, [&saving] { saving.reject(); });
        saving.exec();
        EXPECT_FALSE(saving.WorkStarted());
        for (int i = 0; i < 5; ++i)     // a timer still armed would fire now
            QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_FALSE(QFileInfo::exists(fresh));
    EXPECT_EQ(ReadAll(old), QByteArray("previous"));
}

TEST_F(SaveGlf, FailedWriteSaysSoAndKeepsTheOldFile)
{
    const QString path = FontsPath(QStringLiteral("Arial.GLF"));
    WriteText(path, "previous");
    m_Dialog.SetSaveFileNameProvider([&path](const QString&, const QString&) { return path; });

    // A file-size limit makes the write fail part-way, as a full disk would.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    m_Driver.LetRun();
    m_Dialog.OnSaveAsGlf();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_EQ(m_Driver.Messages().size(), 1);
    EXPECT_TRUE(m_Driver.Messages().first().contains(QStringLiteral("could not be written")));
    EXPECT_EQ(ReadAll(path), QByteArray("previous"));
    EXPECT_EQ(QDir(FontsPath(QString())).entryList(QDir::Files | QDir::Hidden).size(), 1);
    EXPECT_EQ(QDir::currentPath(), m_strCurrent);
}

TEST_F(SaveGlf, CellWindowsAReaderCannotFollowAreRefused)
{
    bool asked = false;
    m_Dialog.SetSaveFileNameProvider([&asked](const QString&, const QString&) {
        asked = true;
        return QString();
    });
    m_Dialog.Settings().m_nXOffset = 100;
    m_Dialog.OnSaveAsGlf();
    m_Dialog.Settings().m_nXOffset = 0;
    m_Dialog.Settings().m_nYOffset = -4;
    m_Dialog.OnSaveAsGlf();
    EXPECT_FALSE(asked);
    ASSERT_EQ(m_Driver.Messages().size(), 2);
    EXPECT_TRUE(m_Driver.Messages()[0].contains(QStringLiteral("Character Width - X Offset")));
    EXPECT_TRUE(m_Driver.Messages()[1].contains(QStringLiteral("must not be negative")));
}
