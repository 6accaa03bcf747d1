#include "frame.h"

uint8_t XorBytes(const uint8_t* bytes, size_t count) {
    uint8_t x = 0;
    for (size_t i = 0; i < count; ++i)
        x ^= bytes[i];
    return x;
}

static std::vector<uint8_t> BuildFrame(uint8_t mark, uint16_t command, uint32_t parameter,
                                       const uint8_t* data, int length) {
    const size_t n = length > 0 ? static_cast<size_t>(length) : 0;
    std::vector<uint8_t> frame(kFrameHeaderSize + n);
    frame[0] = kFrameStart;
    frame[1] = mark;
    frame[2] = static_cast<uint8_t>(command);
    frame[3] = static_cast<uint8_t>(command >> 8);
    for (int i = 0; i < 4; ++i)
        frame[4 + i] = static_cast<uint8_t>(parameter >> (8 * i));
    frame[8] = static_cast<uint8_t>(n);
    frame[9] = static_cast<uint8_t>(n >> 8);
    frame[10] = XorBytes(frame.data(), 10);
    frame[11] = 0;
    if (n > 0) {
        for (size_t i = 0; i < n; ++i)
            frame[kFrameHeaderSize + i] = data[i];
        frame[11] = XorBytes(data, n);
    }
    return frame;
}

std::vector<uint8_t> BuildCommandFrame(uint16_t command, uint32_t parameter, const uint8_t* data,
                                       int length) {
    return BuildFrame(kCommandMark, command, parameter, data, length);
}

std::vector<uint8_t> BuildReplyFrame(uint16_t command, uint32_t parameter, const uint8_t* data,
                                     int length) {
    return BuildFrame(kReplyMark, command, parameter, data, length);
}
