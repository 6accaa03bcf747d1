// What the printer does with each command, with no line and no thread: its
// rate, mode, settings and memory, and the answer it gives. A careful device:
// it answers what it carried out and stays silent on what it will not do.
// Outside download mode it does not answer a command it does not know, so a
// tool that sends one finds out; in download mode any code is a block (a
// generic download may use any code).
// A sound firmware image ends the update with a restart: normal mode, and
// the rate it had at power-up once the reply is out.
#pragma once

#include <cstdint>

#include <map>
#include <optional>
#include <string>
#include <vector>
#include "printer_commands.h"

#include "command_parser.h"
#include "sim_settings.h"

// Each memory a block command writes spans this many bytes from address 0.
constexpr uint32_t kSimMemorySize = 16u << 20;

enum class SimMode { Normal, Download, Update };

const char* SimModeName(SimMode mode);
// The rates the printer can run at.
bool IsPrinterRate(uint32_t rate);
// Codes with a meaning of their own, which the logo command may not take:
// identify, rate, mode, the firmware block and every setting.
bool IsTakenCommandCode(uint16_t code);

struct DeviceAnswer {
    bool answered = false;
    std::vector<uint8_t> replyData;
    std::string note;                 // why it was refused
    bool unknown = false;             // not a command of this printer
    std::optional<uint32_t> newRate;  // to take once the reply went out
};

class PrinterDevice {
  public:
    PrinterDevice(std::string identity, uint32_t rate, uint16_t logoCommand);

    // Carries out one command. `identity` replaces the printer's own in the
    // answer to identify when given.
    DeviceAnswer Handle(const CommandFrameIn& command,
                        const std::optional<std::string>& identity = std::nullopt);

    // 0x2E, 0x63 and the logo command carry data blocks.
    bool IsBlockCommand(uint16_t code) const;
    void SetRate(uint32_t rate) { rate_ = rate; }

    uint32_t Rate() const { return rate_; }
    SimMode Mode() const { return mode_; }
    const SimSettings& Settings() const { return settings_; }
    const std::map<uint16_t, std::vector<uint8_t>>& Memory() const { return memory_; }
    bool FirmwareAccepted() const { return firmwareAccepted_; }

  private:
    DeviceAnswer Identify(const CommandFrameIn& command,
                          const std::optional<std::string>& identity) const;
    DeviceAnswer ChangeRate(const CommandFrameIn& command) const;
    DeviceAnswer ChangeMode(const CommandFrameIn& command);
    DeviceAnswer EndUpdate();
    DeviceAnswer WriteBlock(const CommandFrameIn& command);
    DeviceAnswer StoreSetting(const SimSettingCommand& setting, const CommandFrameIn& command);

    std::string identity_;
    uint32_t startRate_;
    uint32_t rate_;
    uint16_t logoCommand_;
    SimMode mode_ = SimMode::Normal;
    SimSettings settings_;
    std::map<uint16_t, std::vector<uint8_t>> memory_;
    bool firmwareAccepted_ = false;
};
