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
}
