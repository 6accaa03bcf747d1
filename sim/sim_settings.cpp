#include "sim_settings.h"

#include <algorithm>

#include "printer_commands.h"

namespace {

using Json = nlohmann::ordered_json;

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

// Printer texts are 8-bit bytes; in JSON each byte stands for the character
// of its own value (U+0000 to U+00FF), so no byte is lost or rejected.
std::string JsonText(const std::string& bytes) {
    std::string utf8;
    for (const unsigned char byte : bytes) {
        if (byte < 0x80) {
            utf8 += static_cast<char>(byte);
        } else {
            utf8 += static_cast<char>(0xC0 | (byte >> 6));
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return utf8;
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

namespace {

Json PrintParametersJson(const SimPrintParameters& p) {
    return {{"rate", p.rate},
            {"codePage", p.codePage},
            {"density", p.density},
            {"font", p.font},
            {"lineEnd", p.lineEnd},
            {"idleSeconds", p.idleSeconds},
            {"offSeconds", p.offSeconds},
            {"maxFeedMm", p.maxFeedMm},
            {"pageLengthMm", p.pageLengthMm}};
}

Json BluetoothJson(const SimBluetooth& b) {
    return {{"name", JsonText(b.name)}, {"pin", JsonText(b.pin)}};
}

Json InfraredJson(const SimInfrared& i) {
    return {{"rate", i.rate}, {"protocol", i.protocol}};
}

Json FactoryIdentityJson(const SimFactoryIdentity& f) {
    return {{"model", JsonText(f.model)}, {"serial", JsonText(f.serial)}};
}

// A row for the setting kept in SimSettings::*Member, decoded by Decode and
// shown by Write.
template <auto Member, auto Decode, auto Write>
constexpr SimSettingCommand SettingRow(uint16_t code, const char* name) {
    return {code, name,
            [](std::span<const uint8_t> payload, SimSettings& settings) {
                auto decoded = Decode(payload);
                if (decoded)
                    settings.*Member = std::move(*decoded);
                return decoded.has_value();
            },
            [](const SimSettings& settings) {
                const auto& value = settings.*Member;
                return value ? Write(*value) : Json(nullptr);
            }};
}

constexpr SimSettingCommand kSettingCommands[] = {
    SettingRow<&SimSettings::print, DecodePrintParameters, PrintParametersJson>(
        kCommandPrintParameters, "printParameters"),
    SettingRow<&SimSettings::bluetooth, DecodeBluetooth, BluetoothJson>(kCommandBluetooth,
                                                                        "bluetooth"),
    SettingRow<&SimSettings::infrared, DecodeInfrared, InfraredJson>(kCommandInfrared, "infrared"),
    SettingRow<&SimSettings::factory, DecodeFactoryIdentity, FactoryIdentityJson>(kCommandFactory,
                                                                                  "factory"),
};

}  // namespace

std::span<const SimSettingCommand> SimSettingCommands() {
    return kSettingCommands;
}

const SimSettingCommand* FindSimSettingCommand(uint16_t code) {
    for (const SimSettingCommand& command : kSettingCommands) {
        if (command.code == code)
            return &command;
    }
    return nullptr;
}
