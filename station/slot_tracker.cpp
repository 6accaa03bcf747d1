#include "slot_tracker.h"

std::vector<SlotChange> SlotTracker::Update(Clock::time_point now, const SlotScan& scan) {
    std::vector<SlotChange> changes;
    for (const auto& [name, link] : scan) {
        const auto found = slots_.find(name);
        if (found == slots_.end()) {
            slots_[name] = Slot{link, SlotState::Settling, now, std::nullopt, false, false};
            changes.push_back({SlotChangeKind::Plugged, name, link});
            continue;
        }
        Slot& slot = found->second;
        slot.link = link;
        if (!slot.missingSince)
            continue;
        slot.missingSince.reset();
        // A unit lost mid-job stays lost; what is plugged now is a new unit,
        // taken once the old one has ended.
        if (slot.lost)
            continue;
        if (slot.state == SlotState::Settling)
            slot.since = now;  // a link that bounces has not settled
        changes.push_back({SlotChangeKind::Returned, name, link});
    }
    for (auto it = slots_.begin(); it != slots_.end();) {
        Slot& slot = it->second;
        if (scan.contains(it->first)) {
            ++it;
            continue;
        }
        if (!slot.missingSince)
            slot.missingSince = now;
        if (now - *slot.missingSince < timing_.reenumeration || slot.lost) {
            ++it;
            continue;
        }
        if (!slot.hubReset && HubWentDown()) {
            for (auto& [name, other] : slots_)
                other.hubReset = true;
            SlotChange reset;
            reset.kind = SlotChangeKind::HubReset;
            reset.slots = static_cast<int>(slots_.size());
            changes.push_back(reset);
        }
        if (slot.state == SlotState::Busy) {
            slot.lost = true;
            changes.push_back({SlotChangeKind::Lost, it->first, slot.link, slot.hubReset});
            ++it;
            continue;
        }
        changes.push_back({SlotChangeKind::Removed, it->first, slot.link, slot.hubReset});
        it = slots_.erase(it);
    }
    for (auto& [name, slot] : slots_) {
        if (slot.state == SlotState::Settling && !slot.missingSince && !flagged_.contains(name) &&
            now - slot.since >= timing_.settle) {
            slot.state = SlotState::Ready;
            changes.push_back({SlotChangeKind::Ready, name, slot.link});
        }
    }
    return changes;
}

bool SlotTracker::HubWentDown() const {
    if (slots_.size() < 2)
        return false;  // one slot going is one unit taken out
    std::optional<Clock::time_point> first, last;
    bool unitRunning = false;
    for (const auto& [name, slot] : slots_) {
        if (!slot.missingSince || slot.lost)
            return false;
        first = first ? std::min(*first, *slot.missingSince) : *slot.missingSince;
        last = last ? std::max(*last, *slot.missingSince) : *slot.missingSince;
        unitRunning = unitRunning || slot.state == SlotState::Busy;
    }
    // Finished units all taken out at once are a tray emptied, not a reset.
    return unitRunning && *last - *first <= kHubDropSpread;
}

std::vector<std::string> SlotTracker::ReadySlots() const {
    std::vector<std::string> ready;
    for (const auto& [name, slot] : slots_) {
        if (slot.state == SlotState::Ready && !slot.missingSince && !flagged_.contains(name))
            ready.push_back(name);
    }
    return ready;
}

std::vector<std::string> SlotTracker::SettlingSlots() const {
    std::vector<std::string> settling;
    for (const auto& [name, slot] : slots_) {
        if (slot.state == SlotState::Settling && !slot.missingSince && !flagged_.contains(name))
            settling.push_back(name);
    }
    return settling;
}

std::vector<SlotChange> SlotTracker::Settled(const std::string& name) {
    const auto found = slots_.find(name);
    if (found == slots_.end() || found->second.state != SlotState::Settling ||
        found->second.missingSince || flagged_.contains(name))
        return {};
    found->second.state = SlotState::Ready;
    return {{SlotChangeKind::Ready, name, found->second.link}};
}

void SlotTracker::UnitStarted(const std::string& slot) {
    if (const auto found = slots_.find(slot); found != slots_.end())
        found->second.state = SlotState::Busy;
}

std::vector<SlotChange> SlotTracker::UnitEnded(const std::string& name, bool passed,
                                               Clock::time_point now) {
    std::vector<SlotChange> changes;
    const auto found = slots_.find(name);
    if (found == slots_.end())
        return changes;
    Slot& slot = found->second;
    int& failures = failuresInARow_[name];
    if (passed)
        failures = 0;
    else if (!slot.hubReset)
        ++failures;
    if (failures >= kFailuresToFlag && flagged_.insert(name).second)
        changes.push_back({SlotChangeKind::Flagged, name, slot.link});
    if (!slot.lost) {
        slot.state = SlotState::Done;
        return changes;
    }
    if (slot.missingSince) {
        changes.push_back({SlotChangeKind::Removed, name, slot.link, slot.hubReset});
        slots_.erase(found);
        return changes;
    }
    // Plugged again while the lost unit was still ending: a new unit.
    slot = Slot{slot.link, SlotState::Settling, now, std::nullopt, false, false};
    changes.push_back({SlotChangeKind::Plugged, name, slot.link});
    return changes;
}

std::optional<SlotTracker::Clock::time_point> SlotTracker::NextDeadline() const {
    std::optional<Clock::time_point> next;
    const auto consider = [&next](Clock::time_point due) {
        if (!next || due < *next)
            next = due;
    };
    for (const auto& [name, slot] : slots_) {
        if (slot.missingSince && !slot.lost)
            consider(*slot.missingSince + timing_.reenumeration);
        else if (slot.state == SlotState::Settling && !slot.missingSince &&
                 !flagged_.contains(name))
            consider(slot.since + timing_.settle);
    }
    return next;
}

std::optional<SlotState> SlotTracker::StateOf(const std::string& slot) const {
    const auto found = slots_.find(slot);
    if (found == slots_.end())
        return std::nullopt;
    return found->second.state;
}

std::optional<SlotLink> SlotTracker::LinkOf(const std::string& slot) const {
    const auto found = slots_.find(slot);
    if (found == slots_.end())
        return std::nullopt;
    return found->second.link;
}
