#include "ProgramOptions.h"

#include <cstdio>
#include <string_view>

#ifndef RECOGNIZE_VERSION
#define RECOGNIZE_VERSION "unknown"
#endif

namespace {

const char* const kHelp =
    "Usage: recognize [--capture] [FILE.rdf | PICTURE]...\n"
    "\n"
    "The Text Recognition Demo Program. Type a line of text with \"Set text...\"; it is drawn\n"
    "with the document's glyph font into a picture. Spoil the picture with the mouse (left\n"
    "button black, right button white) or replace it with \"Load Bitmap...\", then read the\n"
    "text back by cell matching, \"Recognize (Simple)\", or by the words of the dictionary,\n"
    "\"Recognize (Complex)\". Documents are saved as .rdf files.\n"
    "\n"
    "Each recognition document or picture (PNG, JPEG, BMP, PNM ...) named on the command line\n"
    "opens in its own window; one that cannot be opened is reported and the others still\n"
    "open. A picture is read as a page with \"Read Page\" and its text copied with \"Copy\n"
    "Text\" (Page menu). Without a file name the program starts with a new document, which\n"
    "takes the glyph font Fonts/default.GLF and the word list dict.dic from the working\n"
    "directory, or else those installed with the program. Dropped on the main window, .rdf\n"
    "files and pictures open; dropped on a document window, a .BMP picture loads as \"Load\n"
    "Bitmap...\" loads it and a .GLF font as \"Load Font...\" does.\n"
    "\n"
    "Options:\n"
    "  --capture  start with \"Read Screen Region...\": drag a rectangle over the screen; its\n"
    "             text is read into a new document and copied to the clipboard (Esc cancels\n"
    "             and, when nothing else was opened, ends the program)\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "  --         the arguments that follow are file names\n"
    "  Qt's own options are taken too, such as -platform NAME, -style NAME and -display X.\n"
    "\n"
    "Exit status: 0 when the main window was closed, 1 when no file named on the command line\n"
    "could be opened.\n";

}  // namespace

std::optional<int> HandleInfoOptions(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--")
            break;
        if (argument == "--help" || argument == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (argument == "--version") {
            std::printf("recognize %s\n", RECOGNIZE_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}
