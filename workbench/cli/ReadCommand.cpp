#include "Commands.h"

#include <cstdio>

int RunReadCommand(int, char**) {
    std::fputs("recognize-cli: read is not available in this build\n", stderr);
    return 1;
}
