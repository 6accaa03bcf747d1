// How a file travels to the printer: one command per block of at most 256
// bytes, each waiting for its reply before the next goes out. The loops here
// know nothing of the line; they hand every block to a sender and report
// progress, so that the worker, tests and tools share one definition.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

inline constexpr int kBlockSize = 256;
inline constexpr int kBlockTries = 3;
inline constexpr int kBlockBufferSize = 4096;
// Blocks at a multiple of 4096 start a new flash sector, which the printer
// erases before it answers: they get the longer wait.
inline constexpr uint32_t kSectorSize = 4096;
inline constexpr int kDownloadSectorTimeoutMs = 1800;
inline constexpr int kFirmwareSectorTimeoutMs = 1200;
inline constexpr int kBlockTimeoutMs = 600;
inline constexpr int kDownloadReplyRoom = 4095;
inline constexpr int kFirmwareReplyRoom = 4096;
inline constexpr uint8_t kFirmwareFill = 0xFF;

// One block command as the loops hand it over.
struct BlockCommand {
    uint16_t command = 0;
    uint32_t parameter = 0;   // the block's address or image offset
    uint8_t* data = nullptr;  // the block buffer; the reply's data is copied over it
    int maxReply = 0;
    int length = 0;
    int tries = kBlockTries;
    int timeoutMs = kBlockTimeoutMs;
    std::string what;  // names the block in a failure reason
};

// Sends one command; returns the reply's data length, or -1 when no valid
// reply came.
using BlockSender = std::function<int(const BlockCommand& block)>;
// Bytes done of the file after each block, and its size.
using BlockProgress = std::function<void(int32_t done, int32_t total)>;
// Asked before every block: true stops the transfer there.
using BlockStop = std::function<bool()>;

enum class BlockResult {
    Done,     // every block was answered
    NoReply,  // a block got no reply; nothing after it was sent
    Stopped,  // stopped on request before a block
};

// How far a transfer got: its result, the blocks answered and how many it has.
struct BlockOutcome {
    BlockResult result = BlockResult::Done;
    uint64_t blocksDone = 0;
    uint64_t blocks = 0;
    uint32_t nextParameter = 0;  // of the first block not answered
};

// The reply wait of the block at `address`.
int DownloadBlockTimeoutMs(uint32_t address);
int FirmwareBlockTimeoutMs(uint32_t offset);

// Sends `file` as blocks of command `command` from address `start`, up to
// the first block that gets no reply or until `stop` says so. `name` goes
// into each block's description.
BlockOutcome SendDownloadBlocks(std::span<const uint8_t> file, uint16_t command, uint32_t start,
                                const std::string& name, const BlockSender& send,
                                const BlockProgress& progress, const BlockStop& stop = {});

// Sends a firmware image as command 0x2E blocks of exactly 256 bytes from
// offset 0, the short last block filled with 0xFF, up to the first block
// that gets no reply or until `stop` says so.
BlockOutcome SendFirmwareBlocks(std::span<const uint8_t> image, const BlockSender& send,
                                const BlockProgress& progress, const BlockStop& stop = {});

// What a transfer of `size` bytes from `start` puts on the line: its blocks,
// where they go, and how long the blocks and their replies take at `rate`.
struct TransferPlan {
    uint64_t bytes = 0;
    uint64_t blocks = 0;
    uint32_t firstAddress = 0;  // of the first block
    uint32_t lastAddress = 0;   // of the last block; equal to firstAddress without blocks
    double wireSeconds = 0;
};

// `fixedBlocks`: every block carries 256 bytes (firmware) rather than what
// is left of the file.
TransferPlan PlanTransfer(uint64_t size, uint32_t start, bool fixedBlocks, uint32_t rate);

// Why a file of `size` bytes cannot be downloaded from `start`: its blocks
// would run past the 32-bit address space and wrap to address 0. Empty when
// it fits.
std::optional<std::string> AddressRangeProblem(uint64_t size, uint32_t start);

// "0x00001F00".
std::string HexAddress(uint32_t address);
