// The printer's command set: every command code and mode parameter, shared by
// the tool's libraries, its front ends and the virtual printer. A code is
// defined here and nowhere else.
#pragma once

#include <cstdint>

// The link's own commands.
inline constexpr uint16_t kCommandIdentify = 0x20;
inline constexpr uint16_t kCommandRate = 0x2B;
inline constexpr uint16_t kCommandMode = 0x2F;

// Data blocks; the parameter is the address.
inline constexpr uint16_t kCommandLogoBlock = 0x2D;  // the default; configurable
inline constexpr uint16_t kCommandFirmwareBlock = 0x2E;
inline constexpr uint16_t kCommandFontBlock = 0x63;

// The settings, one command each; printerdata packs their payloads.
inline constexpr uint16_t kCommandPrintParameters = 0x60;
inline constexpr uint16_t kCommandBluetooth = 0x61;
inline constexpr uint16_t kCommandInfrared = 0x62;
inline constexpr uint16_t kCommandFactory = 0x64;

// Parameters of kCommandMode.
inline constexpr uint32_t kModeUpdate = 0;
inline constexpr uint32_t kModeDownload = 1;
inline constexpr uint32_t kModeEndUpdate = 0xFFFFFFFF;

// The line rates the printer speaks, as the window's rate lists offer them.
inline constexpr int32_t kLineRates[] = {9600, 19200, 38400, 57600, 115200};

// The identify query's data.
inline constexpr const char* kIdentifyQuery = "DEVICE??";
inline constexpr int kIdentifyQueryLength = 8;
