#include "frame_link.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "frame.h"

namespace {

using Clock = std::chrono::steady_clock;

// Whole milliseconds until `deadline`, rounded up so a wait never ends early.
int MsUntil(Clock::time_point deadline) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

enum class ParseState { Hunt, Start, Header, Data };

}  // namespace

void FrameLink::SendFrame(const uint8_t* frame, int length) {
    // The frame goes out first: it crosses the line while it is logged.
    if (transport_ != nullptr)
        transport_->Send(frame, length);
    if (log_ != nullptr) {
        log_->LogLine("Send " + std::to_string(length) + " bytes" + log_->Timestamp());
        if (length > kFrameHeaderSize) {
            log_->LogHex(frame, kFrameHeaderSize);
            log_->LogHex(frame + kFrameHeaderSize, static_cast<size_t>(length - kFrameHeaderSize));
        } else {
            log_->LogHex(frame, static_cast<size_t>(std::max(length, 0)));
        }
    }
}

int FrameLink::ReceiveReply(uint8_t* dest, int maxReply, int timeoutMs) {
    if (transport_ == nullptr) {
        lastWaitText_ = "no reply (no link is open)";
        LogReceived(nullptr, 0, 0);
        return -1;
    }
    return transport_->Kind() == TransportKind::Datagram
               ? ReceiveFromDatagram(dest, maxReply, timeoutMs)
               : ReceiveFromStream(dest, maxReply, timeoutMs);
}

int FrameLink::ReceiveFromStream(uint8_t* dest, int maxReply, int timeoutMs) {
    uint8_t buffer[kReceiveBufferSize];
    int filled = 0;  // bytes read during this wait
    int parsed = 0;  // of those, the bytes the parser has looked at
    int frameStart = 0;
    int dataLength = 0;
    int result = -1;
    bool checkFailed = false;
    ParseState state = ParseState::Hunt;
    lastWaitText_ = "no reply";
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));

    // Reads up to `count` bytes behind those read; the count read, or -1
    // when the wait is over (deadline, line failure, buffer full).
    auto read = [&](int count) {
        if (filled + count > kReceiveBufferSize) {
            lastWaitText_ = "a reply too long for the receive buffer";
            return -1;
        }
        const int left = MsUntil(deadline);
        if (left <= 0)
            return -1;
        const int got = transport_->Receive(buffer + filled, count, left);
        if (got < 0) {
            lineError_ = transport_->LastError();
            lastWaitText_ = "the line failed (" + lineError_ + ")";
            lineFailed_ = true;
            return -1;
        }
        filled += got;
        return got;
    };
    // While hunting, one read may take as many bytes as the shortest frame
    // that can begin at the next byte: never a byte of what follows the
    // reply, and a whole reply without data in one system call.
    auto nextByte = [&](int frameBytesLeft, uint8_t& b) {
        // Nor past the byte that passes the cap.
        const int atMost = std::min(frameBytesLeft, kReceiveCap + 1 - filled);
        if (parsed == filled && (atMost <= 0 || read(atMost) <= 0))
            return false;
        b = buffer[parsed++];
        return true;
    };
    // The header's rest and the data come in one read each; a short read
    // ends the wait.
    auto readUpTo = [&](int end) {
        const int want = end - filled;
        if (want > 0 && read(want) != want)
            return false;
        parsed = end;
        return true;
    };

    while (result < 0 && filled <= kReceiveCap) {
        if (MsUntil(deadline) <= 0)
            break;
        uint8_t b = 0;
        if (state == ParseState::Hunt) {
            if (!nextByte(kFrameHeaderSize, b))
                break;
            if (b == kFrameStart) {
                frameStart = parsed - 1;
                state = ParseState::Start;
            } else {
                lastWaitText_ = "no reply (only noise)";
            }
        } else if (state == ParseState::Start) {
            if (!nextByte(kFrameHeaderSize - 1, b))
                break;
            if (b == kReplyMark) {
                state = ParseState::Header;
            } else if (b == kFrameStart) {
                frameStart = parsed - 1;
            } else {
                state = ParseState::Hunt;
            }
        } else if (state == ParseState::Header) {
            // After a failed check the same header is tested again after
            // each further read of its length, and fails again: nothing more
            // is accepted in this wait.
            const int end =
                checkFailed ? filled + kFrameHeaderSize - 2 : frameStart + kFrameHeaderSize;
            if (!readUpTo(end))
                break;
            if (XorBytes(buffer + frameStart, 11) == 0) {
                dataLength = FrameU16(buffer + frameStart + 8);
                if (dataLength == 0) {
                    result = 0;
                } else {
                    state = ParseState::Data;
                }
            } else {
                checkFailed = true;
                lastWaitText_ = "a reply with a bad header check";
            }
        } else {
            const int end =
                checkFailed ? filled + dataLength : frameStart + kFrameHeaderSize + dataLength;
            if (!readUpTo(end))
                break;
            const uint8_t* data = buffer + frameStart + kFrameHeaderSize;
            if ((buffer[frameStart + 11] ^ XorBytes(data, static_cast<size_t>(dataLength))) == 0) {
                result = std::min(dataLength, std::max(maxReply, 0));
                std::memcpy(dest, data, static_cast<size_t>(result));
            } else {
                checkFailed = true;
                lastWaitText_ = "a reply with a bad data check";
            }
        }
    }
    if (result < 0 && filled > kReceiveCap) {
        lastWaitText_ = "no valid reply in more than " + std::to_string(kReceiveCap) + " bytes";
    }
    LogReceived(buffer, filled, frameStart);
    return result;
}

int FrameLink::ReceiveFromDatagram(uint8_t* dest, int maxReply, int timeoutMs) {
    uint8_t buffer[kReceiveBufferSize];
    const int size = transport_->Receive(buffer, kReceiveBufferSize, std::max(timeoutMs, 0));
    const int kept = std::clamp(size, 0, kReceiveBufferSize);
    int result = -1;
    if (size < 0) {
        lineError_ = transport_->LastError();
        lastWaitText_ = "the socket failed (" + lineError_ + ")";
        lineFailed_ = true;
    } else if (size == 0) {
        lastWaitText_ = "no reply";
    } else if (size > kReceiveBufferSize) {
        lastWaitText_ = "a reply datagram too long for the receive buffer";
    } else if (size < kFrameHeaderSize || buffer[0] != kFrameStart || buffer[1] != kReplyMark) {
        lastWaitText_ = "a datagram that is not a reply";
    } else {
        const int dataLength = FrameU16(buffer + 8);
        if (size < kFrameHeaderSize + dataLength) {
            lastWaitText_ = "a reply datagram shorter than its header announces";
        } else {
            result = std::min(dataLength, std::max(maxReply, 0));
            std::memcpy(dest, buffer + kFrameHeaderSize, static_cast<size_t>(result));
        }
    }
    LogReceived(buffer, kept, 0);
    return result;
}

void FrameLink::LogReceived(const uint8_t* bytes, int consumed, int frameStart) {
    if (log_ == nullptr)
        return;
    log_->LogLine("Rec: " + std::to_string(consumed) + " bytes" + log_->Timestamp());
    const int headerEnd = frameStart + kFrameHeaderSize;
    if (headerEnd < consumed) {
        log_->LogHex(bytes, static_cast<size_t>(headerEnd));
        log_->LogHex(bytes + headerEnd, static_cast<size_t>(consumed - headerEnd));
    } else if (consumed > 0) {
        log_->LogHex(bytes, static_cast<size_t>(consumed));
    }
}

int FrameLink::SendCommand(uint16_t command, uint32_t parameter, uint8_t* data, int maxReply,
                           int length, int tries, int timeoutMs) {
    lastFailure_ = CommandFailure::None;
    lastFailureText_.clear();
    if (length < 0 || length > kMaxCommandData) {
        lastFailure_ = CommandFailure::Refused;
        char text[96];
        std::snprintf(text, sizeof text,
                      "command 0x%02X with %d data bytes refused (at most %d fit in a frame)",
                      command, length, kMaxCommandData);
        lastFailureText_ = text;
        return -1;
    }
    // The frame is built once, so reply data written over `data` cannot alter
    // a resend.
    const std::vector<uint8_t> frame = BuildCommandFrame(command, parameter, data, length);
    const int frameLength = static_cast<int>(frame.size());
    tries = std::max(tries, 1);
    lineFailed_ = false;
    lineError_.clear();
    triesSent_ = 0;
    for (int attempt = 1; attempt <= tries; ++attempt) {
        ++triesSent_;
        SendFrame(frame.data(), frameLength);
        // The printer cannot answer before the whole frame has reached it.
        const int lineTimeMs = transport_ != nullptr ? transport_->TransmitTimeMs(frameLength) : 0;
        const int got = ReceiveReply(data, maxReply, timeoutMs + lineTimeMs);
        if (got >= 0)
            return got;
        // A device that is gone (a hung-up line, an unplugged adapter) will
        // not answer a resend either.
        if (lineFailed_)
            break;
    }
    lastFailure_ = lineFailed_ ? CommandFailure::LineFailed : CommandFailure::NoReply;
    lastFailureText_ = lastWaitText_ + " after " + std::to_string(triesSent_) +
                       (triesSent_ == 1 ? " try" : " tries");
    return -1;
}
