#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "terminal_screen.h"

TerminalScreen StandardOutputScreen() {
    const char* term = std::getenv("TERM");
    TerminalScreen screen;
    screen.inPlace = isatty(STDOUT_FILENO) != 0 && term && *term && std::strcmp(term, "dumb") != 0;
    screen.colour = screen.inPlace && !std::getenv("NO_COLOR");
    return screen;
}
