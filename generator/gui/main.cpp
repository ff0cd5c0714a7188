// Glyphmill: the dialog program that writes GLF glyph fonts from installed fonts.
#include "CGlyphmillDlg.h"
#include "DisplayCheck.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    ExitUnlessDisplay("glyphmill", "glyphmill-cli writes GLF fonts on the command line");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Glyphmill"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    CGlyphmillDlg dialog;
    dialog.exec();
    return 0;
}
