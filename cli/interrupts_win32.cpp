#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "interrupts.h"

namespace {

void (*g_handler)() = nullptr;

// Ctrl-C, Ctrl-Break and closing the console window. After a close the
// system ends the process once the handler returns, or about 5 s later:
// the handler waits, so that the job can stop, close the port and write its
// log before that.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    g_handler();
    if (event == CTRL_CLOSE_EVENT)
        Sleep(INFINITE);
    return TRUE;
}

}  // namespace

void CatchInterrupts(void (*handler)()) {
    g_handler = handler;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void IgnoreBrokenPipes() {
    // Windows raises no signal for a closed pipe: the write fails and the
    // output is dropped.
}
