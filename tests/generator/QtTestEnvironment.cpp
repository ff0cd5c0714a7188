#include "QtTestEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class CQtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "glyphmill-tests";
        static char* argv[] = {name, nullptr};
        m_pApp = new QApplication(argc, argv);
    }
    void TearDown() override
    {
        delete m_pApp;
        m_pApp = nullptr;
    }

private:
    QApplication* m_pApp = nullptr;
};

[[maybe_unused]] ::testing::Environment* const g_pQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new CQtEnvironment);

} // namespace

QString MakeTempFolder()
{
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/glyphmill-test-XXXXXX"));
    dir.setAutoRemove(false);
    return dir.path();
}
