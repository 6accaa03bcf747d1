// The window's and the command line's texts turned into the printer's bytes
// (ToPrinterBytes), and the setting payloads that carry them.
//
// Input: the text for one field; for the payloads, the first NUL byte (if
// any) separates the two texts of a payload.
//
// What must hold: accepted bytes, written as UTF-8 again, are the text
// itself, hold no zero and are never more than the text; a refused text gets
// a message that names its field; every Latin-1 text comes back as itself;
// a payload holds exactly the texts' bytes and its zeros, or is refused
// whole, and never outgrows a frame.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "printer_text.h"
#include "setting_packers.h"

namespace {

std::string Utf8FromLatin1(const std::vector<uint8_t>& bytes) {
    std::string text;
    for (const uint8_t b : bytes) {
        if (b < 0x80) {
            text += static_cast<char>(b);
        } else {
            text += static_cast<char>(0xC0 | (b >> 6));
            text += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return text;
}

std::vector<uint8_t> Bytes(std::string_view text) {
    const PrinterText converted = ToPrinterBytes(text, "FIELD");
    FUZZ_CHECK(converted.bytes.has_value() == converted.error.empty());
    if (!converted.bytes) {
        FUZZ_CHECK(converted.error.rfind("FIELD: ", 0) == 0);
        return {};
    }
    return *converted.bytes;
}

void CheckPayload(const PackResult& packed, const std::vector<std::vector<uint8_t>>& parts,
                  bool closingZeroCounted) {
    FUZZ_CHECK(packed.payload.has_value() == packed.error.empty());
    if (!packed.payload)
        return;
    const SettingPayload& p = *packed.payload;
    FUZZ_CHECK(p.Length <= kMaxSettingLength);
    std::vector<uint8_t> expected;
    for (const auto& part : parts) {
        expected.insert(expected.end(), part.begin(), part.end());
        expected.push_back(0);
    }
    if (!closingZeroCounted)
        expected.pop_back();
    FUZZ_CHECK(p.Length == expected.size());
    FUZZ_CHECK(std::memcmp(p.Data.data(), expected.data(), expected.size()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const PrinterText converted = ToPrinterBytes(text, "FIELD");
    Bytes(text);
    if (converted.bytes) {
        const std::vector<uint8_t>& bytes = *converted.bytes;
        FUZZ_CHECK(bytes.size() <= size);
        FUZZ_CHECK(Utf8FromLatin1(bytes) == text);
        for (const uint8_t b : bytes)
            FUZZ_CHECK(b != 0);
    }

    // The input's bytes taken as Latin-1 characters come back unchanged.
    std::vector<uint8_t> latin1;
    for (const uint8_t b : text)
        latin1.push_back(b == 0 ? '0' : b);
    const PrinterText back = ToPrinterBytes(Utf8FromLatin1(latin1), "FIELD");
    FUZZ_CHECK(back.bytes && *back.bytes == latin1);

    const size_t split = text.find('\0');
    const std::string_view first = text.substr(0, split);
    const std::string_view second =
        split == std::string_view::npos ? std::string_view() : text.substr(split + 1);

    const bool bothConvert = ToPrinterBytes(first, "A").bytes && ToPrinterBytes(second, "B").bytes;
    const PackResult bluetooth = PackBluetooth({std::string(first), std::string(second)});
    CheckPayload(bluetooth, {Bytes(first), Bytes(second)}, true);
    if (bothConvert && first.size() + second.size() + 2 <= kMaxSettingLength)
        FUZZ_CHECK(bluetooth.payload.has_value());

    const PackResult factory = PackFactory({std::string(first), std::string(second)});
    CheckPayload(factory, {Bytes(TrimBlanks(first)), Bytes(TrimBlanks(second))}, false);
    if (factory.payload)
        FUZZ_CHECK(factory.payload->Data[factory.payload->Length] == 0);
    return 0;
}
