// The one conversion from text to integer, used wherever a text becomes a
// number: rates, numeric fields, configuration values, download lists and the
// command line.
//
// Accepted: leading blanks (space, \t, \n, \v, \f, \r), an optional "+" or
// "-", then decimal digits, or hexadecimal digits (either case) after "$",
// "0x" or "0X". Nothing may follow the digits, not even a blank. The sign
// comes before the prefix: "-$10" is -16, "$-10" is refused.
//
// Range: a decimal value, or a hexadecimal one with a "-", must fit the
// signed type. Hexadecimal without "-" may use the full unsigned width and
// gives that bit pattern, so "$FFFFFFFF" is -1 and "$80000000" is INT32_MIN
// as 32-bit values; this is how addresses and parameters such as 0xFFFFFFFF
// are written. Anything larger is refused, never wrapped.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

std::optional<int32_t> ParseInt32(std::string_view text);
std::optional<int64_t> ParseInt64(std::string_view text);

// "'<text>'", with each control byte written as \xNN: how messages quote a
// value they refuse.
std::string QuotedText(std::string_view text);

// "'<text>' is not a valid integer value", the text as converted and quoted.
std::string InvalidIntegerMessage(std::string_view text);

// Raised by ToInt32 and ToInt64; what() is InvalidIntegerMessage(text()).
class InvalidInteger : public std::runtime_error {
  public:
    explicit InvalidInteger(std::string_view text);
    const std::string& text() const { return text_; }

  private:
    std::string text_;
};

// The same conversions for callers that let a failure travel as an exception
// (the worker's jobs, the command line): they throw InvalidInteger.
int32_t ToInt32(std::string_view text);
int64_t ToInt64(std::string_view text);
