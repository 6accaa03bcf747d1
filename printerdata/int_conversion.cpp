#include "int_conversion.h"

#include <cstdio>
#include <limits>
#include <type_traits>

#include "printer_text.h"

namespace {

int DigitValue(char c, unsigned base) {
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value >= 0 && static_cast<unsigned>(value) < base ? value : -1;
}

template <typename Signed>
std::optional<Signed> ParseSigned(std::string_view text) {
    using Unsigned = std::make_unsigned_t<Signed>;
    size_t at = 0;
    while (at < text.size() && IsBlank(text[at]))
        ++at;

    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }

    unsigned base = 10;
    if (at < text.size() && text[at] == '$') {
        base = 16;
        at += 1;
    } else if (text.size() - at >= 2 && text[at] == '0' &&
               (text[at + 1] == 'x' || text[at + 1] == 'X')) {
        base = 16;
        at += 2;
    }
    if (at == text.size())
        return std::nullopt;

    // The largest magnitude the form may reach.
    const Unsigned signedMax = static_cast<Unsigned>(std::numeric_limits<Signed>::max());
    Unsigned limit = signedMax;
    if (negative)
        limit = signedMax + 1;
    else if (base == 16)
        limit = std::numeric_limits<Unsigned>::max();

    Unsigned magnitude = 0;
    for (; at < text.size(); ++at) {
        const int digit = DigitValue(text[at], base);
        if (digit < 0)
            return std::nullopt;
        if (magnitude > (limit - static_cast<Unsigned>(digit)) / base)
            return std::nullopt;
        magnitude = magnitude * base + static_cast<Unsigned>(digit);
    }
    // Conversion to the signed type is modular, which yields both the
    // negative values and the hexadecimal bit patterns.
    return static_cast<Signed>(negative ? Unsigned{0} - magnitude : magnitude);
}

}  // namespace

std::optional<int32_t> ParseInt32(std::string_view text) {
    return ParseSigned<int32_t>(text);
}

std::optional<int64_t> ParseInt64(std::string_view text) {
    return ParseSigned<int64_t>(text);
}

std::string QuotedText(std::string_view text) {
    // A control byte is written as \xNN: a NUL would cut what() short, and
    // a line break or an escape would garble a terminal or a message box.
    std::string quoted = "'";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            quoted += escaped;
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

std::string InvalidIntegerMessage(std::string_view text) {
    return QuotedText(text) + " is not a valid integer value";
}

InvalidInteger::InvalidInteger(std::string_view text)
    : std::runtime_error(InvalidIntegerMessage(text)), text_(text) {}

int32_t ToInt32(std::string_view text) {
    if (const auto value = ParseInt32(text))
        return *value;
    throw InvalidInteger(text);
}

int64_t ToInt64(std::string_view text) {
    if (const auto value = ParseInt64(text))
        return *value;
    throw InvalidInteger(text);
}
