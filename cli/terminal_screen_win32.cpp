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

std::optional<int> StandardOutputColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info))
        return std::nullopt;
    // The visible window, not the buffer, which may be far wider.
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    if (columns <= 0)
        return std::nullopt;
    return columns;
}
