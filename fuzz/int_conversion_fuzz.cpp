// The one text-to-integer conversion (ParseInt32, ParseInt64 and the
// throwing forms) over any text.
//
// What must hold: the 32-bit and 64-bit forms agree wherever both accept;
// every integer written in decimal or in either hexadecimal form reads back
// as itself; a blank after the digits is refused and blanks before them
// change nothing; the throwing forms throw exactly when the others refuse,
// with the message that quotes the text.
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "int_conversion.h"

namespace {

bool IsHexForm(std::string_view text) {
    return text.find('$') != std::string_view::npos || text.find("0x") != std::string_view::npos ||
           text.find("0X") != std::string_view::npos;
}

void CheckText(std::string_view text) {
    const auto p32 = ParseInt32(text);
    const auto p64 = ParseInt64(text);
    if (p32) {
        FUZZ_CHECK(p64.has_value());
        FUZZ_CHECK(static_cast<int32_t>(*p64) == *p32);
        FUZZ_CHECK(*p64 >= std::numeric_limits<int32_t>::min() &&
                   *p64 <= int64_t{std::numeric_limits<uint32_t>::max()});
        FUZZ_CHECK(!ParseInt32(std::string(text) + " ").has_value());
        FUZZ_CHECK(ParseInt32(" \t" + std::string(text)) == p32);
    }
    if (p64 && !IsHexForm(text) && *p64 >= std::numeric_limits<int32_t>::min() &&
        *p64 <= std::numeric_limits<int32_t>::max())
        FUZZ_CHECK(p32 == static_cast<int32_t>(*p64));

    bool threw = false;
    try {
        FUZZ_CHECK(ToInt32(text) == p32);
    } catch (const InvalidInteger& e) {
        threw = true;
        FUZZ_CHECK(e.text() == text);
        FUZZ_CHECK(std::string(e.what()) == InvalidIntegerMessage(text));
    }
    FUZZ_CHECK(threw == !p32.has_value());
    threw = false;
    try {
        FUZZ_CHECK(ToInt64(text) == p64);
    } catch (const InvalidInteger&) {
        threw = true;
    }
    FUZZ_CHECK(threw == !p64.has_value());
}

void CheckWritten(int64_t value) {
    char text[48];
    const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : value;
    std::snprintf(text, sizeof text, "%" PRId64, value);
    FUZZ_CHECK(ParseInt64(text) == value);
    std::snprintf(text, sizeof text, "$%" PRIX64, static_cast<uint64_t>(value));
    FUZZ_CHECK(ParseInt64(text) == value);
    std::snprintf(text, sizeof text, "%s0x%" PRIx64, value < 0 ? "-" : "+", magnitude);
    FUZZ_CHECK(ParseInt64(text) == value);

    const auto v32 = static_cast<int32_t>(value);
    std::snprintf(text, sizeof text, "%" PRId32, v32);
    FUZZ_CHECK(ParseInt32(text) == v32);
    std::snprintf(text, sizeof text, "0X%08" PRIX32, static_cast<uint32_t>(v32));
    FUZZ_CHECK(ParseInt32(text) == v32);
    // One past the range is refused, never wrapped.
    if (value > std::numeric_limits<int32_t>::max()) {
        std::snprintf(text, sizeof text, "%" PRId64, value);
        FUZZ_CHECK(!ParseInt32(text).has_value());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckText(text);
    if (size >= 8) {
        int64_t value = 0;
        std::memcpy(&value, data, sizeof value);
        CheckWritten(value);
    }
    return 0;
}
