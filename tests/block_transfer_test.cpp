// The block loops with a sender that records every block: addresses,
// lengths, waits and data, frame by frame.
#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

#include "block_transfer.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct SentBlock {
    uint16_t command;
    uint32_t parameter;
    int length;
    int maxReply;
    int tries;
    int timeoutMs;
    Bytes data;
};

struct Recorder {
    std::vector<SentBlock> blocks;
    std::vector<std::pair<int32_t, int32_t>> progress;
    int failAt = -1;  // the index of the block that gets no reply

    BlockSender Sender() {
        return [this](const BlockCommand& b) {
            blocks.push_back({b.command, b.parameter, b.length, b.maxReply, b.tries, b.timeoutMs,
                              Bytes(b.data, b.data + b.length)});
            // A reply may write over the block buffer; the next block must
            // not carry any of it.
            std::fill_n(b.data, 16, 0xEE);
            return static_cast<int>(blocks.size()) - 1 == failAt ? -1 : 16;
        };
    }
    BlockProgress Progress() {
        return [this](int32_t done, int32_t total) { progress.emplace_back(done, total); };
    }
};

Bytes Counting(size_t size) {
    Bytes bytes(size);
    std::iota(bytes.begin(), bytes.end(), uint8_t{1});
    return bytes;
}

TEST(BlockTransfer, AFontOf600BytesGoesAsThreeBlocks) {
    const Bytes font = Counting(600);
    Recorder r;
    ASSERT_EQ(SendDownloadBlocks(font, 0x63, 0, "font.bin", r.Sender(), r.Progress()).result,
              BlockResult::Done);
    ASSERT_EQ(r.blocks.size(), 3u);
    const uint32_t addresses[] = {0, 0x100, 0x200};
    const int lengths[] = {256, 256, 88};
    const int waits[] = {1800, 600, 600};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(r.blocks[i].command, 0x63);
        EXPECT_EQ(r.blocks[i].parameter, addresses[i]);
        EXPECT_EQ(r.blocks[i].length, lengths[i]);
        EXPECT_EQ(r.blocks[i].timeoutMs, waits[i]);
        EXPECT_EQ(r.blocks[i].tries, 3);
        EXPECT_EQ(r.blocks[i].maxReply, 4095);
        EXPECT_EQ(r.blocks[i].data,
                  Bytes(font.begin() + static_cast<long>(addresses[i]),
                        font.begin() + static_cast<long>(addresses[i]) + lengths[i]));
    }
    const std::vector<std::pair<int32_t, int32_t>> progress = {{256, 600}, {512, 600}, {600, 600}};
    EXPECT_EQ(r.progress, progress);
}

TEST(BlockTransfer, TheLongWaitFollowsTheSectorNotTheBlockNumber) {
    // From 0x100, the block at 0x1000 is the sixteenth and starts a sector.
    Recorder r;
    ASSERT_EQ(
        SendDownloadBlocks(Counting(16 * 256), 0x2D, 0x100, "logo.bin", r.Sender(), r.Progress())
            .result,
        BlockResult::Done);
    ASSERT_EQ(r.blocks.size(), 16u);
    for (const SentBlock& b : r.blocks)
        EXPECT_EQ(b.timeoutMs, b.parameter == 0x1000 ? 1800 : 600) << b.parameter;
    EXPECT_EQ(r.blocks.back().parameter, 0x1000u);
}

TEST(BlockTransfer, AFileOfWholeBlocksAndAnEmptyFile) {
    Recorder whole;
    ASSERT_EQ(
        SendDownloadBlocks(Counting(512), 0x63, 0, "f", whole.Sender(), whole.Progress()).result,
        BlockResult::Done);
    ASSERT_EQ(whole.blocks.size(), 2u);
    EXPECT_EQ(whole.blocks[1].length, 256);
    EXPECT_EQ(whole.progress.back(), std::make_pair(512, 512));

    Recorder empty;
    EXPECT_EQ(SendDownloadBlocks({}, 0x63, 0, "f", empty.Sender(), empty.Progress()).result,
              BlockResult::Done);
    EXPECT_TRUE(empty.blocks.empty());
    EXPECT_TRUE(empty.progress.empty());
}

TEST(BlockTransfer, AFirmwareImageOf1000BytesGoesAsFourFullBlocks) {
    const Bytes image = Counting(1000);
    Recorder r;
    ASSERT_EQ(SendFirmwareBlocks(image, r.Sender(), r.Progress()).result, BlockResult::Done);
    ASSERT_EQ(r.blocks.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(r.blocks[i].command, 0x2E);
        EXPECT_EQ(r.blocks[i].parameter, 0x100 * i);
        EXPECT_EQ(r.blocks[i].length, 256);
        EXPECT_EQ(r.blocks[i].maxReply, 4096);
        EXPECT_EQ(r.blocks[i].timeoutMs, i == 0 ? 1200 : 600);
    }
    Bytes last(image.begin() + 768, image.end());
    last.resize(256, 0xFF);
    EXPECT_EQ(r.blocks[3].data, last);
    const std::vector<std::pair<int32_t, int32_t>> progress = {
        {256, 1000}, {512, 1000}, {768, 1000}, {1000, 1000}};
    EXPECT_EQ(r.progress, progress);

    // Whole blocks are sent without filling; offsets 0x1000 get the long wait.
    Recorder whole;
    const Bytes big = Counting(0x1200);
    ASSERT_EQ(SendFirmwareBlocks(big, whole.Sender(), whole.Progress()).result, BlockResult::Done);
    EXPECT_EQ(whole.blocks.back().data, Bytes(big.end() - 256, big.end()));
    EXPECT_EQ(whole.blocks[16].timeoutMs, 1200);
}

TEST(BlockTransfer, TheFirstBlockWithoutReplyEndsTheTransfer) {
    Recorder download;
    download.failAt = 1;
    EXPECT_EQ(
        SendDownloadBlocks(Counting(1000), 0x63, 0, "f", download.Sender(), download.Progress())
            .result,
        BlockResult::NoReply);
    EXPECT_EQ(download.blocks.size(), 2u);
    EXPECT_EQ(download.progress.size(), 1u);

    Recorder firmware;
    firmware.failAt = 0;
    EXPECT_EQ(SendFirmwareBlocks(Counting(1000), firmware.Sender(), firmware.Progress()).result,
              BlockResult::NoReply);
    EXPECT_EQ(firmware.blocks.size(), 1u);
    EXPECT_TRUE(firmware.progress.empty());
}

TEST(BlockTransfer, AStopRequestIsHonouredBeforeEveryBlockTheFirstIncluded) {
    // The request is seen at the n-th question, asked before each block.
    for (const int seenAt : {1, 3}) {
        SCOPED_TRACE(seenAt);
        Recorder r;
        int asked = 0;
        const BlockOutcome outcome = SendFirmwareBlocks(Counting(1000), r.Sender(), r.Progress(),
                                                        [&] { return ++asked == seenAt; });
        const size_t sent = static_cast<size_t>(seenAt - 1);
        EXPECT_EQ(outcome.result, BlockResult::Stopped);
        EXPECT_EQ(outcome.blocksDone, sent);
        EXPECT_EQ(outcome.blocks, 4u);
        EXPECT_EQ(outcome.nextParameter, sent * 0x100u);
        EXPECT_EQ(r.blocks.size(), sent);
    }
}

TEST(BlockTransfer, AFileMustNotRunPastTheTopOfTheAddressSpace) {
    struct Case {
        uint64_t size;
        uint32_t start;
        bool fits;
    };
    const Case cases[] = {
        {256, 0xFFFFFF00u, true},  {257, 0xFFFFFF00u, false},  {0, 0xFFFFFFFFu, true},
        {1, 0xFFFFFFFFu, true},    {2, 0xFFFFFFFFu, false},    {0xFFFFFFFFu, 1, true},
        {0x100000000ull, 0, true}, {0x100000000ull, 1, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(!AddressRangeProblem(c.size, c.start).has_value(), c.fits)
            << c.size << " from " << c.start;
}

TEST(BlockTransfer, APlanCountsTheBlocksTheirAddressesAndTheirLineTime) {
    const TransferPlan font = PlanTransfer(600, 0x100, false, 115200);
    EXPECT_EQ(font.blocks, 3u);
    EXPECT_EQ(font.firstAddress, 0x100u);
    EXPECT_EQ(font.lastAddress, 0x300u);
    // 600 data bytes and three 12-byte headers each way, 10 bits a byte.
    EXPECT_DOUBLE_EQ(font.wireSeconds, (600 + 3 * 24) * 10.0 / 115200);
    const TransferPlan image = PlanTransfer(1000, 0, true, 115200);
    EXPECT_DOUBLE_EQ(image.wireSeconds, (1024 + 4 * 24) * 10.0 / 115200);
}

}  // namespace
