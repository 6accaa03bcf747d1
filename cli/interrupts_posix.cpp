#include <signal.h>

#include "interrupts.h"

namespace {

void (*g_handler)() = nullptr;

void OnSignal(int) {
    g_handler();
}

}  // namespace

void CatchInterrupts(void (*handler)()) {
    g_handler = handler;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A terminal that goes away asks the job to stop like SIGTERM does.
    sigaction(SIGHUP, &action, nullptr);
}

void IgnoreBrokenPipes() {
    // A reader that went away (`| head`) must not end the program in the
    // middle of a transfer: the write fails, the output is dropped, and the
    // job ends as it would have, its debug log written.
    signal(SIGPIPE, SIG_IGN);
}
