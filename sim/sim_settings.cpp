#include "sim_settings.h"

#include <algorithm>

namespace {

uint32_t BigEndian32(const uint8_t* p) {
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

uint16_t LittleEndian16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

std::string Text(std::span<const uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

std::optional<SimPrintParameters> DecodePrintParameters(std::span<const uint8_t> payload) {
    if (payload.size() != 16)
        return std::nullopt;
    const uint8_t* p = payload.data();
    SimPrintParameters s;
    s.rate = BigEndian32(p);
    s.codePage = p[4];
    s.density = p[5];
    s.font = p[6];
    s.lineEnd = p[7];
    s.idleSeconds = LittleEndian16(p + 8);
    s.offSeconds = LittleEndian16(p + 10);
    s.maxFeedMm = LittleEndian16(p + 12);
    s.pageLengthMm = LittleEndian16(p + 14);
    return s;
}

std::optional<SimBluetooth> DecodeBluetooth(std::span<const uint8_t> payload) {
    // Exactly two zero bytes, the last one at the end.
    if (payload.size() < 2 || payload.back() != 0 ||
        std::count(payload.begin(), payload.end(), 0) != 2) {
        return std::nullopt;
    }
    const auto nameEnd = std::find(payload.begin(), payload.end(), 0);
    SimBluetooth s;
    s.name = Text({payload.begin(), nameEnd});
    s.pin = Text({nameEnd + 1, payload.end() - 1});
    return s;
}

std::optional<SimInfrared> DecodeInfrared(std::span<const uint8_t> payload) {
    if (payload.size() != 8 || payload[5] != 0 || payload[6] != 0 || payload[7] != 0)
        return std::nullopt;
    SimInfrared s;
    s.rate = BigEndian32(payload.data());
    s.protocol = payload[4];
    return s;
}

std::optional<SimFactoryIdentity> DecodeFactoryIdentity(std::span<const uint8_t> payload) {
    if (std::count(payload.begin(), payload.end(), 0) != 1)
        return std::nullopt;
    const auto modelEnd = std::find(payload.begin(), payload.end(), 0);
    SimFactoryIdentity s;
    s.model = Text({payload.begin(), modelEnd});
    s.serial = Text({modelEnd + 1, payload.end()});
    return s;
}
