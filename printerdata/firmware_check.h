// The firmware image check: an image is at least 256 bytes long, states its
// own length as a 32-bit little-endian value at offset 4, and its complete
// 32-bit little-endian words add up to 0 modulo 2^32 (the last length mod 4
// bytes of an image are not part of the sum).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

constexpr size_t kFirmwareMinimumSize = 256;
constexpr size_t kFirmwareLengthOffset = 4;

enum class FirmwareVerdict {
    Sound,
    TooShort,        // fewer than 256 bytes
    LengthMismatch,  // the stated length is not the image's length
    BadSum,          // the words do not add up to 0
};

struct FirmwareCheckResult {
    FirmwareVerdict verdict = FirmwareVerdict::Sound;
    uint64_t size = 0;          // the image's length in bytes
    uint32_t statedLength = 0;  // the value at offset 4 (0 when too short to hold it)
    uint32_t sum = 0;           // the word sum (only computed when the length matched)
    std::string reason;         // plain words; empty when sound

    bool Sound() const { return verdict == FirmwareVerdict::Sound; }
};

// Checks the rules in order and stops at the first that fails.
FirmwareCheckResult CheckFirmwareImage(std::span<const uint8_t> image);

// Turns `image` (at least 12 bytes) into one that passes the check when it is
// long enough: writes its length at offset 4 and sets the word at offset 8
// so that all words add up to 0. For sample images and tests.
void SealFirmwareImage(std::span<uint8_t> image);
