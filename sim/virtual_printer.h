// The virtual printer: the printer's side of the frame protocol on a
// pseudo-terminal or a UDP socket, served by a thread of its own. Tests read
// its state (rate, mode, settings, memory, every command received) and inject
// faults into its replies at any time.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "command_parser.h"
#include "printer_device.h"
#include "received_command.h"
#include "sim_faults.h"
#include "sim_settings.h"
#include "sim_state_files.h"

struct SimOptions {
    std::string identity = "ZDV 7714";
    uint32_t rate = 9600;  // the printer's line rate at start
    bool pace = false;     // every byte takes its wire time (10 bits) both ways
    int eraseMs = 0;       // extra time before answering a block at a multiple of 4096
    // A USB serial adapter's latency timer: it holds a short reply this long
    // before handing it to the tool (serial line only).
    int latencyMs = 0;
    uint16_t logoCommand = 0x2D;
    std::string stateDir{};  // empty: no state files
};

class LineChannel;

class VirtualPrinter {
  public:
    // The command log in memory keeps this many of the latest commands.
    static constexpr size_t kLogCapacity = 65536;

    explicit VirtualPrinter(SimOptions options = {});
    ~VirtualPrinter();  // stops the thread, closes everything
    VirtualPrinter(const VirtualPrinter&) = delete;
    VirtualPrinter& operator=(const VirtualPrinter&) = delete;

    // Creates a pseudo-terminal and starts serving it. The slave's path is
    // then in SlavePath(). False with `error` when the options are invalid or
    // the system refuses; one Start per printer.
    bool StartPty(std::string& error);
    // Binds a UDP socket (port 0: any free port) and starts answering each
    // datagram's sender.
    bool StartUdp(const std::string& host, uint16_t port, std::string& error);
    // Ends the thread and closes the line; safe to call more than once.
    void Stop();
    // False once stopped, or once a fault hung the line up.
    bool Running() const;

    std::string SlavePath() const;
    uint16_t UdpPort() const;

    void SetFaults(const SimFaults& faults);
    SimFaults Faults() const;

    // Called on the printer's thread for each command as it is logged.
    // Set it before starting.
    void SetCommandObserver(std::function<void(const ReceivedCommand&)> observer);

    // The latest commands (at most kLogCapacity), oldest first.
    std::vector<ReceivedCommand> Commands() const;
    // Commands handled since start, including those dropped from the log.
    size_t CommandCount() const;
    // Waits until CommandCount() >= count; false when `timeoutMs` passed first.
    // A command counts once it has been carried out (a new rate taken, a
    // block stored), right before its reply leaves: a tool that has the reply
    // always finds the command here.
    bool WaitForCommands(size_t count, int timeoutMs) const;

    uint32_t Rate() const;
    SimMode Mode() const;
    SimSettings Settings() const;
    // The memory image written by each block command, from address 0; bytes
    // never written read 0xFF.
    std::map<uint16_t, std::vector<uint8_t>> Memory() const;
    // The last end of update found a sound image.
    bool FirmwareAccepted() const;
    // Bytes the printer read but could not use (garbage, broken frames).
    uint64_t DiscardedBytes() const;
    // Commands it did not know, outside download mode (answered or not).
    size_t UnknownCommandCount() const;

  private:
    bool Begin(std::unique_ptr<LineChannel> line, std::string& error);
    void Serve();
    // Reads what the line has; false when the line is gone or stopping.
    bool ReadLine(CommandFrameParser& parser);
    // False when the printer is to stop serving (stopped or hung up).
    bool HandleFrame(const CommandFrameIn& frame, std::chrono::steady_clock::time_point time);
    // Writes a reply at `rate` (the printer's rate when it was given),
    // starting at `start` when paced.
    bool SendReply(const std::vector<uint8_t>& bytes, uint32_t rate,
                   std::chrono::steady_clock::time_point start);
    void Record(ReceivedCommand command);
    SimStateSnapshot Snapshot() const;  // caller holds mutex_
    // Waits until `deadline` unless Stop() comes first; false when it did.
    bool PauseUntil(std::chrono::steady_clock::time_point deadline) const;

    const SimOptions options_;
    const std::chrono::steady_clock::time_point created_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    // Guarded by mutex_:
    PrinterDevice device_;
    SimFaults faults_;
    int commandsSinceFaults_ = 0;
    int blocksSinceFaults_ = 0;
    std::vector<ReceivedCommand> log_;  // a ring of kLogCapacity entries
    size_t logNext_ = 0;
    size_t handled_ = 0;
    uint64_t discarded_ = 0;
    size_t unknown_ = 0;
    bool running_ = false;
    std::string slavePath_;
    uint16_t udpPort_ = 0;
    // Owned by the printer's thread while it runs:
    std::function<void(const ReceivedCommand&)> observer_;
    std::unique_ptr<LineChannel> line_;
    std::unique_ptr<SimStateFiles> stateFiles_;
    std::chrono::steady_clock::time_point receiveLineFreeAt_{};
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    bool started_ = false;
    std::thread thread_;
};

// Plain words for what is wrong with the options, empty when nothing is.
std::string ValidateSimOptions(const SimOptions& options);
