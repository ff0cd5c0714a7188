// recognize-cli: the recognition document on the command line.
#include "CliCommon.h"
#include "Commands.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

// The help of the program: its usage, one line per command of the table, and the options.
std::string Usage() {
    std::size_t width = 9;
    for (const CliCommand& command : kCliCommands)
        width = std::max(width, command.name.size() + 2);
    std::string usage =
        "Usage: recognize-cli COMMAND [OPTIONS]\n"
        "\n"
        "Commands:\n";
    for (const CliCommand& command : kCliCommands) {
        usage += "  ";
        usage += command.name;
        usage.append(width - command.name.size(), ' ');
        usage += command.summary;
        usage += '\n';
    }
    usage +=
        "\n"
        "Options:\n"
        "  --help     show this help (COMMAND --help shows the command's own)\n"
        "  --version  show the version\n"
        "\n"
        "Texts are UTF-8; documents and fonts hold them in the code page Windows-1251.\n"
        "Exit status: 0 success, 1 the work could not be done, 2 bad usage or unreadable input.\n";
    return usage;
}

// The command of that name, or nullptr.
const CliCommand* FindCommand(std::string_view name) {
    for (const CliCommand& command : kCliCommands)
        if (command.name == name)
            return &command;
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs(Usage().c_str(), stderr);
        return kExitUsage;
    }
    std::string_view name = argv[1];
    if (name == "--help" || name == "-h") {
        std::fputs(Usage().c_str(), stdout);
        return kExitSuccess;
    }
    if (name == "--version") {
        std::printf("%s\n", VersionText().c_str());
        return kExitSuccess;
    }
    if (const CliCommand* command = FindCommand(name))
        return command->run(argc - 2, argv + 2);
    PrintError("unknown command '" + std::string(name) + "'\nTry 'recognize-cli --help'.");
    return kExitUsage;
}
