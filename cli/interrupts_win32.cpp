#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "interrupts.h"

namespace {

void (*g_handler)() = nullptr;

// Ctrl-C and Ctrl-Break; closing the console window is left to the system.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    g_handler();
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
