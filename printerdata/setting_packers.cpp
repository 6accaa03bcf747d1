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

SettingPayload StartPayload(uint32_t command, uint32_t length) {
    SettingPayload payload;
    payload.Command = command;
    payload.Parameter = 0;
    payload.Length = length;
    return payload;
}

void PutU32BigEndian(SettingPayload& payload, size_t at, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (size_t i = 0; i < 4; ++i)
        payload.Data[at + i] = static_cast<uint8_t>(bits >> (24 - 8 * i));
}

void PutU16LittleEndian(SettingPayload& payload, size_t at, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    payload.Data[at] = static_cast<uint8_t>(bits);
    payload.Data[at + 1] = static_cast<uint8_t>(bits >> 8);
}

uint8_t LowByte(int value) {
    return static_cast<uint8_t>(static_cast<unsigned>(value));
}

void PutBytes(SettingPayload& payload, size_t at, const std::vector<uint8_t>& bytes) {
    std::copy(bytes.begin(), bytes.end(), payload.Data.begin() + static_cast<ptrdiff_t>(at));
}

std::string TooLong(std::string_view fields, size_t length) {
    return std::string(fields) + " are too long: the payload would be " + std::to_string(length) +
           " bytes, and at most " + std::to_string(kMaxSettingLength) + " can be sent";
}

}  // namespace

PackResult PackPrintParameters(const ParaSettings& settings,
                               std::span<const int32_t> codePageNumbers) {
    const auto rate = ParseInt32(settings.rateText);
    if (!rate)
        return Refuse(InvalidIntegerMessage(settings.rateText));

    int32_t fields[4] = {};
    const std::string* texts[4] = {&settings.idleText, &settings.offText, &settings.maxFeedText,
                                   &settings.pageText};
    for (size_t i = 0; i < 4; ++i) {
        const std::string_view trimmed = TrimBlanks(*texts[i]);
        const auto value = ParseInt32(trimmed);
        if (!value)
            return Refuse(InvalidIntegerMessage(trimmed));
        fields[i] = *value;
    }

    int32_t codePage = 0;
    if (settings.codePageIndex >= 0 &&
        static_cast<size_t>(settings.codePageIndex) < codePageNumbers.size())
        codePage = codePageNumbers[static_cast<size_t>(settings.codePageIndex)];

    SettingPayload payload = StartPayload(kCommandPrintParameters, 16);
    PutU32BigEndian(payload, 0, *rate);
    payload.Data[4] = LowByte(codePage);
    payload.Data[5] = LowByte(settings.densityIndex);
    payload.Data[6] = LowByte(settings.fontIndex);
    payload.Data[7] = LowByte(settings.lineEndIndex);
    for (size_t i = 0; i < 4; ++i)
        PutU16LittleEndian(payload, 8 + 2 * i, fields[i]);
    return {payload, {}};
}

PackResult PackBluetooth(const BluetoothSettings& settings) {
    const PrinterText name = ToPrinterBytes(settings.name, "DEVICE NAME");
    if (!name.bytes)
        return Refuse(name.error);
    const PrinterText pin = ToPrinterBytes(settings.pin, "PIN");
    if (!pin.bytes)
        return Refuse(pin.error);

    const size_t length = name.bytes->size() + 1 + pin.bytes->size() + 1;
    if (length > kMaxSettingLength)
        return Refuse(TooLong("DEVICE NAME and PIN", length));

    SettingPayload payload = StartPayload(kCommandBluetooth, static_cast<uint32_t>(length));
    PutBytes(payload, 0, *name.bytes);
    payload.Data[name.bytes->size()] = 0;
    PutBytes(payload, name.bytes->size() + 1, *pin.bytes);
    payload.Data[length - 1] = 0;
    return {payload, {}};
}

PackResult PackInfrared(const IrSettings& settings) {
    const auto rate = ParseInt32(settings.rateText);
    if (!rate)
        return Refuse(InvalidIntegerMessage(settings.rateText));

    SettingPayload payload = StartPayload(kCommandInfrared, 8);
    PutU32BigEndian(payload, 0, *rate);
    payload.Data[4] = LowByte(settings.protocolIndex);
    payload.Data[5] = 0;
    payload.Data[6] = 0;
    payload.Data[7] = 0;
    return {payload, {}};
}

PackResult PackFactory(const FactorySettings& settings) {
    const PrinterText model = ToPrinterBytes(TrimBlanks(settings.modelName), "MODAL NAME");
    if (!model.bytes)
        return Refuse(model.error);
    const PrinterText serial = ToPrinterBytes(TrimBlanks(settings.serialNo), "SERIAL NO");
    if (!serial.bytes)
        return Refuse(serial.error);

    const size_t length = model.bytes->size() + 1 + serial.bytes->size();
    if (length > kMaxSettingLength)
        return Refuse(TooLong("MODAL NAME and SERIAL NO", length));

    SettingPayload payload = StartPayload(kCommandFactory, static_cast<uint32_t>(length));
    PutBytes(payload, 0, *model.bytes);
    payload.Data[model.bytes->size()] = 0;
    PutBytes(payload, model.bytes->size() + 1, *serial.bytes);
    payload.Data[length] = 0;  // written for the printer's sake, not sent
    return {payload, {}};
}
