#include "cli_transfer.h"

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "comm_thread.h"
#include "firmware_check.h"
#include "json_line.h"
#include "path_text.h"
#include "transfer_input.h"

namespace {

std::string Hex16(uint16_t code) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(code));
    return text;
}

std::string Describe(const std::string& name, const TransferPlan& plan, const std::string& tail) {
    return name + " (" + std::to_string(plan.bytes) + " bytes, " + std::to_string(plan.blocks) +
           (plan.blocks == 1 ? " block" : " blocks") + " from " + HexAddress(plan.firstAddress) +
           tail + ")";
}

}  // namespace

int BadInput(const CliRequest& request, const std::string& reason) {
    if (request.json) {
        std::cout << JsonLine({{"event", "result"},
                               {"ok", false},
                               {"code", kExitUsage},
                               {"message", reason},
                               {"port", request.port}})
                  << std::endl;
    } else {
        std::cerr << "printer-cli: " << reason << "\n";
    }
    return kExitUsage;
}

bool LoadTransferInput(const CliRequest& request, TransferInput& input, std::string& error) {
    if (request.command == CliCommand::Firmware) {
        if (!LoadFirmwareImage(PathFromUtf8(request.firmwarePath), input.image, error))
            return false;
        input.plan =
            PlanTransfer(input.image.size(), 0, true, static_cast<uint32_t>(request.transferRate));
        input.what = Describe("firmware image " + request.firmwarePath, input.plan, "");
        return true;
    }
    std::vector<PreparedDownload> files;
    if (!PrepareDownloads({request.download}, files, error))
        return false;
    const PreparedDownload& file = files.front();
    input.plan = PlanTransfer(file.bytes.size(), file.start, false,
                              static_cast<uint32_t>(request.transferRate));
    input.what = Describe(file.name, input.plan, ", command " + Hex16(file.command));
    return true;
}

void PrintTransferPlan(const CliRequest& request, const TransferInput& input) {
    const TransferPlan& plan = input.plan;
    if (request.json) {
        std::cout << JsonLine(nlohmann::json{{"event", "plan"},
                                             {"bytes", plan.bytes},
                                             {"blocks", plan.blocks},
                                             {"first", plan.firstAddress},
                                             {"last", plan.lastAddress},
                                             {"rate", request.transferRate},
                                             {"wireSeconds", plan.wireSeconds}})
                  << std::endl;
        return;
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", plan.wireSeconds);
    std::cout << "would send " << input.what << "\n"
              << "  blocks:   " << plan.blocks << ", the last at " << HexAddress(plan.lastAddress)
              << "\n"
              << "  on line:  " << seconds << " s at " << request.transferRate << " bit/s\n";
}

int CheckFirmwareCommand(const CliRequest& request) {
    std::vector<uint8_t> image;
    std::string error;
    const bool valid = LoadFirmwareImage(PathFromUtf8(request.firmwarePath), image, error);
    if (request.json) {
        std::cout << JsonLine(nlohmann::json{{"event", "result"},
                                             {"ok", valid},
                                             {"code", valid ? 0 : kExitUsage},
                                             {"file", request.firmwarePath},
                                             {"bytes", image.size()},
                                             {"message", valid ? "valid firmware image" : error}})
                  << std::endl;
    } else if (valid) {
        if (!request.quiet)
            std::cout << request.firmwarePath << ": valid firmware image of " << image.size()
                      << " bytes\n";
    } else {
        std::cerr << "printer-cli: " << error << "\n";
    }
    return valid ? 0 : kExitUsage;
}
