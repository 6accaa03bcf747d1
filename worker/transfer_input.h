// What a transfer sends, read and checked before anything goes on the line:
// a file that cannot be read, an entry whose numbers do not convert, or a
// file whose blocks would wrap around the address space is refused while
// the printer has not been contacted yet.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "job_request.h"

// The largest file a transfer takes: its byte counts travel as signed 32-bit
// progress values.
inline constexpr uint64_t kMaxTransferFileSize = 0x7FFFFFFF;

// Reads the whole file; false with `error` naming the file ("the file
// /x/font.bin does not exist").
bool ReadWholeFile(const std::filesystem::path& path, std::vector<uint8_t>& bytes,
                   std::string& error);

// One download entry, ready to send.
struct PreparedDownload {
    std::string name;
    uint16_t command = 0;  // the low 16 bits of the entry's code
    uint32_t start = 0;
    std::vector<uint8_t> bytes;
};

// The entries to send, in order; entries named "-" are passed over. False
// with `error` at the first entry that cannot be sent.
bool PrepareDownloads(const DownloadList& list, std::vector<PreparedDownload>& prepared,
                      std::string& error);

// Reads a firmware image and checks it; false with `error` saying which rule
// failed.
bool LoadFirmwareImage(const std::filesystem::path& path, std::vector<uint8_t>& image,
                       std::string& error);
