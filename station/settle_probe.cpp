#include "settle_probe.h"

#include <mutex>
#include <utility>

#include "comm_thread.h"
#include "path_text.h"

namespace fs = std::filesystem;

struct SettleProbes::Query : public CommObserver {
    explicit Query(std::function<void()> ended) : onEnded(std::move(ended)) {}

    JobEnvironment CurrentEnvironment() override {
        std::lock_guard<std::mutex> lock(mutex);
        return environment;
    }
    void JobProgress(int32_t, int32_t) override {}
    void StatusText(const std::string&) override {}
    void JobFinished() override { onEnded(); }

    std::function<void()> onEnded;
    std::mutex mutex;
    JobEnvironment environment;
    std::unique_ptr<TCommThread> worker;  // made last, gone first: it calls back
    bool querying = false;
};

SettleProbes::SettleProbes(int32_t rate, fs::path logFolder, std::string logName,
                           std::function<void()> wake)
    : rate_(rate),
      logFolder_(std::move(logFolder)),
      logName_(std::move(logName)),
      wake_(std::move(wake)) {}

SettleProbes::~SettleProbes() {
    for (auto& [slot, probe] : probes_)
        probe->worker.reset();  // waits for its query
}

void SettleProbes::Collect() {
    for (auto& [slot, probe] : probes_) {
        if (!probe->querying || !probe->worker->JobDoneEvent().Wait(0))
            continue;
        probe->querying = false;
        if (probe->worker->ErrorCode() == kErrorNone)
            answered_.push_back(slot);
    }
}

void SettleProbes::Probe(const std::map<std::string, fs::path>& settling) {
    Collect();
    for (auto it = probes_.begin(); it != probes_.end();) {
        if (!settling.contains(it->first) && !it->second->querying)
            it = probes_.erase(it);
        else
            ++it;
    }
    for (const auto& [slot, port] : settling) {
        auto& probe = probes_[slot];
        if (!probe) {
            probe = std::make_unique<Query>(wake_);
            std::string file = "." + logName_ + "-settle-" + slot + ".log";
            for (char& c : file) {
                if (c == '/' || c == '\\' || c == ':')
                    c = '_';
            }
            probe->environment.debugLogPath = logFolder_ / PathFromUtf8(file);
            probe->environment.portRate = rate_;
            // At this one rate, without the other rates' diagnosis: a port
            // that does not answer yet is asked again.
            probe->environment.findRates = {rate_};
            probe->worker = std::make_unique<TCommThread>(*probe);
        }
        if (probe->querying)
            continue;
        {
            std::lock_guard<std::mutex> lock(probe->mutex);
            probe->environment.portName = PathText(port);
        }
        probe->querying = probe->worker->StartJob(kJobIdentify);
    }
}

std::vector<std::string> SettleProbes::Answered() {
    Collect();
    return std::exchange(answered_, {});
}

bool SettleProbes::Probing(const std::string& slot) const {
    const auto found = probes_.find(slot);
    return found != probes_.end() && found->second->querying;
}
