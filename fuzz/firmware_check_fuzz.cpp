// The firmware image check over any file.
//
// What must hold: the verdict follows the rules in their order (too short,
// the stated length, the word sum) and its figures are the image's own; a
// sound image has no reason and a refused one has; sealing an image of 256
// bytes or more always makes it sound, and changing one byte of a sound
// image's counted words always spoils it.
#include <cstdint>
#include <span>
#include <vector>

#include "firmware_check.h"
#include "fuzz_check.h"

namespace {

uint32_t Word(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> image(data, size);
    const FirmwareCheckResult result = CheckFirmwareImage(image);
    FUZZ_CHECK(result.size == size);
    FUZZ_CHECK(result.Sound() == result.reason.empty());
    if (size < kFirmwareMinimumSize) {
        FUZZ_CHECK(result.verdict == FirmwareVerdict::TooShort);
    } else {
        FUZZ_CHECK(result.statedLength == Word(data + kFirmwareLengthOffset));
        if (result.statedLength != size) {
            FUZZ_CHECK(result.verdict == FirmwareVerdict::LengthMismatch);
        } else {
            uint32_t sum = 0;
            for (size_t i = 0; i + 4 <= size; i += 4)
                sum += Word(data + i);
            FUZZ_CHECK(result.sum == sum);
            FUZZ_CHECK(result.Sound() == (sum == 0));
            FUZZ_CHECK(result.Sound() || result.verdict == FirmwareVerdict::BadSum);
        }
    }

    // The same bytes sealed; a seal over too short an image is not sound.
    std::vector<uint8_t> sealed(data, data + size);
    SealFirmwareImage(sealed);
    const FirmwareCheckResult after = CheckFirmwareImage(sealed);
    FUZZ_CHECK(after.Sound() == (size >= kFirmwareMinimumSize));
    if (after.Sound()) {
        // One byte changed within the counted words, never the length field.
        const size_t words = size / 4 * 4;
        const size_t at = 8 + (data[size - 1] % (words - 8));
        sealed[at] ^= static_cast<uint8_t>(1 + data[0] % 255);
        FUZZ_CHECK(!CheckFirmwareImage(sealed).Sound());
    }
    return 0;
}
