// The record the setting job sends as one command frame: the low 16 bits of
// Command as the command code, Parameter, and the first Length bytes of Data.
#pragma once

#include <array>
#include <cstdint>

// The data room of one command frame; a longer payload cannot be sent.
constexpr uint32_t kMaxSettingLength = 1012;

struct SettingPayload {
    std::array<uint8_t, 1024> Data{};
    uint32_t Command = 0;
    uint32_t Parameter = 0;
    uint32_t Length = 0;
};
