// Frames as UDP datagrams to one endpoint. The socket is connected to the
// endpoint, so only its datagrams are taken; it is opened on first use and
// closed by Close(). Nothing here throws: a name that does not resolve or a
// socket error makes Send fail and Receive return -1, which the frame layer
// treats as a missing reply.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "transport.h"

struct DatagramEndpoint {
    std::string host = "127.0.0.1";
    uint16_t port = 9100;
};

class DatagramTransport : public Transport {
  public:
    explicit DatagramTransport(DatagramEndpoint endpoint = {});
    ~DatagramTransport() override;
    DatagramTransport(const DatagramTransport&) = delete;
    DatagramTransport& operator=(const DatagramTransport&) = delete;

    void SetEndpoint(const DatagramEndpoint& endpoint);
    const DatagramEndpoint& Endpoint() const { return endpoint_; }
    bool IsActive() const;
    // Closes the socket; the next Send opens a new one. A host name that did
    // not resolve is not asked for again until the endpoint is set anew
    // (every job does): a slow resolver would stretch each wait by its time.
    void Close();
    // Resolves the endpoint and opens the socket now; false with LastError()
    // when it cannot be (a host that does not resolve).
    bool Open() { return EnsureOpen(); }

    TransportKind Kind() const override { return TransportKind::Datagram; }
    bool Send(const uint8_t* data, int count) override;
    int Receive(uint8_t* buffer, int count, int timeoutMs) override;
    int TransmitTimeMs(int) const override { return 0; }
    std::string LastError() const override { return lastError_; }

  private:
    struct Socket;
    bool EnsureOpen();

    DatagramEndpoint endpoint_;
    std::string lastError_;
    std::string resolveError_;  // why the endpoint did not resolve; empty: not tried or fine
    std::unique_ptr<Socket> socket_;
};
