#include "printer_device.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>

#include "firmware_check.h"
#include "frame.h"
#include "printer_commands.h"

namespace {

DeviceAnswer Answer(std::vector<uint8_t> data = {}) {
    DeviceAnswer a;
    a.answered = true;
    a.replyData = std::move(data);
    return a;
}

DeviceAnswer Refuse(std::string why) {
    DeviceAnswer a;
    a.note = std::move(why);
    return a;
}

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(value));
    return text;
}

}  // namespace

const char* SimModeName(SimMode mode) {
    switch (mode) {
        case SimMode::Download:
            return "download";
        case SimMode::Update:
            return "update";
        default:
            return "normal";
    }
}

bool IsPrinterRate(uint32_t rate) {
    constexpr uint32_t kRates[] = {1200,  2400,   4800,   9600,   19200, 38400,
                                   57600, 115200, 230400, 460800, 921600};
    return std::find(std::begin(kRates), std::end(kRates), rate) != std::end(kRates);
}

bool IsTakenCommandCode(uint16_t code) {
    return code == kCommandIdentify || code == kCommandRate || code == kCommandMode ||
           code == kCommandFirmwareBlock || FindSimSettingCommand(code) != nullptr;
}

PrinterDevice::PrinterDevice(std::string identity, uint32_t rate, uint16_t logoCommand)
    : identity_(std::move(identity)), startRate_(rate), rate_(rate), logoCommand_(logoCommand) {}

bool PrinterDevice::IsBlockCommand(uint16_t code) const {
    return code == kCommandFirmwareBlock || code == kCommandFontBlock || code == logoCommand_;
}

DeviceAnswer PrinterDevice::Handle(const CommandFrameIn& command,
                                   const std::optional<std::string>& identity) {
    switch (command.code) {
        case kCommandIdentify:
            return Identify(command, identity);
        case kCommandRate:
            return ChangeRate(command);
        case kCommandMode:
            return ChangeMode(command);
        default:
            break;
    }
    if (const SimSettingCommand* setting = FindSimSettingCommand(command.code))
        return StoreSetting(*setting, command);
    if (IsBlockCommand(command.code))
        return WriteBlock(command);
    // A block of a memory this printer does not keep: taken, and not stored.
    if (mode_ == SimMode::Download)
        return Answer();
    DeviceAnswer unknown = Refuse(Hex(command.code) + " is not a command of this printer");
    unknown.unknown = true;
    return unknown;
}

DeviceAnswer PrinterDevice::Identify(const CommandFrameIn& command,
                                     const std::optional<std::string>& identity) const {
    if (command.data.size() != static_cast<size_t>(kIdentifyQueryLength) ||
        std::memcmp(command.data.data(), kIdentifyQuery, kIdentifyQueryLength) != 0) {
        return Refuse("identify without the query text DEVICE??");
    }
    const std::string& text = identity ? *identity : identity_;
    return Answer(std::vector<uint8_t>(text.begin(), text.end()));
}

DeviceAnswer PrinterDevice::ChangeRate(const CommandFrameIn& command) const {
    if (!IsPrinterRate(command.parameter))
        return Refuse(std::to_string(command.parameter) + " bit/s is not a rate of this printer");
    DeviceAnswer a = Answer();
    a.newRate = command.parameter;
    return a;
}

DeviceAnswer PrinterDevice::ChangeMode(const CommandFrameIn& command) {
    switch (command.parameter) {
        case kModeDownload:
            mode_ = SimMode::Download;
            return Answer();
        case kModeUpdate:
            // A new update starts from an erased image.
            mode_ = SimMode::Update;
            memory_.erase(kCommandFirmwareBlock);
            firmwareAccepted_ = false;
            return Answer();
        case kModeEndUpdate:
            return EndUpdate();
        default:
            return Refuse("mode " + Hex(command.parameter) + " does not exist");
    }
}

DeviceAnswer PrinterDevice::EndUpdate() {
    if (mode_ != SimMode::Update)
        return Refuse("end of update outside update mode");
    // The image is as long as it says; the last block's filling is not part
    // of it.
    static const std::vector<uint8_t> kNothing;
    const auto found = memory_.find(kCommandFirmwareBlock);
    const std::vector<uint8_t>& image = found != memory_.end() ? found->second : kNothing;
    size_t length = image.size();
    if (image.size() >= kFirmwareLengthOffset + 4) {
        length = std::min<size_t>(length, FrameU32(image.data() + kFirmwareLengthOffset));
    }
    const FirmwareCheckResult check = CheckFirmwareImage(std::span(image.data(), length));
    firmwareAccepted_ = check.Sound();
    if (!firmwareAccepted_)
        return Refuse("firmware image rejected: " + check.reason);
    // The new firmware starts afresh: normal mode, at the rate of power-up.
    mode_ = SimMode::Normal;
    DeviceAnswer a = Answer();
    a.newRate = startRate_;
    return a;
}

DeviceAnswer PrinterDevice::WriteBlock(const CommandFrameIn& command) {
    const bool firmware = command.code == kCommandFirmwareBlock;
    if (firmware && mode_ != SimMode::Update)
        return Refuse("firmware block outside update mode");
    if (!firmware && mode_ != SimMode::Download)
        return Refuse("download block outside download mode");
    if (command.data.empty())
        return Refuse("block without data");
    const uint64_t end = static_cast<uint64_t>(command.parameter) + command.data.size();
    if (end > kSimMemorySize)
        return Refuse("block at " + Hex(command.parameter) + " lies beyond the memory");
    std::vector<uint8_t>& memory = memory_[command.code];
    if (memory.size() < end)
        memory.resize(static_cast<size_t>(end), 0xFF);  // erased memory reads 0xFF
    std::copy(command.data.begin(), command.data.end(), memory.begin() + command.parameter);
    return Answer();
}

DeviceAnswer PrinterDevice::StoreSetting(const SimSettingCommand& setting,
                                         const CommandFrameIn& command) {
    if (!setting.store(command.data, settings_))
        return Refuse("setting " + Hex(command.code) + " payload of " +
                      std::to_string(command.data.size()) + " bytes does not have its layout");
    return Answer();
}
