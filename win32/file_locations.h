// Where printer-tool.exe keeps its files, by the rule printer-cli follows
// too (install_layout.h): the installer leaves a marker file beside the exe
// that the zip does not have. A portable copy keeps everything beside the
// exe; an installed copy, and a portable one in a folder that takes no
// files, keep the configuration in %APPDATA%\printer-tool and the debug log
// and logo.bin in %LOCALAPPDATA%\printer-tool, so that an uninstall or an
// update never deletes them.
#pragma once

#include <string>

#include "window_logic.h"

struct Win32FileLocations {
    bool installed = false;
    bool userFolders = false;  // the files go to the user's folders
    WindowFiles files;
};

Win32FileLocations ChooseFileLocations();

// Creates the user's folders when the files go there. The failure's text,
// or empty.
std::string PrepareUserFolders(const Win32FileLocations& locations);
