// The settings a printer keeps, decoded from their command payloads field by
// field, and the table of the commands that write them. A payload that does
// not have its layout decodes to nothing.
//
// A new setting is a struct, a member of SimSettings, a decoder, a JSON
// writer and a row of the table (sim_settings.cpp); the printer's dispatch,
// its storage, state.json and the codes the logo command may not take all
// follow from the row.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include <nlohmann/json.hpp>

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

// One command that writes a setting.
struct SimSettingCommand {
    uint16_t code;
    const char* name;  // the setting's key in state.json
    // Decodes the payload into its member of `settings`; false, with
    // `settings` untouched, when the payload does not have the layout.
    bool (*store)(std::span<const uint8_t> payload, SimSettings& settings);
    // The setting as state.json shows it; null while it was never written.
    nlohmann::ordered_json (*write)(const SimSettings& settings);
};

// Every setting command, in the order state.json lists the settings.
std::span<const SimSettingCommand> SimSettingCommands();
// The command's row; null for a code that writes no setting.
const SimSettingCommand* FindSimSettingCommand(uint16_t code);
