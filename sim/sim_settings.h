// The four settings a printer keeps, decoded from their command payloads
// field by field. A payload that does not have its layout decodes to nothing.
#pragma once

#include <cstdint>

#include <optional>
#include <span>
#include <string>
#include "printer_commands.h"

struct SimPrintParameters {
    uint32_t rate = 0;     // big-endian on the wire
    uint8_t codePage = 0;  // code page number
    uint8_t density = 0;   // 0 LOW, 1 NORMAL, 2 DARK, 0xFF none chosen
    uint8_t font = 0;      // 0 A 12x24 ... 4 E 16x18, 0xFF none chosen
    uint8_t lineEnd = 0;   // 0 LF, 1 CR, 0xFF none chosen
    uint16_t idleSeconds = 0;
    uint16_t offSeconds = 0;
    uint16_t maxFeedMm = 0;
    uint16_t pageLengthMm = 0;
    bool operator==(const SimPrintParameters&) const = default;
};

struct SimBluetooth {
    std::string name;
    std::string pin;
    bool operator==(const SimBluetooth&) const = default;
};

struct SimInfrared {
    uint32_t rate = 0;  // big-endian on the wire
    uint8_t protocol = 0;
    bool operator==(const SimInfrared&) const = default;
};

struct SimFactoryIdentity {
    std::string model;
    std::string serial;
    bool operator==(const SimFactoryIdentity&) const = default;
};

// What the printer holds; a setting never written is empty.
struct SimSettings {
    std::optional<SimPrintParameters> print;
    std::optional<SimBluetooth> bluetooth;
    std::optional<SimInfrared> infrared;
    std::optional<SimFactoryIdentity> factory;
};

// 16 bytes: rate (big-endian), code page, density, font, line end, then idle
// time, off time, maximum feed and page length (16-bit little-endian each).
std::optional<SimPrintParameters> DecodePrintParameters(std::span<const uint8_t> payload);
// Name, a zero byte, PIN, a zero byte; neither text holds a zero byte.
std::optional<SimBluetooth> DecodeBluetooth(std::span<const uint8_t> payload);
// 8 bytes: rate (big-endian), protocol, three zero bytes.
std::optional<SimInfrared> DecodeInfrared(std::span<const uint8_t> payload);
// Model name, a zero byte, serial number (no zero after it).
std::optional<SimFactoryIdentity> DecodeFactoryIdentity(std::span<const uint8_t> payload);
