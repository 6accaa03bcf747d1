#include "identify_presence.h"

#include <mutex>

#include "comm_thread.h"
#include "path_text.h"

namespace fs = std::filesystem;

struct IdentifyPresence::Port : public CommObserver {
    std::string name;
    std::mutex mutex;
    JobEnvironment environment;
    std::unique_ptr<TCommThread> worker;
    bool polling = false;
    size_t rateIndex = 0;
    Clock::time_point nextPoll{};
    std::optional<Clock::time_point> lastAnswer;

    JobEnvironment CurrentEnvironment() override {
        std::lock_guard<std::mutex> lock(mutex);
        return environment;
    }
    void JobProgress(int32_t, int32_t) override {}
    void StatusText(const std::string&) override {}
    void JobFinished() override {}
};

IdentifyPresence::IdentifyPresence(const std::vector<std::string>& ports,
                                   std::vector<int32_t> rates, const fs::path& logFolder)
    : rates_(std::move(rates)) {
    for (const std::string& name : ports) {
        auto port = std::make_unique<Port>();
        port->name = name;
        std::string file = "poll-" + name + ".log";
        for (char& c : file) {
            if (c == '/' || c == '\\' || c == ':')
                c = '_';
        }
        port->environment.portName = name;
        port->environment.debugLogPath = logFolder / PathFromUtf8(file);
        port->worker = std::make_unique<TCommThread>(*port);
        ports_.push_back(std::move(port));
    }
}

IdentifyPresence::~IdentifyPresence() = default;

SlotScan IdentifyPresence::Poll(Clock::time_point now, const std::set<std::string>& busy) {
    SlotScan present;
    for (auto& port : ports_) {
        if (port->polling && port->worker->JobDoneEvent().Wait(0)) {
            port->polling = false;
            if (port->worker->ErrorCode() == kErrorNone)
                port->lastAnswer = Clock::now();
            else
                port->rateIndex = (port->rateIndex + 1) % rates_.size();
        }
        const bool inUse = busy.contains(port->name);
        if (inUse)
            port->lastAnswer = now;  // its unit talks to it
        if (!inUse && !port->polling && now >= port->nextPoll) {
            {
                std::lock_guard<std::mutex> lock(port->mutex);
                port->environment.portRate = rates_[port->rateIndex];
            }
            port->polling = port->worker->StartJob(kJobIdentify);
            port->nextPoll = now + kIdentifyPollEvery;
        }
        if (port->lastAnswer && now - *port->lastAnswer < kIdentifySilenceGone)
            present.emplace(port->name,
                            SlotLink{PathFromUtf8(port->name), PathFromUtf8(port->name)});
    }
    return present;
}

bool IdentifyPresence::Polling(const std::string& name) const {
    for (const auto& port : ports_) {
        if (port->name == name)
            return port->polling;
    }
    return false;
}
