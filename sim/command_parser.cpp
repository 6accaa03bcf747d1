#include "command_parser.h"

#include <deque>

#include "frame.h"

std::vector<CommandFrameIn> CommandFrameParser::Feed(const uint8_t* bytes, size_t count) {
    std::vector<CommandFrameIn> out;
    // The bytes of a dropped candidate are looked at again before any newer
    // byte. Together with the candidate they never exceed one frame, since
    // new input is taken only once the replay is empty.
    std::deque<uint8_t> replay;
    size_t next = 0;
    while (next < count || !replay.empty()) {
        uint8_t byte;
        if (!replay.empty()) {
            byte = replay.front();
            replay.pop_front();
        } else {
            byte = bytes[next++];
        }
        FeedByte(byte, replay, out);
    }
    return out;
}

void CommandFrameParser::Reset() {
    discarded_ += candidate_.size();
    candidate_.clear();
    expected_ = 0;
}

void CommandFrameParser::DropCandidate(std::deque<uint8_t>& replay) {
    // The start byte is given up; everything after it may hold a frame.
    ++dropped_;
    ++discarded_;
    // Its bytes are older than any still waiting in the replay.
    replay.insert(replay.begin(), candidate_.begin() + 1, candidate_.end());
    candidate_.clear();
    expected_ = 0;
}

void CommandFrameParser::FeedByte(uint8_t byte, std::deque<uint8_t>& replay,
                                  std::vector<CommandFrameIn>& out) {
    if (candidate_.empty()) {
        if (byte == kFrameStart)
            candidate_.push_back(byte);
        else
            ++discarded_;
        return;
    }
    if (candidate_.size() == 1) {
        if (byte == kCommandMark) {
            candidate_.push_back(byte);
        } else if (byte != kFrameStart) {
            discarded_ += 2;
            candidate_.clear();
        } else {
            ++discarded_;  // 03 03: the second one starts the frame
        }
        return;
    }
    candidate_.push_back(byte);
    if (candidate_.size() == static_cast<size_t>(kFrameHeaderSize) - 1) {
        const int length = FrameU16(candidate_.data() + 8);
        if (XorBytes(candidate_.data(), 11) != 0 || length > kMaxCommandData) {
            DropCandidate(replay);
            return;
        }
        expected_ = static_cast<size_t>(kFrameHeaderSize + length);
        return;
    }
    if (expected_ == 0 || candidate_.size() < expected_)
        return;
    const uint8_t* data = candidate_.data() + kFrameHeaderSize;
    const size_t length = expected_ - kFrameHeaderSize;
    if (length > 0 && (candidate_[11] ^ XorBytes(data, length)) != 0) {
        DropCandidate(replay);
        return;
    }
    CommandFrameIn frame;
    frame.code = FrameU16(candidate_.data() + 2);
    frame.parameter = FrameU32(candidate_.data() + 4);
    frame.data.assign(data, data + length);
    out.push_back(std::move(frame));
    candidate_.clear();
    expected_ = 0;
}
