// What standard output can do when it is a terminal: redraw lines in place
// (cursor movement) and show colour. The system calls live in
// terminal_screen_posix.cpp and terminal_screen_win32.cpp.
#pragma once

struct TerminalScreen {
    bool inPlace = false;  // lines can be redrawn: a terminal that takes escape sequences
    bool colour = false;   // and shows colour (not when NO_COLOR is set)
};

// Asks the console for escape sequences where it must be told (Windows).
TerminalScreen StandardOutputScreen();
