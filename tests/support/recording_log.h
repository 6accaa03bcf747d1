// A link log that keeps its lines for the test to read, with a fixed time.
#pragma once

#include "debug_log.h"

inline LogTime FixedLogTime() {
    LogTime t;
    t.year = 2026;
    t.month = 12;
    t.day = 8;
    t.hour = 9;
    t.minute = 5;
    t.second = 7;
    t.millisecond = 42;
    return t;
}

class RecordingLog : public DebugLog {
  public:
    RecordingLog() : DebugLog(FixedLogTime) {}
};
