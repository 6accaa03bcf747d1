// The Factory tab's "+" button: the serial number text, trimmed and read as a
// signed 64-bit integer, plus one, written back in decimal. The largest value
// steps to the smallest.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The stepped text, or nothing when `serialNo` is not an integer; the field
// then keeps its text and no message is shown.
std::optional<std::string> StepSerialNumber(std::string_view serialNo);
