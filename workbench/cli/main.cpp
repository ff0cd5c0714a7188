// recognize-cli: the recognition document on the command line.
#include "CliCommon.h"
#include "Commands.h"

#include <cstdio>
#include <string_view>

namespace {

const char* const kUsage =
    "Usage: recognize-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  new      make a new recognition document (.rdf)\n"
    "  info     print the stored fields of a document as JSON\n"
    "  render   draw a text with a glyph font and save the picture as .BMP\n"
    "  read     recognise the text of a document or picture\n"
    "  noise    add noise to a .BMP picture as \"Add Noise...\" does\n"
    "  eval     measure Simple and Complex recognition over a corpus of noisy lines\n"
    "  page     read the lines of a picture (a screenshot) written in a known glyph font\n"
    "\n"
    "Options:\n"
    "  --help     show this help (COMMAND --help shows the command's own)\n"
    "  --version  show the version\n"
    "\n"
    "Texts are UTF-8; documents and fonts hold them in the code page Windows-1251.\n"
    "Exit status: 0 success, 1 the work could not be done, 2 bad usage or unreadable input.\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    std::string_view command = argv[1];
    int restCount = argc - 2;
    char** rest = argv + 2;
    if (command == "--help" || command == "-h") {
        std::fputs(kUsage, stdout);
        return kExitSuccess;
    }
    if (command == "--version") {
        std::printf("%s\n", VersionText().c_str());
        return kExitSuccess;
    }
    if (command == "new")
        return RunNewCommand(restCount, rest);
    if (command == "info")
        return RunInfoCommand(restCount, rest);
    if (command == "render")
        return RunRenderCommand(restCount, rest);
    if (command == "read")
        return RunReadCommand(restCount, rest);
    if (command == "noise")
        return RunNoiseCommand(restCount, rest);
    if (command == "eval")
        return RunEvalCommand(restCount, rest);
    if (command == "page")
        return RunPageCommand(restCount, rest);
    PrintError("unknown command '" + std::string(command) + "'\nTry 'recognize-cli --help'.");
    return kExitUsage;
}
