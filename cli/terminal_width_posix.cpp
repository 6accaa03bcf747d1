#include <sys/ioctl.h>
#include <unistd.h>

#include "terminal_width.h"

namespace {

std::optional<int> ColumnsOf(int fd) {
    winsize size{};
    if (ioctl(fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0)
        return std::nullopt;
    return static_cast<int>(size.ws_col);
}

}  // namespace

std::optional<int> TerminalColumns() {
    return ColumnsOf(STDERR_FILENO);
}

std::optional<int> StandardOutputColumns() {
    return ColumnsOf(STDOUT_FILENO);
}
