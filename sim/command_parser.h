// Finds command frames (03 FF ...) in the bytes a printer receives, as a
// careful device does: it hunts for the start byte, checks the header, bounds
// the data length, checks the data, and after any failure looks for the next
// frame from the byte after the failed frame's start. No system calls; its
// memory stays below one frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

struct CommandFrameIn {
    uint16_t code = 0;
    uint32_t parameter = 0;
    std::vector<uint8_t> data;
};

class CommandFrameParser {
  public:
    // Feeds received bytes; returns the frames they completed, in order.
    std::vector<CommandFrameIn> Feed(const uint8_t* bytes, size_t count);
    // Forgets a partly received frame (its bytes count as discarded).
    void Reset();

    // Bytes that belonged to no accepted frame, so far.
    uint64_t DiscardedBytes() const { return discarded_; }
    // Frames dropped for a bad check or an oversized length, so far.
    uint64_t DroppedFrames() const { return dropped_; }
    // Bytes held for a frame not yet complete; never more than one frame.
    size_t PendingBytes() const { return candidate_.size(); }

  private:
    void FeedByte(uint8_t byte, std::deque<uint8_t>& replay, std::vector<CommandFrameIn>& out);
    void DropCandidate(std::deque<uint8_t>& replay);

    std::vector<uint8_t> candidate_;  // bytes of the frame being received
    size_t expected_ = 0;             // its full length once the header is checked
    uint64_t discarded_ = 0;
    uint64_t dropped_ = 0;
};
