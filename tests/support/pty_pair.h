// A pseudo-terminal for tests: the test holds the master, the code under test
// opens the slave by its path. The test keeps a slave descriptor open too, so
// the master never sees a hang-up while the code under test reopens its side.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class PtyPair {
  public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    int Master() const { return master_; }

    void Write(const std::vector<uint8_t>& bytes);
    // Reads until `count` bytes have come or `timeoutMs` passed.
    std::vector<uint8_t> Read(size_t count, int timeoutMs);
    // Everything that arrives until the line has been quiet for `quietMs`.
    std::vector<uint8_t> Drain(int quietMs);
    // The rate that the slave side is set to.
    uint32_t SlaveRate() const;

    // Drops the test's own slave descriptor, so that closing the code's side
    // hangs the line up.
    void CloseKeptSlave();
    // Closes the master: the slave side sees a hang-up.
    void CloseMaster();

  private:
    int master_ = -1;
    int keptSlave_ = -1;
    std::string slavePath_;
};
