// Where printer-tool.exe keeps its files. The layout decides, not whether the
// folder can be written: the installer leaves a marker file beside the exe
// that the zip does not have. A portable copy keeps everything beside the
// exe; an installed copy keeps its configuration in %APPDATA%\printer-tool
// and the debug log and logo.bin in %LOCALAPPDATA%\printer-tool, so that an
// uninstall or an update never deletes them.
#pragma once

#include <string>

#include "window_logic.h"

// The installer's marker, beside the exe.
inline constexpr const wchar_t* kInstalledMarker = L"printer-tool.installed";

struct Win32FileLocations {
    bool installed = false;
    WindowFiles files;
};

Win32FileLocations ChooseFileLocations();

// Creates the user's folders of an installed copy. The failure's text, or empty.
std::string PrepareUserFolders(const Win32FileLocations& locations);
