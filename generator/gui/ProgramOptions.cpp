#include "ProgramOptions.h"

#include <cstdio>
#include <string_view>

namespace {

const char* const kHelp =
    "Usage: glyphmill\n"
    "\n"
    "The GLF File Generation Program. It renders the characters 0..255 (Windows-1251) of an\n"
    "installed font into glyph cells and writes them as a GLF glyph font (\"Char Images File\",\n"
    "*.GLF), the font Recognize draws and reads texts with. \"Select Font\" chooses the font\n"
    "(\"Arial\", bold, 70 pixels at the start), \"Options\" the range of codes and the cell\n"
    "window (\"Autocalc chars layout\" measures it from the font), \"Inclusions\" the classes of\n"
    "characters kept; \"Previouse\" and \"Next\" step through the codes, and \"Save this character\n"
    "in file\" drops or keeps the one shown. \"Save as GLF\" writes the file, by convention into\n"
    "the folder Fonts below the working directory. glyphmill-cli does the same from scripts.\n"
    "\n"
    "Options:\n"
    "  --help     show this help and exit\n"
    "  --version  show the version and exit\n"
    "  Qt's own options are taken too, such as -platform NAME, -style NAME and -display X.\n"
    "\n"
    "Exit status: 0.\n";

}  // namespace

std::optional<int> HandleInfoOptions(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (argument == "--version") {
            std::puts("glyphmill 1.0");
            return 0;
        }
    }
    return std::nullopt;
}
