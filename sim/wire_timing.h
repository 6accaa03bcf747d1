// How bytes fare on a serial wire: the time they take, and what becomes of
// them when the two ends run at different rates.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

// Time that `count` bytes take at `rate` bit/s, 10 bits a byte (start, 8
// data, stop).
inline std::chrono::nanoseconds SimWireTime(size_t count, uint32_t rate) {
    if (rate == 0)
        return std::chrono::nanoseconds(0);
    return std::chrono::nanoseconds(static_cast<int64_t>(count) * 10 * 1'000'000'000 / rate);
}

// A byte sent at one rate and sampled at another: deterministic, never the
// byte itself and never a frame's start byte, so that nothing sent across a
// rate mismatch can pass for a frame.
inline uint8_t GarbleByte(uint8_t byte) {
    const uint8_t rotated = static_cast<uint8_t>((byte << 3) | (byte >> 5));
    const uint8_t garbled = static_cast<uint8_t>(rotated ^ 0x6B);
    return garbled == 0x03 ? 0xC3 : garbled;
}
