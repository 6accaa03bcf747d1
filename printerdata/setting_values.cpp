#include "setting_values.h"

#include <algorithm>
#include <cstdio>

#include "int_conversion.h"
#include "printer_commands.h"
#include "printer_text.h"

namespace {

FieldReading Refuse(std::string message) {
    return {std::nullopt, std::move(message)};
}

FieldReading Accept(int32_t number) {
    return {FieldValue{number, {}}, {}};
}

std::string Joined(std::span<const char* const> names) {
    std::string list;
    for (const char* name : names)
        list += (list.empty() ? "" : ", ") + std::string(name);
    return list;
}

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

bool IsLineRate(int32_t rate) {
    return std::find(std::begin(kLineRates), std::end(kLineRates), rate) != std::end(kLineRates);
}

FieldReading ReadNumber(const SettingField& field, const FieldInput& input) {
    const std::string_view converted = AsFieldTakesIt(field, input.text);
    const auto number = ParseInt32(converted);
    if (!number)
        return Refuse(input.shownName + ": " + InvalidIntegerMessage(converted));
    if (field.kind == FieldKind::Rate && !IsLineRate(*number))
        return Refuse(NotOneOfMessage(input.shownName, converted, AcceptedText(field, input.form)));
    if (field.kind == FieldKind::Number && (*number < field.low || *number > field.high))
        return Refuse(OutsideRangeMessage(input.shownName, converted, field.low, field.high));
    return Accept(*number);
}

FieldReading ReadChoice(const SettingField& field, const FieldInput& input) {
    const auto count = static_cast<int32_t>(field.words.size());
    if (input.form == ChoiceForm::Index) {
        const auto index = ParseInt32(input.text);
        if (!index)
            return Refuse(input.shownName + ": " + InvalidIntegerMessage(input.text));
        if (*index < 0 || *index >= count)
            return Refuse(OutsideRangeMessage(input.shownName, input.text, 0, count - 1));
        return Accept(*index);
    }
    const bool words = input.form == ChoiceForm::Words;
    const std::string wanted = words ? LowerCase(input.text) : input.text;
    const std::span<const char* const> list = words ? field.words : field.entries;
    for (int32_t i = 0; i < count; ++i) {
        if (wanted == list[static_cast<size_t>(i)])
            return Accept(i);
    }
    return Refuse(NotOneOfMessage(input.shownName, input.text, AcceptedText(field, input.form)));
}

}  // namespace

std::string_view AsFieldTakesIt(const SettingField& field, std::string_view text) {
    return field.trimmed ? TrimBlanks(text) : text;
}

FieldReading ReadField(const SettingField& field, const FieldInput& input) {
    switch (field.kind) {
        case FieldKind::Number:
        case FieldKind::Rate:
            return ReadNumber(field, input);
        case FieldKind::Choice:
            return ReadChoice(field, input);
        case FieldKind::Text:
            break;
    }
    return {FieldValue{0, std::string(AsFieldTakesIt(field, input.text))}, {}};
}

SettingReading ReadSetting(const SettingLayout& layout, std::span<const FieldInput> inputs) {
    SettingReading reading;
    for (size_t i = 0; i < layout.fields.size(); ++i) {
        FieldReading field = ReadField(layout.fields[i], inputs[i]);
        if (!field.value)
            return {{}, std::move(field.refusal)};
        reading.values.push_back(std::move(*field.value));
    }
    return reading;
}

std::string AcceptedText(const SettingField& field, ChoiceForm form) {
    switch (field.kind) {
        case FieldKind::Number:
            return std::to_string(field.low) + ".." + std::to_string(field.high);
        case FieldKind::Rate: {
            std::string list;
            for (const int32_t rate : kLineRates)
                list += (list.empty() ? "" : ", ") + std::to_string(rate);
            return list;
        }
        case FieldKind::Choice:
            if (form == ChoiceForm::Index)
                return "0.." + std::to_string(field.words.size() - 1);
            return Joined(form == ChoiceForm::Words ? field.words : field.entries);
        case FieldKind::Text:
            break;
    }
    return {};
}

std::vector<std::string> ListEntries(const SettingLayout& layout, const char* name) {
    const SettingField* field = FindField(layout, name);
    if (!field)
        return {};
    if (field->kind == FieldKind::Choice)
        return {field->entries.begin(), field->entries.end()};
    std::vector<std::string> entries;
    if (field->kind == FieldKind::Rate) {
        for (const int32_t rate : kLineRates) {
            char entry[16];
            std::snprintf(entry, sizeof entry, "%6d", static_cast<int>(rate));
            entries.emplace_back(entry);
        }
    }
    return entries;
}

std::string NotOneOfMessage(const std::string& shownName, std::string_view text,
                            const std::string& list) {
    return shownName + ": " + QuotedText(text) + " is not one of " + list;
}

std::string OutsideRangeMessage(const std::string& shownName, std::string_view text, int64_t low,
                                int64_t high) {
    return shownName + ": " + QuotedText(text) + " is outside " + std::to_string(low) + ".." +
           std::to_string(high);
}
