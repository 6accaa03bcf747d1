#include "setting_packers.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "int_conversion.h"
#include "printer_text.h"

namespace {

PackResult Refuse(std::string message) {
    return {std::nullopt, std::move(message)};
}

void PutNumber(SettingPayload& payload, const SettingField& field, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < field.width; ++i) {
        const int byte = field.order == ByteOrder::BigEndian ? field.width - 1 - i : i;
        payload.Data[static_cast<size_t>(field.offset + i)] =
            static_cast<uint8_t>(bits >> (8 * byte));
    }
}

std::string TooLong(std::string_view fields, size_t length) {
    return std::string(fields) + " are too long: the payload would be " + std::to_string(length) +
           " bytes, and at most " + std::to_string(kMaxSettingLength) + " can be sent";
}

// The typed packers' numbers: converted as the field takes its text, and
// refused only when the text is no number.
std::optional<std::string> Convert(const SettingLayout& layout, const char* name,
                                   const std::string& text, std::vector<FieldValue>& values) {
    const std::string_view converted = AsFieldTakesIt(*FindField(layout, name), text);
    const auto number = ParseInt32(converted);
    if (!number)
        return InvalidIntegerMessage(converted);
    values.push_back({*number, {}});
    return std::nullopt;
}

FieldValue Index(int index) {
    return {static_cast<int32_t>(index), {}};
}

FieldValue Text(std::string text) {
    return {0, std::move(text)};
}

}  // namespace

PackResult PackSetting(const SettingLayout& layout, std::span<const FieldValue> values) {
    // The texts' bytes and where each starts, then the length they give.
    std::vector<std::vector<uint8_t>> bytes(layout.fields.size());
    std::vector<size_t> starts(layout.fields.size());
    std::string textNames;
    size_t end = 0;  // of what is sent
    for (size_t i = 0; i < layout.fields.size(); ++i) {
        const SettingField& field = layout.fields[i];
        starts[i] = field.offset == kAfterPrevious ? end : static_cast<size_t>(field.offset);
        if (field.kind != FieldKind::Text) {
            end = std::max(end, starts[i] + static_cast<size_t>(field.width));
            continue;
        }
        PrinterText text = ToPrinterBytes(AsFieldTakesIt(field, values[i].text), field.label);
        if (!text.bytes)
            return Refuse(text.error);
        bytes[i] = std::move(*text.bytes);
        end = starts[i] + bytes[i].size() + (field.zeroSent ? 1 : 0);
        textNames += (textNames.empty() ? "" : " and ") + std::string(field.label);
    }
    const size_t length = layout.length > 0 ? static_cast<size_t>(layout.length) : end;
    if (length > kMaxSettingLength)
        return Refuse(TooLong(textNames, length));

    SettingPayload payload;
    payload.Command = layout.command;
    payload.Parameter = 0;
    payload.Length = static_cast<uint32_t>(length);
    for (size_t i = 0; i < layout.fields.size(); ++i) {
        const SettingField& field = layout.fields[i];
        if (field.kind != FieldKind::Text) {
            PutNumber(payload, field, values[i].number);
            continue;
        }
        const auto at = payload.Data.begin() + static_cast<ptrdiff_t>(starts[i]);
        std::copy(bytes[i].begin(), bytes[i].end(), at);
        // A zero the length does not count is still written, for the printer's sake.
        payload.Data[starts[i] + bytes[i].size()] = 0;
    }
    return {payload, {}};
}

PackResult PackPrintParameters(const ParaSettings& settings,
                               std::span<const int32_t> codePageNumbers) {
    const SettingLayout& layout = kPrintParameterSetting;
    std::vector<FieldValue> values;
    if (auto refused = Convert(layout, "rate", settings.rateText, values))
        return Refuse(*refused);

    int32_t codePage = 0;
    if (settings.codePageIndex >= 0 &&
        static_cast<size_t>(settings.codePageIndex) < codePageNumbers.size())
        codePage = codePageNumbers[static_cast<size_t>(settings.codePageIndex)];
    values.push_back({codePage, {}});
    values.push_back(Index(settings.densityIndex));
    values.push_back(Index(settings.fontIndex));
    values.push_back(Index(settings.lineEndIndex));

    const std::pair<const char*, const std::string*> numbers[] = {
        {"idle", &settings.idleText},
        {"off", &settings.offText},
        {"max-feed", &settings.maxFeedText},
        {"page-len", &settings.pageText}};
    for (const auto& [name, text] : numbers) {
        if (auto refused = Convert(layout, name, *text, values))
            return Refuse(*refused);
    }
    return PackSetting(layout, values);
}

PackResult PackBluetooth(const BluetoothSettings& settings) {
    const FieldValue values[] = {Text(settings.name), Text(settings.pin)};
    return PackSetting(kBluetoothSetting, values);
}

PackResult PackInfrared(const IrSettings& settings) {
    std::vector<FieldValue> values;
    if (auto refused = Convert(kInfraredSetting, "rate", settings.rateText, values))
        return Refuse(*refused);
    values.push_back(Index(settings.protocolIndex));
    return PackSetting(kInfraredSetting, values);
}

PackResult PackFactory(const FactorySettings& settings) {
    const FieldValue values[] = {Text(settings.modelName), Text(settings.serialNo)};
    return PackSetting(kFactorySetting, values);
}
