// Where printer-cli writes "debug.log" when --log does not say.
#pragma once

#include <filesystem>

// By the rule the window follows too (install_layout.h): a portable copy
// whose folder takes files writes beside itself; an installed copy (even
// when it may write there: root, a per-user install), or a portable one in a
// read-only folder, writes into the user's data folder of printer-tool,
// created when missing.
std::filesystem::path DefaultLogFolder(const std::filesystem::path& exeFolder);
