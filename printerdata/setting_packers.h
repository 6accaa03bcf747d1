// The setting payloads, laid out from their fields' descriptions
// (setting_fields.h). PackSetting takes the values ReadSetting has read and
// checked. The four typed packers take one tab's plain values unchecked, each
// number keeping its low bits: texts are UTF-8 exactly as the controls hold
// them, and a list index is -1 when the list has no selected entry. A packer
// returns either a complete payload or the message to show, never a partial
// payload.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "printer_commands.h"
#include "setting_fields.h"
#include "setting_payload.h"
#include "setting_values.h"

// PARA tab.
struct ParaSettings {
    std::string rateText;  // the rate list's text, untrimmed ("  9600")
    int codePageIndex = -1;
    int densityIndex = -1;    // 0 LOW, 1 NORMAL, 2 DARK
    int fontIndex = -1;       // 0 "A 12x24" ... 4 "E 16x18"
    int lineEndIndex = -1;    // 0 LF, 1 CR
    std::string idleText;     // seconds; the numeric fields are trimmed here
    std::string offText;      // seconds
    std::string maxFeedText;  // millimetres
    std::string pageText;     // millimetres
};

// BLUE TOOTH tab; neither text is trimmed.
struct BluetoothSettings {
    std::string name;
    std::string pin;
};

// IrCOMM tab.
struct IrSettings {
    std::string rateText;  // untrimmed
    int protocolIndex = -1;
};

// Factory tab; both texts are trimmed here.
struct FactorySettings {
    std::string modelName;
    std::string serialNo;
};

struct PackResult {
    std::optional<SettingPayload> payload;
    std::string error;  // set when payload is empty
};

// `values` holds one value per field of `layout`, in order. Each number is
// stored in its field's width and byte order, keeping its low bits; each
// text, without blanks around it where its field drops them, as the
// printer's bytes and a zero. Texts without such bytes, or too long for one
// frame, are refused naming the window's fields.
PackResult PackSetting(const SettingLayout& layout, std::span<const FieldValue> values);

// 16 bytes: the rate big-endian; the code page number's low 8 bits (the
// entry of `codePageNumbers` at codePageIndex, 0 when nothing is selected or
// the table has no such entry); the density, font and line-end indexes' low
// 8 bits; idle, off, maximum feed and page length as 16-bit little-endian.
PackResult PackPrintParameters(const ParaSettings& settings,
                               std::span<const int32_t> codePageNumbers);

// The name, a zero, the PIN, a zero; both zeros are sent.
PackResult PackBluetooth(const BluetoothSettings& settings);

// 8 bytes: the rate big-endian, the protocol index, three zeros.
PackResult PackInfrared(const IrSettings& settings);

// The model name, a zero, the serial number; a zero follows in Data but is
// not counted in Length.
PackResult PackFactory(const FactorySettings& settings);
