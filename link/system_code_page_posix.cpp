#include "system_code_page.h"

#include "utf8_decode.h"

std::optional<std::string> CodePageToUtf8(const std::string& bytes) {
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text.push_back(c);
        } else {
            text.push_back(static_cast<char>(0xC0 | byte >> 6));
            text.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return text;
}

std::optional<std::string> Utf8ToCodePage(const std::string& text) {
    const std::optional<std::u32string> decoded = DecodeUtf8(text);
    if (!decoded)
        return std::nullopt;
    std::string bytes;
    for (const char32_t c : *decoded) {
        if (c > 0xFF)
            return std::nullopt;
        bytes.push_back(static_cast<char>(c));
    }
    return bytes;
}
