#include <windows.h>

#include "keep_awake.h"

// The state belongs to the calling thread, which runs the station to its end.
KeepAwake::KeepAwake(const std::string&) {
    if (SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) == 0)
        problem_ = "the machine may sleep while the station runs: Windows refused to keep it awake";
}

KeepAwake::~KeepAwake() {
    SetThreadExecutionState(ES_CONTINUOUS);
}
