// How wide the terminal is that progress is drawn on (standard error).
#pragma once

#include <optional>

// Its columns now (it may be resized between two calls); nothing when
// standard error is no terminal or the terminal does not say.
std::optional<int> TerminalColumns();
// The same for standard output, where the station draws its screen.
std::optional<int> StandardOutputColumns();

// TerminalColumns(), or the width a terminal has when it says nothing.
inline int TerminalColumnsOr80() {
    return TerminalColumns().value_or(80);
}
