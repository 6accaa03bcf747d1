#include <windows.h>

#include "terminal_width.h"

std::optional<int> TerminalColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info))
        return std::nullopt;
    // The visible window, not the buffer, which may be far wider.
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    if (columns <= 0)
        return std::nullopt;
    return columns;
}
