// A pseudo-terminal as the printer's serial line. The printer holds the
// master; it keeps a slave descriptor open itself, so the tool may open and
// close the slave freely without the master ever seeing a hang-up.
#pragma once

#include <memory>
#include <string>

#include "line_channel.h"

class PtyLine : public LineChannel {
  public:
    // Creates the pair with the slave raw at `rate`; null with `error` on failure.
    static std::unique_ptr<PtyLine> Open(uint32_t rate, std::string& error);
    ~PtyLine() override;

    const std::string& SlavePath() const { return slavePath_; }

    bool IsStream() const override { return true; }
    int Fd() const override { return master_; }
    int Read(uint8_t* buffer, size_t capacity) override;
    void Write(const uint8_t* bytes, size_t count) override;
    // The slave's rate, read through the master.
    uint32_t PeerRate() const override;
    void HangUp() override;

  private:
    PtyLine() = default;

    int master_ = -1;
    int keptSlave_ = -1;
    std::string slavePath_;
};
