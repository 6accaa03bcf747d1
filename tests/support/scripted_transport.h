// A transport that plays back scripted bytes at once, so parser tests need no
// real line and no waiting: reading past the script returns a short count, as
// a line that stays quiet until the deadline would.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <vector>

#include "transport.h"

class ScriptedTransport : public Transport {
  public:
    explicit ScriptedTransport(TransportKind kind = TransportKind::Stream) : kind_(kind) {}

    // Bytes (a stream) or one datagram that becomes readable after the n-th
    // send (1-based); 0 means readable from the start.
    void ReplyAfterSend(int sendNumber, std::vector<uint8_t> bytes) {
        script_[sendNumber].push_back(std::move(bytes));
        if (sendNumber == 0)
            Release(0);
    }

    TransportKind Kind() const override { return kind_; }
    bool Send(const uint8_t* data, int count) override {
        sent.emplace_back(data, data + count);
        Release(static_cast<int>(sent.size()));
        return true;
    }
    int Receive(uint8_t* buffer, int count, int) override {
        ++receiveCalls;
        if (kind_ == TransportKind::Datagram) {
            if (datagrams_.empty())
                return 0;
            std::vector<uint8_t> d = std::move(datagrams_.front());
            datagrams_.pop_front();
            const size_t n = std::min(d.size(), static_cast<size_t>(count));
            std::copy(d.begin(), d.begin() + static_cast<long>(n), buffer);
            return static_cast<int>(d.size());
        }
        int n = 0;
        while (n < count && !stream_.empty()) {
            buffer[n++] = stream_.front();
            stream_.pop_front();
        }
        return n;
    }
    int TransmitTimeMs(int) const override { return 0; }
    std::string LastError() const override { return "scripted"; }

    std::vector<std::vector<uint8_t>> sent;
    int receiveCalls = 0;

  private:
    void Release(int sendNumber) {
        auto it = script_.find(sendNumber);
        if (it == script_.end())
            return;
        for (auto& bytes : it->second) {
            if (kind_ == TransportKind::Datagram) {
                datagrams_.push_back(bytes);
            } else {
                stream_.insert(stream_.end(), bytes.begin(), bytes.end());
            }
        }
        script_.erase(it);
    }

    TransportKind kind_;
    std::map<int, std::vector<std::vector<uint8_t>>> script_;
    std::deque<uint8_t> stream_;
    std::deque<std::vector<uint8_t>> datagrams_;
};
