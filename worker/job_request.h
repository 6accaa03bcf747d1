// What the front end hands the worker for a job, written only while the
// worker is idle.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
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

// One file of a download job: the file, the name shown while it is sent
// ("-" passes the entry over), and the command code and start address as
// texts in the tool's integer notation, converted by the job.
struct DownloadEntry {
    std::filesystem::path path;
    std::string name;
    std::string command;
    std::string address;
};

// The files of a download job, sent in order.
using DownloadList = std::vector<DownloadEntry>;
