#include "slot_watch.h"

// No folder of links on Windows: its ports are polled.
SlotWatch::SlotWatch(const std::filesystem::path& folder, std::function<void()> changed)
    : folder_(folder), changed_(std::move(changed)) {}

SlotWatch::~SlotWatch() = default;

void SlotWatch::Watch() {}
