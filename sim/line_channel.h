// The line a virtual printer serves: a pseudo-terminal (a byte stream) or a
// UDP socket (one frame per datagram). Descriptors are non-blocking; the
// printer's thread waits on Fd() itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class LineChannel {
  public:
    virtual ~LineChannel() = default;

    virtual bool IsStream() const = 0;
    // The descriptor to wait on for input; -1 once hung up.
    virtual int Fd() const = 0;
    // Reads what has arrived (stream) or one datagram. Returns the count, 0
    // when nothing was there or a datagram was unusable, -1 when the line is
    // gone.
    virtual int Read(uint8_t* buffer, size_t capacity) = 0;
    // Writes to the line, or to the sender of the last datagram. Bytes that
    // the other side does not take within a while are lost, as on a wire.
    virtual void Write(const uint8_t* bytes, size_t count) = 0;
    // The rate the other end has set, 0 when the line has no rate.
    virtual uint32_t PeerRate() const = 0;
    // Ends the line for good: the other side sees a hang-up.
    virtual void HangUp() = 0;
};
