// What the front end hands the worker for a job, written only while the
// worker is idle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// JobCode values; 0 while idle.
enum : uint8_t {
    kJobIdle = 0,
    kJobIdentify = 1,  // open the link, identify the printer, close
    kJobDownloadFiles = 3,
    kJobSendSetting = 4,
    kJobFirmwareUpdate = 5,
};

// A file in memory with a read position: the file a download is sending, or
// the firmware image of an update.
struct FileBuffer {
    std::vector<uint8_t> bytes;
    size_t position = 0;
};

// The entries of a download job, one per file: path, name to show, command
// code and start address (the last two as texts, converted by the job).
struct DownloadList {
    std::vector<std::string> paths;
    std::vector<std::string> names;
    std::vector<std::string> commands;
    std::vector<std::string> addresses;

    void Clear() {
        paths.clear();
        names.clear();
        commands.clear();
        addresses.clear();
    }
};
