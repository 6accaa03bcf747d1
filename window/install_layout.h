// Whether a copy of the tool is installed or portable, and the user's
// folders an installed copy keeps its files in. The window (every face) and
// printer-cli decide by this one rule, so that they agree.
//
// The decision follows the layout, never whether the program's folder can be
// written: root (or a per-user install) can write to an installed program's
// folder, and files left there would outlive an uninstall.
#pragma once

#include <filesystem>

// The folder under <prefix>/share that an installation ships its files in.
inline constexpr const char* kShareFolderName = "printer-tool";

// A file of this name beside the executable marks its copy as installed where
// there is no prefix layout: a Windows installer writes it, a zip lacks it.
inline constexpr const char* kInstalledMarkerName = "printer-tool.installed";

struct ProgramLayout {
    bool installed = false;
    // Whether the program's files go beside it: a portable copy whose folder
    // takes files. Otherwise they go to the user's folders.
    bool filesBesideProgram = false;
    // The installation's <prefix>/share/printer-tool when it exists, else empty.
    std::filesystem::path shareFolder;
};

// Installed when the executable sits in <prefix>/bin with
// <prefix>/share/printer-tool beside it (as a package or `cmake --install`
// lays it out), or when the marker file is beside it. Anything else (a build
// folder, an unpacked zip, a copy in a folder of the user's) is portable, and
// keeps its files beside itself unless its folder takes none (a read-only
// share), when it falls back to the user's folders too.
ProgramLayout DetectLayout(const std::filesystem::path& exeFolder);

// Whether a file can be created in `folder`. Tried rather than read from the
// mode bits, which an administrator's account ignores.
bool FolderTakesFiles(const std::filesystem::path& folder);

// The per-user folders of an installed copy; a folder is empty when the
// environment names no home for it.
struct UserFolders {
    std::filesystem::path config;  // the configuration (and font.bin)
    std::filesystem::path data;    // debug.log and logo.bin
};

// Linux and other Unix: $XDG_CONFIG_HOME/printer-tool (else
// ~/.config/printer-tool) and $XDG_DATA_HOME/printer-tool (else
// ~/.local/share/printer-tool); macOS: ~/Library/Application Support/
// printer-tool for both; Windows: %APPDATA%\printer-tool and
// %LOCALAPPDATA%\printer-tool.
UserFolders UserFoldersFromEnvironment();
