#include <sys/ioctl.h>
#include <unistd.h>

#include "terminal_width.h"

std::optional<int> TerminalColumns() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0)
        return std::nullopt;
    return static_cast<int>(size.ws_col);
}
