#include "firmware_check.h"

#include <cstdio>

namespace {

uint32_t LittleEndian32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void PutLittleEndian32(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t WordSum(std::span<const uint8_t> image) {
    uint32_t sum = 0;
    for (size_t i = 0; i + 4 <= image.size(); i += 4)
        sum += LittleEndian32(image.data() + i);
    return sum;
}

constexpr size_t kSealWordOffset = 8;

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
    const uint32_t sum = WordSum(image);
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

void SealFirmwareImage(std::span<uint8_t> image) {
    if (image.size() < kSealWordOffset + 4)
        return;
    PutLittleEndian32(image.data() + kFirmwareLengthOffset, static_cast<uint32_t>(image.size()));
    PutLittleEndian32(image.data() + kSealWordOffset, 0);
    PutLittleEndian32(image.data() + kSealWordOffset, 0u - WordSum(image));
}
