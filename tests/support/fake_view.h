// A face for the window's logic without any toolkit: it records what the
// logic asked of it, answers its boxes and dialogs as the test says, and
// runs posted calls only when the test pumps them (as a face's event loop
// would), so that a test decides what arrives while a box is open.
#pragma once

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "window_logic.h"
#include "window_view.h"

class FakeView : public WindowView {
  public:
    void Show(const WindowState& state) override {
        ++shows;
        if (onShow)
            onShow(state);
    }
    std::string AskForFile(const FileRequest& request) override {
        fileRequests.push_back(request);
        if (fileAnswers.empty())
            return {};
        std::string answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }
    void ShowMessage(const ViewMessage& message) override {
        messages.push_back(message);
        if (whileMessageOpen)
            whileMessageOpen();
    }
    bool AskYesNo(const std::string& text) override {
        questions.push_back(text);
        if (whileQuestionOpen)
            whileQuestionOpen();
        return answer;
    }
    void PlaySound(const std::string& path) override { sounds.push_back(path); }
    void Post(std::function<void()> call) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            posted_.push_back(std::move(call));
        }
        wake_.notify_all();
    }
    void CloseWindow() override { ++closes; }

    // Runs posted calls in order until `condition` holds; false when
    // `timeoutMs` passed first.
    bool Pump(const std::function<bool()>& condition, int timeoutMs = 20000) {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!condition()) {
            std::function<void()> call;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                if (!wake_.wait_until(lock, deadline, [this] { return !posted_.empty(); }))
                    return condition();
                call = std::move(posted_.front());
                posted_.pop_front();
            }
            call();
        }
        return true;
    }

    int shows = 0;
    int closes = 0;
    std::vector<ViewMessage> messages;
    std::vector<std::string> sounds;
    std::vector<FileRequest> fileRequests;
    std::deque<std::string> fileAnswers;
    std::vector<std::string> questions;
    bool answer = false;
    std::function<void(const WindowState&)> onShow;
    std::function<void()> whileMessageOpen;
    std::function<void()> whileQuestionOpen;

  private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> posted_;
};

// Pictures are not what these tests are about: every file is one dot of
// `colour` (black unless a test says otherwise); a missing one fails, as
// with the real decoders.
class DotDecoder : public PictureDecoder {
  public:
    std::optional<LogoPicture> Decode(const std::string& path, const std::string& name,
                                      LogoFailure& failure) override {
        if (!std::filesystem::is_regular_file(path)) {
            failure = {kLogoError, name + " does not exist"};
            return std::nullopt;
        }
        return LogoPicture{name, 1, 1, {colour}};
    }
    uint32_t colour = 0;
};

// The logic in a folder of its own, as a portable copy beside its
// configuration, on `port`.
class LogicHarness {
  public:
    LogicHarness() {
        static std::atomic<int> counter{0};
        folder_ = std::filesystem::temp_directory_path() /
                  ("window-test-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    ~LogicHarness() {
        logic.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    LogicHarness(const LogicHarness&) = delete;
    LogicHarness& operator=(const LogicHarness&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }
    std::string FolderText() const { return folder_.string() + "/"; }

    WindowLogic& Open(const std::string& port, const std::string& ini = {}) {
        if (!ini.empty())
            std::ofstream(folder_ / "printer-tool.ini", std::ios::binary) << ini;
        WindowSetup setup;
        const std::string f = FolderText();
        setup.files = {f, f + "printer-tool.ini", f, f, f, f, {}};
        setup.ports = {{"COM1", {}}, {"COM2", {}}, {"TCP/IP", {}}};
        setup.port = port;
        setup.listPorts = listPorts;
        logic = std::make_unique<WindowLogic>(view, decoder, setup);
        logic->Start();
        return *logic;
    }

    FakeView view;
    DotDecoder decoder;
    std::function<std::vector<PortEntry>()> listPorts;
    std::unique_ptr<WindowLogic> logic;

  private:
    std::filesystem::path folder_;
};
