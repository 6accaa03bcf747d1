#include "block_transfer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "frame.h"
#include "printer_commands.h"

namespace {

bool StartsSector(uint32_t address) {
    return address % kSectorSize == 0;
}

uint64_t BlockCount(uint64_t bytes) {
    return (bytes + kBlockSize - 1) / kBlockSize;
}

int32_t ProgressCount(uint64_t bytes) {
    return static_cast<int32_t>(std::min<uint64_t>(bytes, INT32_MAX));
}

}  // namespace

std::string HexAddress(uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(address));
    return text;
}

int DownloadBlockTimeoutMs(uint32_t address) {
    return StartsSector(address) ? kDownloadSectorTimeoutMs : kBlockTimeoutMs;
}

int FirmwareBlockTimeoutMs(uint32_t offset) {
    return StartsSector(offset) ? kFirmwareSectorTimeoutMs : kBlockTimeoutMs;
}

namespace {

// What tells the two kinds of transfer apart.
struct BlockLayout {
    uint16_t command = 0;
    uint32_t start = 0;
    bool fullBlocks = false;  // every block carries 256 bytes, the last filled with 0xFF
    int maxReply = 0;
    int (*timeoutMs)(uint32_t parameter) = nullptr;
    std::string name;  // "font.bin block", "the firmware block"
};

BlockOutcome SendBlocks(std::span<const uint8_t> file, const BlockLayout& layout,
                        const BlockSender& send, const BlockProgress& progress,
                        const BlockStop& stop) {
    std::array<uint8_t, kBlockBufferSize> buffer{};
    BlockOutcome outcome;
    outcome.blocks = BlockCount(file.size());
    for (size_t position = 0; position < file.size();) {
        const size_t count = std::min<size_t>(kBlockSize, file.size() - position);
        // Addresses are 32-bit; the caller has made sure the file does not
        // run past the top.
        const uint32_t parameter = layout.start + static_cast<uint32_t>(position);
        outcome.nextParameter = parameter;
        if (stop && stop()) {
            outcome.result = BlockResult::Stopped;
            return outcome;
        }
        // Only the last block can be short; a full one keeps 0xFF after it,
        // as erased flash reads.
        if (layout.fullBlocks)
            std::fill_n(buffer.begin(), kBlockSize, kFirmwareFill);
        std::memcpy(buffer.data(), file.data() + position, count);
        BlockCommand block;
        block.command = layout.command;
        block.parameter = parameter;
        block.data = buffer.data();
        block.maxReply = layout.maxReply;
        block.length = layout.fullBlocks ? kBlockSize : static_cast<int>(count);
        block.timeoutMs = layout.timeoutMs(parameter);
        block.what = layout.name + " at " + HexAddress(parameter);
        if (send(block) < 0) {
            outcome.result = BlockResult::NoReply;
            return outcome;
        }
        position += count;
        ++outcome.blocksDone;
        progress(ProgressCount(position), ProgressCount(file.size()));
    }
    return outcome;
}

}  // namespace

BlockOutcome SendDownloadBlocks(std::span<const uint8_t> file, uint16_t command, uint32_t start,
                                const std::string& name, const BlockSender& send,
                                const BlockProgress& progress, const BlockStop& stop) {
    const BlockLayout layout{
        command, start, false, kDownloadReplyRoom, DownloadBlockTimeoutMs, name + " block"};
    return SendBlocks(file, layout, send, progress, stop);
}

BlockOutcome SendFirmwareBlocks(std::span<const uint8_t> image, const BlockSender& send,
                                const BlockProgress& progress, const BlockStop& stop) {
    const BlockLayout layout{
        kCommandFirmwareBlock, 0, true, kFirmwareReplyRoom, FirmwareBlockTimeoutMs,
        "the firmware block"};
    return SendBlocks(image, layout, send, progress, stop);
}

TransferPlan PlanTransfer(uint64_t size, uint32_t start, bool fixedBlocks, uint32_t rate) {
    TransferPlan plan;
    plan.bytes = size;
    plan.blocks = BlockCount(size);
    plan.firstAddress = start;
    plan.lastAddress =
        plan.blocks == 0 ? start
                         : static_cast<uint32_t>(start + (plan.blocks - 1) * uint64_t{kBlockSize});
    // Each block is a command frame out and an empty reply frame back.
    const uint64_t dataBytes = fixedBlocks ? plan.blocks * kBlockSize : size;
    const uint64_t lineBytes = dataBytes + plan.blocks * 2 * kFrameHeaderSize;
    if (rate > 0)
        plan.wireSeconds = static_cast<double>(lineBytes) * 10.0 / rate;
    return plan;
}

std::optional<std::string> AddressRangeProblem(uint64_t size, uint32_t start) {
    constexpr uint64_t kAddressSpace = uint64_t{1} << 32;
    if (size == 0 || uint64_t{start} + size <= kAddressSpace)
        return std::nullopt;
    return "its " + std::to_string(size) + " bytes from " + HexAddress(start) +
           " would run past the 32-bit address space (the last address is 0xFFFFFFFF)";
}
