// The first status panel's text while a transfer runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// "Finished: 50.0%(5/10)": tenths of a percent (at most 100.0), then the
// whole 256-byte blocks done and in total. Nothing when `total` is 0.
std::optional<std::string> ProgressText(int32_t done, int32_t total);
