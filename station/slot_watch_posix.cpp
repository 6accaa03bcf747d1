#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <fcntl.h>

#include "slot_watch.h"

namespace {

constexpr uint32_t kLinkEvents = IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM;

}  // namespace

SlotWatch::SlotWatch(const std::filesystem::path& folder, std::function<void()> changed)
    : folder_(folder), changed_(std::move(changed)) {
    notify_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (notify_ < 0 || pipe2(stop_, O_CLOEXEC) != 0)
        return;  // the rescans alone then
    // The parent sees the folder made and removed; the folder its links.
    inotify_add_watch(notify_, folder_.parent_path().c_str(), kLinkEvents);
    inotify_add_watch(notify_, folder_.c_str(), kLinkEvents);
    thread_ = std::thread([this] { Watch(); });
}

SlotWatch::~SlotWatch() {
    if (thread_.joinable()) {
        const char stop = 1;
        [[maybe_unused]] const ssize_t n = write(stop_[1], &stop, 1);
        thread_.join();
    }
    for (const int fd : {notify_, stop_[0], stop_[1]}) {
        if (fd >= 0)
            close(fd);
    }
}

void SlotWatch::Watch() {
    for (;;) {
        pollfd fds[2] = {{notify_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0)
            continue;
        if (fds[1].revents != 0)
            return;
        alignas(inotify_event) char buffer[4096];
        while (read(notify_, buffer, sizeof buffer) > 0) {
        }
        // The folder may have been made just now: watch it (again).
        inotify_add_watch(notify_, folder_.c_str(), kLinkEvents);
        changed_();
    }
}
