#include "CGlyphmillDlg.h"
#include "CSaveGlfDlg.h"
#include "ModalDriver.h"
#include "QtTestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

    QString m_strOldCurrent;
    QString m_strFolder;
    QString m_strCurrent;
};

} // namespace

TEST_F(SaveGlf, WritesTheFontInTheFontsFolderAndKeepsTheWorkingDirectory)
{
    CModalDriver driver;
    CGlyphmillDlg dialog;
    QString askedFolder;
    QString askedName;
    dialog.SetSaveFileNameProvider([&](const QString& folder, const QString& name) {
        askedFolder = folder;
        askedName = name;
        return QDir(folder).filePath(name);
    });
    driver.LetRun();
    dialog.OnSaveAsGlf();
    EXPECT_EQ(QFileInfo(askedFolder).canonicalFilePath(), QFileInfo(FontsPath(QString())).canonicalFilePath());
    EXPECT_EQ(askedName, QStringLiteral("Arial.GLF"));
    EXPECT_EQ(QFileInfo(FontsPath(QStringLiteral("Arial.GLF"))).size(), 184844);
    EXPECT_EQ(QDir::currentPath(), m_strCurrent);
    EXPECT_TRUE(driver.Messages().isEmpty()) << driver.Messages().join(QLatin1Char('|')).toStdString();

    // Without a Fonts folder the dialog starts in the working directory; cancelling writes nothing.
    QDir(FontsPath(QString())).removeRecursively();
    dialog.SetSaveFileNameProvider([&](const QString& folder, const QString&) {
        askedFolder = folder;
        return QString();
    });
    dialog.OnSaveAsGlf();
    EXPECT_EQ(QFileInfo(askedFolder).canonicalFilePath(), QFileInfo(m_strCurrent).canonicalFilePath());
    EXPECT_EQ(QDir::currentPath(), m_strCurrent);
    EXPECT_EQ(QDir(m_strCurrent).entryList(QDir::Files).size(), 0);
}

TEST_F(SaveGlf, CancelBeforeTheTimerWritesNothing)
{
    const GeneratorSettings settings;
    const QString fresh = FontsPath(QStringLiteral("fresh.GLF"));
    const QString old = FontsPath(QStringLiteral("old.GLF"));
    WriteText(old, "previous");
    for (const QString& path : {fresh, old}) {
        CSaveGlfDlg saving(path, settings);
        EXPECT_EQ(saving.windowTitle(), QStringLiteral("Saving .GLF file"));
        QTimer::singleShot(0, &saving, [&saving] { saving.reject(); });
        saving.exec();
        EXPECT_FALSE(saving.WorkStarted());
        EXPECT_FALSE(saving.Written());
    }
    // Give a timer that might still be armed the time to fire.
    for (int i = 0; i < 10; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_FALSE(QFileInfo::exists(fresh));
    EXPECT_EQ(ReadAll(old), QByteArray("previous"));
}

TEST_F(SaveGlf, FailedWriteSaysSoAndKeepsTheOldFile)
{
    CModalDriver driver;
    CGlyphmillDlg dialog;
    const QString path = FontsPath(QStringLiteral("Arial.GLF"));
    WriteText(path, "previous");
    dialog.SetSaveFileNameProvider([&path](const QString&, const QString&) { return path; });

    // The file-size limit makes the write fail part-way, as a full disk would.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    driver.LetRun();
    dialog.OnSaveAsGlf();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    ASSERT_EQ(driver.Messages().size(), 1);
    EXPECT_TRUE(driver.Messages().first().contains(QStringLiteral("could not be written"))) << driver.Messages().first().toStdString();
    EXPECT_EQ(ReadAll(path), QByteArray("previous"));
    EXPECT_EQ(QDir(FontsPath(QString())).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // A folder that does not exist is reported the same way.
    const QString missing = FontsPath(QStringLiteral("missing/x.GLF"));
    dialog.SetSaveFileNameProvider([&missing](const QString&, const QString&) { return missing; });
    driver.LetRun();
    dialog.OnSaveAsGlf();
    EXPECT_EQ(driver.Messages().size(), 2);
    EXPECT_EQ(QDir::currentPath(), m_strCurrent);
}

TEST_F(SaveGlf, CellWindowsAReaderCannotFollowAreRefused)
{
    CModalDriver driver;
    CGlyphmillDlg dialog;
    bool asked = false;
    dialog.SetSaveFileNameProvider([&asked](const QString&, const QString&) {
        asked = true;
        return QString();
    });
    dialog.Settings().m_nXOffset = 100;
    dialog.OnSaveAsGlf();
    dialog.Settings().m_nXOffset = 0;
    dialog.Settings().m_nYOffset = -4;
    dialog.OnSaveAsGlf();
    EXPECT_FALSE(asked);
    ASSERT_EQ(driver.Messages().size(), 2);
    EXPECT_TRUE(driver.Messages()[0].contains(QStringLiteral("Character Width - X Offset")));
    EXPECT_TRUE(driver.Messages()[1].contains(QStringLiteral("must not be negative")));
}
