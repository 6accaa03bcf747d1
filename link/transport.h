// The byte channel under the command frames: a serial line (a stream of bytes)
// or a datagram socket (one frame per datagram). The frame layer speaks to the
// printer only through this interface and never makes a system call itself.
#pragma once

#include <cstdint>
#include <string>

enum class TransportKind { Stream, Datagram };

class Transport {
  public:
    virtual ~Transport() = default;

    virtual TransportKind Kind() const = 0;

    // Hands `count` bytes to the line (stream) or sends them as one datagram.
    // True only when every byte was accepted.
    virtual bool Send(const uint8_t* data, int count) = 0;

    // Stream: reads up to `count` bytes, waiting at most `timeoutMs` in total
    // and, once a byte has come, at most 100 ms between two bytes; returns the
    // count read (0 when nothing came) or -1 when the line failed or hung up.
    // Datagram: receives one datagram into `buffer` (capacity `count`), waiting
    // at most `timeoutMs`; returns its full size (larger than `count` when it
    // did not fit and was cut), 0 when none came, -1 on a socket error.
    virtual int Receive(uint8_t* buffer, int count, int timeoutMs) = 0;

    // Time the line needs to carry `count` bytes at its rate (10 bits a byte),
    // rounded up; 0 for a channel without a line rate.
    virtual int TransmitTimeMs(int count) const = 0;

    // Plain words for the last failure ("read failed: Input/output error").
    virtual std::string LastError() const = 0;
};
