// Each setting's payload described once, field by field: where a field lies,
// how wide it is, its byte order, and the range or list of what it holds.
// The packer lays the bytes out from these tables; printer-cli and the window
// take from them their checks, refusals, lists and help. A new field is one
// entry in setting_fields.cpp.
#pragma once

#include <cstdint>
#include <span>

enum class FieldKind {
    Number,  // an integer within low..high
    Rate,    // one of the line rates kLineRates
    Choice,  // the index of one of `words` (printer-cli) or `entries` (window)
    Text,    // the text's bytes, then a zero byte
};

enum class ByteOrder { LittleEndian, BigEndian };

// A text starts where the field before it ended.
inline constexpr int kAfterPrevious = -1;

struct SettingField {
    const char* name;     // printer-cli's option without "--", and its OK/JSON key
    const char* label;    // the window's label, without its colon
    const char* meaning;  // what it holds, for printer-cli's help
    FieldKind kind;
    int offset;     // from the payload's start, or kAfterPrevious
    int width = 0;  // bytes of a number, rate or choice; a text is as long as it is
    ByteOrder order = ByteOrder::LittleEndian;
    int32_t low = 0;  // Number: the range
    int32_t high = 0;
    std::span<const char* const> words = {};    // Choice: printer-cli's words, in index order
    std::span<const char* const> entries = {};  // Choice: the window's list, in index order
    const char* defaultText = nullptr;          // printer-cli's default; null: required
    bool trimmed = false;                       // blanks around the text are dropped first
    bool zeroSent = true;                       // Text: the zero after it is counted in Length
};

struct SettingLayout {
    uint16_t command;
    const char* name;  // printer-cli's command
    const char* what;  // for messages: "print parameters"
    int length;        // bytes sent; 0: up to the end of the last text
    std::span<const SettingField> fields;
};

// PARA, BLUE TOOTH, IrCOMM and Factory.
extern const SettingLayout kPrintParameterSetting;
extern const SettingLayout kBluetoothSetting;
extern const SettingLayout kInfraredSetting;
extern const SettingLayout kFactorySetting;

// The field of that name; null when the layout has none.
const SettingField* FindField(const SettingLayout& layout, const char* name);
