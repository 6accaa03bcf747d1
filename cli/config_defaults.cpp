// --config FILE: the window's configuration file, read as the window reads it.
#include <filesystem>

#include "path_text.h"

#include "cli_command.h"
#include "ini_storage.h"

std::optional<std::string> LoadConfigDefaults(const std::string& path, ConfigDefaults& config) {
    // A missing file would read as all defaults; the user named it, so it is a mistake.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(PathFromUtf8(path), ec))
        return "--config: " + path + " is not a file";
    const auto text = ReadIniText(path);
    if (!text)
        return "--config: " + path + " could not be read";
    config.settings = ReadStartSettings(IniFile::Parse(*text));
    config.path = path;
    return std::nullopt;
}
