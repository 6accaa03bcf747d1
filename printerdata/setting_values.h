// A setting's values as a front end holds them, read against the fields'
// descriptions: each text converted and checked, and refused in the one form
// printer-cli and the window both give, under the front end's name for the
// field:
//   <field>: '<value>' is not one of <list>
//   <field>: '<value>' is outside <low>..<high>
//   <field>: '<value>' is not a valid integer value
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "setting_fields.h"

// One field's value on its way into the payload: a number (a choice's
// index), or a UTF-8 text.
struct FieldValue {
    int32_t number = 0;
    std::string text;
};

// Which of a choice's lists its text is from.
enum class ChoiceForm {
    Words,    // printer-cli's words, in any case
    Entries,  // the window's list entries, exactly
    Index,    // the index itself, as a configuration file keeps it
};

// What a front end holds for one field, and its name for the field.
struct FieldInput {
    std::string text;
    std::string shownName;  // "--rate", "DENSITY"
    ChoiceForm form = ChoiceForm::Words;
};

struct FieldReading {
    std::optional<FieldValue> value;
    std::string refusal;  // set when value is empty
};

FieldReading ReadField(const SettingField& field, const FieldInput& input);

// The text as the field converts or sends it: without blanks around it where
// the field drops them.
std::string_view AsFieldTakesIt(const SettingField& field, std::string_view text);

struct SettingReading {
    std::vector<FieldValue> values;  // one per field, in order; empty when refused
    std::string refusal;             // the first field's refusal
};

// `inputs` holds one input per field of `layout`, in order.
SettingReading ReadSetting(const SettingLayout& layout, std::span<const FieldInput> inputs);

// What a field takes, as refusals and help say it: "0..65535",
// "low, normal, dark", "9600, 19200, 38400, 57600, 115200".
std::string AcceptedText(const SettingField& field, ChoiceForm form);

// The entries of the window's list for a choice or rate field; rates are
// right-aligned to six characters ("  9600").
std::vector<std::string> ListEntries(const SettingLayout& layout, const char* field);

// The refusals, for lists and ranges that no field describes (the window's
// code pages, printer-cli's command codes).
std::string NotOneOfMessage(const std::string& shownName, std::string_view text,
                            const std::string& list);
std::string OutsideRangeMessage(const std::string& shownName, std::string_view text, int64_t low,
                                int64_t high);
