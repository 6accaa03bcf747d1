// A path as UTF-8 text, for messages: on Windows a path's narrow form is in
// the ANSI code page, which cannot hold every name (and then throws).
#pragma once

#include <filesystem>
#include <string>

inline std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}
