// Recognize: the text-recognition workbench on the desktop.
#include "CQtUserPrompts.h"
#include "CRecognizeApp.h"
#include "ProgramOptions.h"
#include "DisplayCheck.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    if (const std::optional<int> status = HandleInfoOptions(argc, argv))
        return *status;
    ExitUnlessDisplay("recognize", "recognize-cli does the work on the command line");
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    QApplication::setApplicationName(QStringLiteral("Recognize"));
    // Ties the windows to the installed desktop entry (its name and icon on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral(RECOGNIZE_DESKTOP_ID));
    // Without a desktop theme the toolbar takes its icons from Adwaita, then Qt's own.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));

    CQtUserPrompts prompts;
    CRecognizeApp app(prompts);
    if (!app.InitInstance(QApplication::arguments().mid(1)))
        return 1;
    return QApplication::exec();
}
