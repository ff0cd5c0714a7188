// Glyphmill: the dialog program that writes GLF glyph fonts from installed fonts.
#include "CGlyphmillDlg.h"
#include "ProgramOptions.h"
#include "DisplayCheck.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    if (const std::optional<int> status = HandleInfoOptions(argc, argv))
        return *status;
    ExitUnlessDisplay("glyphmill", "glyphmill-cli writes GLF fonts on the command line");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Glyphmill"));
    // Ties the windows to the installed desktop entry (its name and icon on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral(RECOGNIZE_DESKTOP_ID));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    CGlyphmillDlg dialog;
    dialog.exec();
    return 0;
}
