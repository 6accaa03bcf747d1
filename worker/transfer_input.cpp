#include "transfer_input.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "block_transfer.h"
#include "firmware_check.h"
#include "int_conversion.h"
#include "path_text.h"

namespace fs = std::filesystem;

bool ReadWholeFile(const fs::path& path, std::vector<uint8_t>& bytes, std::string& error) {
    const std::string shown = PathText(path);
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status)) {
        error = "the file " + shown + " does not exist";
        return false;
    }
    if (!fs::is_regular_file(status)) {
        error = shown + " is not a file";
        return false;
    }
    const uintmax_t size = fs::file_size(path, ec);
    if (ec) {
        error = "the file " + shown + " could not be read: " + ec.message();
        return false;
    }
    if (size > kMaxTransferFileSize) {
        error = "the file " + shown + " has " + std::to_string(size) + " bytes, more than the " +
                std::to_string(kMaxTransferFileSize) + " a transfer takes";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "the file " + shown + " could not be opened: " + std::strerror(errno);
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    // A file that changed size meanwhile is sent as it was read.
    if (in.bad() || static_cast<uintmax_t>(in.gcount()) != size) {
        error = "the file " + shown + " could not be read completely";
        return false;
    }
    return true;
}

bool PrepareDownloads(const DownloadList& list, std::vector<PreparedDownload>& prepared,
                      std::string& error) {
    prepared.clear();
    for (const DownloadEntry& entry : list) {
        if (entry.name == "-")
            continue;
        PreparedDownload file;
        file.name = entry.name;
        const auto command = ParseInt32(entry.command);
        if (!command) {
            error =
                "the command code of " + entry.name + ": " + InvalidIntegerMessage(entry.command);
            return false;
        }
        const auto start = ParseInt32(entry.address);
        if (!start) {
            error =
                "the start address of " + entry.name + ": " + InvalidIntegerMessage(entry.address);
            return false;
        }
        // Frames carry the low 16 bits of the code; a negative address is
        // the bit pattern of a high one ("$FFFFFF00").
        file.command = static_cast<uint16_t>(*command);
        file.start = static_cast<uint32_t>(*start);
        if (!ReadWholeFile(entry.path, file.bytes, error))
            return false;
        // An empty file is a mistake (a failed export, the wrong name), never
        // a download that succeeds without sending anything.
        if (file.bytes.empty()) {
            error = "the file " + PathText(entry.path) + " is empty: there is nothing to send";
            return false;
        }
        if (const auto problem = AddressRangeProblem(file.bytes.size(), file.start)) {
            error = PathText(entry.path) + " cannot be downloaded: " + *problem;
            return false;
        }
        prepared.push_back(std::move(file));
    }
    return true;
}

bool LoadFirmwareImage(const fs::path& path, std::vector<uint8_t>& image, std::string& error) {
    if (!ReadWholeFile(path, image, error))
        return false;
    const FirmwareCheckResult check = CheckFirmwareImage(image);
    if (!check.Sound()) {
        error = PathText(path) + " is not a valid firmware image: " + check.reason;
        return false;
    }
    return true;
}
