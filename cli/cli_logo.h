// printer-cli logo: the pictures composed into one logo image, written where
// asked, and the request turned into the download of that image.
#pragma once

#include <filesystem>
#include <string>

#include "cli_request.h"

// The image file when no --output names one; removed when done.
class ScratchFile {
  public:
    ScratchFile() = default;
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // A new name in the temporary folder.
    const std::filesystem::path& Create();

  private:
    std::filesystem::path path_;
};

// Composes the pictures, writes the image (and the preview), prints the
// space line and makes `request` a download of the image. False with the
// reason in `error`: bad input, exit 2, nothing sent.
bool PrepareLogoDownload(CliRequest& request, ScratchFile& scratch, std::string& error);
