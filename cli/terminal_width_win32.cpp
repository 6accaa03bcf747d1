#include <windows.h>

#include "terminal_width.h"

namespace {

std::optional<int> ColumnsOf(DWORD handle) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(GetStdHandle(handle), &info))
        return std::nullopt;
    // The visible window, not the buffer, which may be far wider.
    const int columns = info.srWindow.Right - info.srWindow.Left + 1;
    if (columns <= 0)
        return std::nullopt;
    return columns;
}

}  // namespace

std::optional<int> TerminalColumns() {
    return ColumnsOf(STD_ERROR_HANDLE);
}

std::optional<int> StandardOutputColumns() {
    return ColumnsOf(STD_OUTPUT_HANDLE);
}
