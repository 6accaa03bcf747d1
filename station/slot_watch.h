// Wakes the station's scan of its slots as soon as the slots folder
// changes, so a plugged unit does not wait for the next rescan (inotify on
// Linux, slot_watch_posix.cpp). The rescan every 500 ms stays: the folder
// may come and go with its last device, and a watch may miss that.
#pragma once

#include <filesystem>
#include <functional>
#include <thread>

class SlotWatch {
  public:
    // `changed` is called on the watch's own thread.
    SlotWatch(const std::filesystem::path& folder, std::function<void()> changed);
    ~SlotWatch();
    SlotWatch(const SlotWatch&) = delete;
    SlotWatch& operator=(const SlotWatch&) = delete;

  private:
    void Watch();

    std::filesystem::path folder_;
    std::function<void()> changed_;
    int notify_ = -1;
    int stop_[2] = {-1, -1};
    std::thread thread_;
};
