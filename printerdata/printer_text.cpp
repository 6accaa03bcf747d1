#include "printer_text.h"

#include <cstdio>

namespace {

std::string Describe(std::string_view field, std::string_view what) {
    return std::string(field) + ": " + std::string(what);
}

std::string CodePointName(uint32_t codePoint) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(codePoint));
    return name;
}

bool IsContinuation(uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

// Decodes one character at `at`; its size goes to `size`, 0 when the bytes
// there are not well-formed UTF-8 (overlong forms and surrogates included).
uint32_t DecodeUtf8(std::string_view text, size_t at, size_t& size) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[at + i]); };
    const uint8_t lead = byte(0);
    size = 0;
    if (lead < 0x80) {
        size = 1;
        return lead;
    }
    size_t count = 0;
    uint32_t codePoint = 0;
    uint8_t low = 0x80;  // allowed range of the second byte
    uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        count = 2;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        count = 3;
        codePoint = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        count = 4;
        codePoint = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() - at < count || byte(1) < low || byte(1) > high)
        return 0;
    for (size_t i = 1; i < count; ++i) {
        if (!IsContinuation(byte(i)))
            return 0;
        codePoint = (codePoint << 6) | (byte(i) & 0x3F);
    }
    size = count;
    return codePoint;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

PrinterText ToPrinterBytes(std::string_view text, std::string_view field) {
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        size_t size = 0;
        const uint32_t codePoint = DecodeUtf8(text, at, size);
        if (size == 0)
            return {std::nullopt, Describe(field, "the text is not valid UTF-8 (at byte " +
                                                      std::to_string(at + 1) + ")")};
        if (codePoint == 0)
            return {std::nullopt, Describe(field, "the character U+0000 would end the text early")};
        if (codePoint > 0xFF)
            return {std::nullopt,
                    Describe(field, "the character '" + std::string(text.substr(at, size)) + "' (" +
                                        CodePointName(codePoint) +
                                        ") has no one-byte form and cannot be sent")};
        bytes.push_back(static_cast<uint8_t>(codePoint));
        at += size;
    }
    return {std::move(bytes), {}};
}
