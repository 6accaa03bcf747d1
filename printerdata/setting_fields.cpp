// The four setting payloads, field by field.
#include "setting_fields.h"

#include <cstring>

#include "printer_commands.h"

namespace {

using enum FieldKind;

constexpr int32_t kOneByte = 0xFF;
constexpr int32_t kTwoBytes = 0xFFFF;

constexpr const char* kDensityWords[] = {"low", "normal", "dark"};
constexpr const char* kDensityEntries[] = {"LOW", "NORMAL", "DARK"};
constexpr const char* kFontWords[] = {"a", "b", "c", "d", "e"};
constexpr const char* kFontEntries[] = {"A 12x24", "B  9x24", "C  9x17", "D  8x16", "E 16x18"};
constexpr const char* kLineEndWords[] = {"lf", "cr"};
constexpr const char* kLineEndEntries[] = {"LF(0x0A)", "CR(0x0D)"};
constexpr const char* kIrProtocolWords[] = {"raw"};
constexpr const char* kIrProtocolEntries[] = {"RAW"};

// One field a line or two, in payload order.
// clang-format off
constexpr SettingField kPrintParameterFields[] = {
    {.name = "rate", .label = "BAUD RATE", .meaning = "line rate in bit/s", .kind = Rate,
     .offset = 0, .width = 4, .order = ByteOrder::BigEndian, .defaultText = "9600"},
    {.name = "codepage", .label = "CODE PAGE", .meaning = "code page number", .kind = Number,
     .offset = 4, .width = 1, .high = kOneByte, .defaultText = "0"},
    {.name = "density", .label = "DENSITY", .meaning = "print density", .kind = Choice,
     .offset = 5, .width = 1, .words = kDensityWords, .entries = kDensityEntries,
     .defaultText = "normal"},
    {.name = "font", .label = "FONT", .meaning = "default font", .kind = Choice,
     .offset = 6, .width = 1, .words = kFontWords, .entries = kFontEntries, .defaultText = "a"},
    {.name = "line", .label = "LINE", .meaning = "line-end character", .kind = Choice,
     .offset = 7, .width = 1, .words = kLineEndWords, .entries = kLineEndEntries,
     .defaultText = "lf"},
    {.name = "idle", .label = "IDLE TIME", .meaning = "idle time in seconds", .kind = Number,
     .offset = 8, .width = 2, .high = kTwoBytes, .defaultText = "50", .trimmed = true},
    {.name = "off", .label = "OFF TIME", .meaning = "power-off time in seconds", .kind = Number,
     .offset = 10, .width = 2, .high = kTwoBytes, .defaultText = "0", .trimmed = true},
    {.name = "max-feed", .label = "MAX FEED", .meaning = "maximum paper feed in mm", .kind = Number,
     .offset = 12, .width = 2, .high = kTwoBytes, .defaultText = "200", .trimmed = true},
    {.name = "page-len", .label = "PAGE LEN", .meaning = "page length in mm", .kind = Number,
     .offset = 14, .width = 2, .high = kTwoBytes, .defaultText = "200", .trimmed = true},
};

constexpr SettingField kBluetoothFields[] = {
    {.name = "name", .label = "DEVICE NAME", .meaning = "device name", .kind = Text, .offset = 0},
    {.name = "pin", .label = "PIN", .meaning = "PIN", .kind = Text, .offset = kAfterPrevious},
};

constexpr SettingField kInfraredFields[] = {
    {.name = "rate", .label = "BAUD RATE", .meaning = "infrared line rate in bit/s", .kind = Rate,
     .offset = 0, .width = 4, .order = ByteOrder::BigEndian, .defaultText = "9600"},
    {.name = "protocol", .label = "IR PROTOCOL", .meaning = "infrared protocol", .kind = Choice,
     .offset = 4, .width = 1, .words = kIrProtocolWords, .entries = kIrProtocolEntries,
     .defaultText = "raw"},
};

// The zero after the serial number is written but not sent.
constexpr SettingField kFactoryFields[] = {
    {.name = "model", .label = "MODAL NAME", .meaning = "model name", .kind = Text,
     .offset = 0, .trimmed = true},
    {.name = "serial", .label = "SERIAL NO", .meaning = "serial number", .kind = Text,
     .offset = kAfterPrevious, .trimmed = true, .zeroSent = false},
};
// clang-format on

}  // namespace

constexpr SettingLayout kPrintParameterSetting = {kCommandPrintParameters, "para",
                                                  "print parameters", 16, kPrintParameterFields};
constexpr SettingLayout kBluetoothSetting = {kCommandBluetooth, "bluetooth",
                                             "Bluetooth name and PIN", 0, kBluetoothFields};
constexpr SettingLayout kInfraredSetting = {kCommandInfrared, "ir", "infrared settings", 8,
                                            kInfraredFields};
constexpr SettingLayout kFactorySetting = {kCommandFactory, "factory",
                                           "model name and serial number", 0, kFactoryFields};

const SettingField* FindField(const SettingLayout& layout, const char* name) {
    for (const SettingField& field : layout.fields) {
        if (std::strcmp(field.name, name) == 0)
            return &field;
    }
    return nullptr;
}
