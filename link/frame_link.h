// The command frame exchange: send a command, find and check the printer's
// reply within a deadline, retry. Runs on the worker thread only; every frame
// sent and every wait is recorded in the link log.
#pragma once

#include <cstdint>
#include <string>

#include "link_log.h"
#include "transport.h"

enum class CommandFailure {
    None,
    NoReply,     // every try ended without an acceptable reply
    Refused,     // the command could not be built (too much data); nothing was sent
    LineFailed,  // the line itself failed (hung up, device gone): no more tries
};

class FrameLink {
  public:
    explicit FrameLink(LinkLog* log = nullptr) : log_(log) {}

    // The channel the frames travel on; null while no link is open.
    void SetTransport(Transport* transport) { transport_ = transport; }
    Transport* GetTransport() const { return transport_; }

    // Logs and transmits the first `length` bytes of `frame`. A failed write
    // is not reported: it surfaces as a missing reply.
    void SendFrame(const uint8_t* frame, int length);

    // Waits at most `timeoutMs` for one acceptable reply. Returns its data
    // length with the data (cut to `maxReply` bytes) copied to `dest`, or -1.
    int ReceiveReply(uint8_t* dest, int maxReply, int timeoutMs);

    // Sends the command up to `tries` times, waiting `timeoutMs` for the reply
    // after each, counted from when the frame has left the line. Returns the
    // reply's data length with the data copied over `data`, or -1.
    int SendCommand(uint16_t command, uint32_t parameter, uint8_t* data, int maxReply, int length,
                    int tries, int timeoutMs);

    CommandFailure LastFailure() const { return lastFailure_; }
    // Why the last SendCommand failed, in plain words ("no reply after 3 tries").
    const std::string& LastFailureText() const { return lastFailureText_; }
    // How the last reply wait ended ("no reply", "a reply with a bad data check").
    const std::string& LastWaitText() const { return lastWaitText_; }
    // How often the last SendCommand sent its frame.
    int TriesSent() const { return triesSent_; }
    // After CommandFailure::LineFailed: what the line said ("the line hung up").
    const std::string& LineError() const { return lineError_; }

  private:
    int ReceiveFromStream(uint8_t* dest, int maxReply, int timeoutMs);
    int ReceiveFromDatagram(uint8_t* dest, int maxReply, int timeoutMs);
    void LogReceived(const uint8_t* bytes, int consumed, int frameStart);

    LinkLog* log_;
    Transport* transport_ = nullptr;
    CommandFailure lastFailure_ = CommandFailure::None;
    std::string lastFailureText_;
    std::string lastWaitText_;  // how the last reply wait ended
    bool lineFailed_ = false;   // a read of the last SendCommand failed
    std::string lineError_;     // and what the line said
    int triesSent_ = 0;
};
