// A new port has settled once its printer answers: a printer that answers
// identify is ready, and need not wait out the rest of the settle time,
// which is there for ports that are not (a printer still starting, a plug
// that bounces). Each settling slot gets identify queries at the recipe's
// rate, one job at a time, until it answers or its settle time is over.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class SettleProbes {
  public:
    // `logName` makes each probe's debug log name this station's own;
    // `wake` is called on a probe's thread when its query has ended.
    SettleProbes(int32_t rate, std::filesystem::path logFolder, std::string logName,
                 std::function<void()> wake);
    ~SettleProbes();
    SettleProbes(const SettleProbes&) = delete;
    SettleProbes& operator=(const SettleProbes&) = delete;

    // The slots that settle now and their ports: a query starts on each
    // that has none running; the probes of slots no longer listed go once
    // their query has ended.
    void Probe(const std::map<std::string, std::filesystem::path>& settling);
    // The slots whose printer answered since the last call.
    std::vector<std::string> Answered();
    // Whether a query has the slot's port (its unit must not start then).
    bool Probing(const std::string& slot) const;

  private:
    struct Query;
    void Collect();

    const int32_t rate_;
    const std::filesystem::path logFolder_;
    const std::string logName_;
    const std::function<void()> wake_;
    std::map<std::string, std::unique_ptr<Query>> probes_;
    std::vector<std::string> answered_;
};
