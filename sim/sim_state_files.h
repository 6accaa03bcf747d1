// The virtual printer's state as files in one folder, kept current after
// every command:
//   state.json        rate, mode, firmware verdict, decoded settings, memory sizes
//   commands.json     every command received, as one JSON array
//   memory-0xNN.bin   the memory image written by block command 0xNN
// The command log is extended in place and the images are written block by
// block, so a long transfer costs no more than its own bytes.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "printer_device.h"
#include "received_command.h"

struct SimStateSnapshot {
    uint32_t rate = 0;
    SimMode mode = SimMode::Normal;
    bool firmwareAccepted = false;
    SimSettings settings;
    std::map<uint16_t, size_t> memorySizes;
    size_t commandsHandled = 0;
    uint64_t discardedBytes = 0;
};

class SimStateFiles {
  public:
    SimStateFiles() = default;
    ~SimStateFiles();
    SimStateFiles(const SimStateFiles&) = delete;
    SimStateFiles& operator=(const SimStateFiles&) = delete;

    // Creates the folder when needed and starts an empty command log; times
    // in the log count from `start`.
    bool Open(const std::string& dir, std::chrono::steady_clock::time_point start,
              std::string& error);

    void AppendCommand(const ReceivedCommand& command);
    // Rewrites state.json in place (padded with blanks, never shorter).
    void WriteState(const SimStateSnapshot& state);
    // Writes `data` at `address` of the image; bytes skipped over read 0xFF.
    void WriteMemory(uint16_t code, uint32_t address, const std::vector<uint8_t>& data);
    // Empties the image (an update starts from an erased image).
    void EraseMemory(uint16_t code);

    static std::string MemoryFileName(uint16_t code);

  private:
    std::string dir_;
    std::chrono::steady_clock::time_point start_;
    std::FILE* commands_ = nullptr;
    bool firstCommand_ = true;
    int stateFd_ = -1;
    size_t stateSize_ = 0;
    // Each image stays open while the printer runs.
    struct MemoryFile {
        int fd = -1;
        uint64_t size = 0;
    };
    std::map<uint16_t, MemoryFile> memoryFiles_;
};
