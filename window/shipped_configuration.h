// The configuration the package ships (data/package/printer-tool.ini),
// compiled into the program: the last place a first start takes it from,
// when no shipped file lies where the layout says (build/bin, a copied
// executable), so that the window still has its code pages.
#pragma once

#include <filesystem>
#include <string_view>

std::string_view ShippedConfiguration();

// Writes it as `file` unless a file is there already; false when it could
// not be written.
bool WriteShippedConfiguration(const std::filesystem::path& file);
