// The command frame: a 12-byte header with two XOR checks, then the data.
//   0: 0x03  1: 0xFF command / 0xFE reply  2-3: command  4-7: parameter
//   8-9: data length  10: XOR of bytes 0-9  11: XOR of the data  12..: data
// Multi-byte fields are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr uint8_t kFrameStart = 0x03;
constexpr uint8_t kCommandMark = 0xFF;
constexpr uint8_t kReplyMark = 0xFE;
constexpr int kFrameHeaderSize = 12;
constexpr int kFrameBufferSize = 1024;
constexpr int kMaxCommandData = kFrameBufferSize - kFrameHeaderSize;  // 1012
constexpr int kReceiveBufferSize = 2048;
// A wait gives up hunting once it has consumed more than this many bytes.
constexpr int kReceiveCap = 2000;

uint8_t XorBytes(const uint8_t* bytes, size_t count);

// A command frame; `length` is the data count and must be at most
// kMaxCommandData (callers check).
std::vector<uint8_t> BuildCommandFrame(uint16_t command, uint32_t parameter, const uint8_t* data,
                                       int length);

// A reply frame with valid checks, as the printer sends it.
std::vector<uint8_t> BuildReplyFrame(uint16_t command, uint32_t parameter, const uint8_t* data,
                                     int length);

inline uint16_t FrameU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t FrameU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
