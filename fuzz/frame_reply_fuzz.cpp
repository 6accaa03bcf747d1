// The tool's reply parser (FrameLink::ReceiveReply) fed through its transport
// seam: as a stream delivered in pieces, as reads of a serial line would, or
// as datagrams.
//
// Input: byte 0 chooses the channel and how the stream is cut into reads,
// byte 1 the caller's buffer size, the rest is what the printer sends (for
// datagrams: each one a 16-bit little-endian size, then its bytes).
//
// What must hold: no read or copy past the receive buffer or the caller's
// buffer; a stream reply is accepted only when it is the frame that ends the
// bytes consumed, with both checks right (never a byte of what follows it); a
// datagram only when it is 03 FE with all its announced data; the log counts
// the bytes consumed; and a clean reply behind noise is always found.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "debug_log.h"
#include "frame.h"
#include "frame_link.h"
#include "fuzz_check.h"

namespace {

// Plays back the fuzz input: a stream at most `piece` bytes a read (0: all
// that is asked), or a list of datagrams. When the input is used up, a read
// returns nothing or, if `failAtEnd`, fails as a hung-up line does.
class PlaybackTransport : public Transport {
  public:
    PlaybackTransport(TransportKind kind, int piece, bool failAtEnd)
        : kind_(kind), piece_(piece), failAtEnd_(failAtEnd) {}

    void AppendStream(const uint8_t* bytes, size_t count) {
        stream_.insert(stream_.end(), bytes, bytes + count);
    }
    void AppendDatagram(std::vector<uint8_t> datagram) { datagrams_.push_back(std::move(datagram)); }

    TransportKind Kind() const override { return kind_; }
    bool Send(const uint8_t*, int) override { return true; }
    int Receive(uint8_t* buffer, int count, int timeoutMs) override {
        FUZZ_CHECK(count > 0);
        FUZZ_CHECK(timeoutMs >= 0);
        if (kind_ == TransportKind::Datagram) {
            if (nextDatagram_ == datagrams_.size())
                return failAtEnd_ ? -1 : 0;
            const std::vector<uint8_t>& d = datagrams_[nextDatagram_++];
            std::copy_n(d.begin(), std::min(d.size(), static_cast<size_t>(count)), buffer);
            return static_cast<int>(d.size());
        }
        const size_t left = stream_.size() - position_;
        if (left == 0)
            return failAtEnd_ ? -1 : 0;
        size_t n = std::min(left, static_cast<size_t>(count));
        if (piece_ > 0)
            n = std::min(n, static_cast<size_t>(piece_));
        std::memcpy(buffer, stream_.data() + position_, n);
        position_ += n;
        return static_cast<int>(n);
    }
    int TransmitTimeMs(int) const override { return 0; }
    std::string LastError() const override { return "end of the fuzz input"; }

    size_t Position() const { return position_; }
    const std::vector<uint8_t>& Stream() const { return stream_; }
    bool StreamLeft() const { return position_ < stream_.size(); }
    bool DatagramsLeft() const { return nextDatagram_ < datagrams_.size(); }
    const std::vector<uint8_t>& LastDatagram() const { return datagrams_[nextDatagram_ - 1]; }

  private:
    TransportKind kind_;
    int piece_;
    bool failAtEnd_;
    std::vector<uint8_t> stream_;
    size_t position_ = 0;
    std::vector<std::vector<uint8_t>> datagrams_;
    size_t nextDatagram_ = 0;
};

LogTime FixedTime() {
    return LogTime{};
}

// Long enough that no wait in here ever reaches its deadline: the playback
// never blocks.
constexpr int kTimeoutMs = 60000;

// The caller's buffer: exactly `size` bytes on the heap, so that a copy past
// it is caught.
struct CallerBuffer {
    explicit CallerBuffer(int size) : bytes(new uint8_t[static_cast<size_t>(size)]), size(size) {}
    std::unique_ptr<uint8_t[]> bytes;
    int size;
};

int MaxReplyFrom(uint8_t selector) {
    static constexpr int kSizes[] = {0, 1, 8, 255, 1023, 4095};
    return selector < std::size(kSizes) ? kSizes[selector] : selector;
}

// The "Rec: <n> bytes" line of the last wait says `consumed`.
void CheckLoggedCount(const DebugLog& log, size_t consumed) {
    const std::string expected = "Rec: " + std::to_string(consumed) + " bytes";
    for (auto line = log.Lines().rbegin(); line != log.Lines().rend(); ++line) {
        if (line->rfind("Rec: ", 0) == 0) {
            FUZZ_CHECK(line->rfind(expected, 0) == 0);
            return;
        }
    }
    FUZZ_CHECK(false);  // no Rec line
}

void CheckAcceptedStreamReply(const uint8_t* consumed, size_t count, int result,
                              const CallerBuffer& dest) {
    // The reply is a frame that ends the consumed bytes, with both checks
    // right, and the caller got its data.
    bool found = false;
    for (size_t start = 0; start + kFrameHeaderSize <= count && !found; ++start) {
        const uint8_t* frame = consumed + start;
        const size_t length = FrameU16(frame + 8);
        if (start + kFrameHeaderSize + length != count)
            continue;
        if (frame[0] != kFrameStart || frame[1] != kReplyMark || XorBytes(frame, 11) != 0)
            continue;
        const uint8_t* data = frame + kFrameHeaderSize;
        if (length > 0 && (frame[11] ^ XorBytes(data, length)) != 0)
            continue;
        found = result == static_cast<int>(std::min<size_t>(length, dest.size)) &&
                std::memcmp(dest.bytes.get(), data, static_cast<size_t>(result)) == 0;
    }
    FUZZ_CHECK(found);
}

void FuzzStream(const uint8_t* bytes, size_t size, int piece, bool failAtEnd, int maxReply) {
    PlaybackTransport transport(TransportKind::Stream, piece, failAtEnd);
    transport.AppendStream(bytes, size);
    DebugLog log(FixedTime);
    FrameLink link(&log);
    link.SetTransport(&transport);
    // Bytes late for one wait are parsed by the next, as between the tries
    // of a command.
    for (int wait = 0; wait < 8 && transport.StreamLeft(); ++wait) {
        const size_t before = transport.Position();
        CallerBuffer dest(maxReply);
        const int result = link.ReceiveReply(dest.bytes.get(), dest.size, kTimeoutMs);
        const size_t consumed = transport.Position() - before;
        FUZZ_CHECK(consumed <= static_cast<size_t>(kReceiveBufferSize));
        CheckLoggedCount(log, consumed);
        FUZZ_CHECK(result >= -1);
        if (result >= 0)
            CheckAcceptedStreamReply(transport.Stream().data() + before, consumed, result, dest);
        if (consumed == 0)
            break;
    }
}

void FuzzDatagrams(const uint8_t* bytes, size_t size, bool failAtEnd, int maxReply) {
    PlaybackTransport transport(TransportKind::Datagram, 0, failAtEnd);
    size_t at = 0;
    while (at + 2 <= size) {
        const size_t length = std::min<size_t>(FrameU16(bytes + at), size - at - 2);
        transport.AppendDatagram(std::vector<uint8_t>(bytes + at + 2, bytes + at + 2 + length));
        at += 2 + length;
    }
    DebugLog log(FixedTime);
    FrameLink link(&log);
    link.SetTransport(&transport);
    while (transport.DatagramsLeft()) {
        CallerBuffer dest(maxReply);
        const int result = link.ReceiveReply(dest.bytes.get(), dest.size, kTimeoutMs);
        const std::vector<uint8_t>& d = transport.LastDatagram();
        CheckLoggedCount(log, std::min<size_t>(d.size(), kReceiveBufferSize));
        const bool isReply = d.size() >= static_cast<size_t>(kFrameHeaderSize) &&
                             d.size() <= static_cast<size_t>(kReceiveBufferSize) &&
                             d[0] == kFrameStart && d[1] == kReplyMark &&
                             d.size() >= static_cast<size_t>(kFrameHeaderSize) + FrameU16(&d[8]);
        FUZZ_CHECK(isReply == (result >= 0));
        if (result >= 0) {
            FUZZ_CHECK(result == std::min<int>(FrameU16(&d[8]), maxReply));
            FUZZ_CHECK(std::memcmp(dest.bytes.get(), d.data() + kFrameHeaderSize,
                                   static_cast<size_t>(result)) == 0);
        }
    }
}

// Noise without a start byte, then a reply built from the input's data, all
// delivered as asked: the reply must come out whole.
void CheckReplyBehindNoise(const uint8_t* bytes, size_t size, int maxReply) {
    const size_t noise = std::min<size_t>(size / 2, 600);
    std::vector<uint8_t> stream;
    for (size_t i = 0; i < noise; ++i)
        stream.push_back(bytes[i] == kFrameStart ? 0x00 : bytes[i]);
    const int length = static_cast<int>(std::min<size_t>(size - noise, 1000));
    const std::vector<uint8_t> reply =
        BuildReplyFrame(0x20, 0, bytes + noise, length);
    stream.insert(stream.end(), reply.begin(), reply.end());

    PlaybackTransport transport(TransportKind::Stream, 0, false);
    transport.AppendStream(stream.data(), stream.size());
    FrameLink link;
    link.SetTransport(&transport);
    CallerBuffer dest(maxReply);
    const int result = link.ReceiveReply(dest.bytes.get(), dest.size, kTimeoutMs);
    FUZZ_CHECK(result == std::min(length, maxReply));
    FUZZ_CHECK(std::memcmp(dest.bytes.get(), bytes + noise, static_cast<size_t>(result)) == 0);
    FUZZ_CHECK(transport.Position() == stream.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const uint8_t mode = data[0];
    const int maxReply = MaxReplyFrom(data[1]);
    const bool datagrams = (mode & 0x01) != 0;
    const bool failAtEnd = (mode & 0x02) != 0;
    const int piece = (mode >> 2) & 0x0F;  // 0: whole reads
    if (datagrams)
        FuzzDatagrams(data + 2, size - 2, failAtEnd, maxReply);
    else
        FuzzStream(data + 2, size - 2, piece, failAtEnd, maxReply);
    CheckReplyBehindNoise(data + 2, size - 2, maxReply);
    return 0;
}
