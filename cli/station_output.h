// printer-cli's face of the station: one line per event on stdout
// ("SLOT: unit 12: PASS serial ZD001000 ..."), or one JSON object per event
// with --json, each with its "slot". Transfer progress is left to a screen.
#pragma once

#include <nlohmann/json.hpp>

#include "station_events.h"

class StationPrinter : public StationSink {
  public:
    explicit StationPrinter(bool json) : json_(json) {}
    void Event(const StationEvent& event) override;

  private:
    bool json_;
};

// The event as its JSON object.
nlohmann::json StationEventJson(const StationEvent& event);
