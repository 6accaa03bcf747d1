#include "station_output.h"

#include <iostream>

#include "json_line.h"

nlohmann::json StationEventJson(const StationEvent& event) {
    nlohmann::json json = {
        {"event", StationEventWord(event.kind)},
        {"slot", event.slot.empty() ? nlohmann::json() : nlohmann::json(event.slot)},
        {"message", event.message}};
    if (event.unit != 0)
        json["unit"] = event.unit;
    if (!event.port.empty())
        json["port"] = event.port;
    if (!event.step.empty())
        json["step"] = event.step;
    if (!event.serial.empty())
        json["serial"] = event.serial;
    if (event.rate != 0)
        json["rate"] = event.rate;
    if (event.flagged)
        json["flagged"] = true;
    if (event.hubReset)
        json["hubReset"] = true;
    if (event.left >= 0)
        json["left"] = event.left;
    if (event.kind == StationEventKind::Result) {
        json["result"] = event.result;
        json["reason"] = event.reason;
        json["log"] = event.log;
        json["elapsed"] = event.seconds;
    }
    return json;
}

void StationPrinter::Event(const StationEvent& event) {
    if (event.kind == StationEventKind::Progress)
        return;
    if (json_) {
        std::cout << JsonLine(StationEventJson(event)) << std::endl;
        return;
    }
    std::string line;
    if (!event.slot.empty())
        line = event.slot + ": ";
    if (event.kind == StationEventKind::Warning)
        line += "warning: ";
    if (event.unit != 0)
        line += "unit " + std::to_string(event.unit) + ": ";
    std::cout << line << event.message << std::endl;
}
