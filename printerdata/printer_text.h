// Texts on their way into a payload: blanks trimmed off form fields, and the
// window's UTF-8 turned into the printer's one byte per character (Latin-1).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Space, \t, \n, \v, \f or \r.
inline bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// `text` without leading and trailing blanks.
std::string_view TrimBlanks(std::string_view text);

struct PrinterText {
    std::optional<std::vector<uint8_t>> bytes;  // one byte per character
    std::string error;                          // set when bytes is empty
};

// The Latin-1 bytes of UTF-8 `text`. Malformed UTF-8, a character above
// U+00FF, and U+0000 (which would end the text early inside a payload) are
// refused with a message that starts with `field` and names the character.
PrinterText ToPrinterBytes(std::string_view text, std::string_view field);
