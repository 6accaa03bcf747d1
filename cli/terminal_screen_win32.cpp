#include <windows.h>

#include <cstdlib>

#include "terminal_screen.h"

TerminalScreen StandardOutputScreen() {
    TerminalScreen screen;
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    // A console since Windows 10 takes escape sequences once asked to; a
    // pipe, a file or an older console gets plain lines.
    if (out == INVALID_HANDLE_VALUE || !GetConsoleMode(out, &mode))
        return screen;
    if (!(mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) &&
        !SetConsoleMode(out, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING))
        return screen;
    screen.inPlace = true;
    screen.colour = !std::getenv("NO_COLOR");
    return screen;
}
