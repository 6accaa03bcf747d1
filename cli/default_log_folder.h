// Where printer-cli writes "debug.log" when --log does not say.
#pragma once

#include <filesystem>

// `exeFolder` when a file can be created there (a portable copy, a build
// folder); otherwise the user's data folder of printer-tool, created when
// missing: $XDG_DATA_HOME/printer-tool, else ~/.local/share/printer-tool
// (%LOCALAPPDATA%\printer-tool on Windows). The window keeps its log in the
// same folder.
std::filesystem::path DefaultLogFolder(const std::filesystem::path& exeFolder);
