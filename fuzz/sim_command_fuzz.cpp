// The virtual printer's command parser (CommandFrameParser) over any bytes.
//
// Input: byte 0 seeds how the rest is cut into pieces; the rest is what the
// printer receives.
//
// What must hold: the frames found do not depend on how the bytes are cut;
// every byte is either part of a frame found, counted as discarded, or held
// for a frame not yet complete, and never more than one frame is held; each
// frame found, built again, is found again on its own.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "command_parser.h"
#include "frame.h"
#include "fuzz_check.h"

namespace {

bool SameFrames(const std::vector<CommandFrameIn>& a, const std::vector<CommandFrameIn>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].code != b[i].code || a[i].parameter != b[i].parameter || a[i].data != b[i].data)
            return false;
    }
    return true;
}

void CheckAccounts(const CommandFrameParser& parser, const std::vector<CommandFrameIn>& frames,
                   uint64_t fed) {
    uint64_t inFrames = 0;
    for (const CommandFrameIn& frame : frames)
        inFrames += kFrameHeaderSize + frame.data.size();
    FUZZ_CHECK(parser.PendingBytes() <= static_cast<size_t>(kFrameBufferSize));
    FUZZ_CHECK(inFrames + parser.DiscardedBytes() + parser.PendingBytes() == fed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    uint32_t cut = data[0] | 1u;
    const uint8_t* bytes = data + 1;
    const size_t count = size - 1;

    CommandFrameParser whole;
    const std::vector<CommandFrameIn> frames = whole.Feed(bytes, count);
    CheckAccounts(whole, frames, count);

    // The same bytes in pieces of 1 to 64 bytes.
    CommandFrameParser pieces;
    std::vector<CommandFrameIn> fromPieces;
    for (size_t at = 0; at < count;) {
        cut = cut * 1103515245u + 12345u;
        const size_t n = std::min<size_t>(count - at, 1 + (cut >> 16) % 64);
        for (CommandFrameIn& frame : pieces.Feed(bytes + at, n))
            fromPieces.push_back(std::move(frame));
        at += n;
        CheckAccounts(pieces, fromPieces, at);
    }
    FUZZ_CHECK(SameFrames(frames, fromPieces));
    FUZZ_CHECK(pieces.DroppedFrames() == whole.DroppedFrames());

    for (const CommandFrameIn& frame : frames) {
        FUZZ_CHECK(frame.data.size() <= static_cast<size_t>(kMaxCommandData));
        const std::vector<uint8_t> again = BuildCommandFrame(
            frame.code, frame.parameter, frame.data.data(), static_cast<int>(frame.data.size()));
        CommandFrameParser fresh;
        const std::vector<CommandFrameIn> found = fresh.Feed(again.data(), again.size());
        FUZZ_CHECK(SameFrames(found, {frame}));
        FUZZ_CHECK(fresh.DiscardedBytes() == 0 && fresh.PendingBytes() == 0);
    }

    // Reset gives up what is held, and the parser takes a clean frame next.
    whole.Reset();
    FUZZ_CHECK(whole.PendingBytes() == 0);
    CheckAccounts(whole, frames, count);
    static const uint8_t kIdentify[] = {'D', 'E', 'V', 'I', 'C', 'E', '?', '?'};
    const std::vector<uint8_t> identify = BuildCommandFrame(0x20, 0, kIdentify, 8);
    const std::vector<CommandFrameIn> next = whole.Feed(identify.data(), identify.size());
    FUZZ_CHECK(next.size() == 1 && next[0].code == 0x20 && next[0].data.size() == 8);
    return 0;
}
