#include "firmware_check.h"

#include <cstdio>

namespace {

uint32_t LittleEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

FirmwareCheckResult CheckFirmwareImage(std::span<const uint8_t> image) {
    FirmwareCheckResult result;
    result.size = image.size();
    if (image.size() < kFirmwareMinimumSize) {
        result.verdict = FirmwareVerdict::TooShort;
        result.reason = "the image has " + std::to_string(image.size()) +
                        " bytes, fewer than the " + std::to_string(kFirmwareMinimumSize) +
                        " an image needs";
        return result;
    }
    result.statedLength = LittleEndian32(image.data() + kFirmwareLengthOffset);
    // A length of 2^32 or more can never be stated, so never matches.
    if (static_cast<uint64_t>(result.statedLength) != result.size) {
        result.verdict = FirmwareVerdict::LengthMismatch;
        result.reason = "the image states a length of " + std::to_string(result.statedLength) +
                        " bytes but has " + std::to_string(result.size);
        return result;
    }
    uint32_t sum = 0;
    const size_t words = image.size() / 4;
    for (size_t i = 0; i < words; ++i)
        sum += LittleEndian32(image.data() + 4 * i);
    result.sum = sum;
    if (sum != 0) {
        char text[80];
        std::snprintf(text, sizeof text, "the image's words add up to 0x%08X instead of 0",
                      static_cast<unsigned>(sum));
        result.verdict = FirmwareVerdict::BadSum;
        result.reason = text;
    }
    return result;
}
