// Paths and UTF-8 text. On Windows a path's narrow form is in the ANSI code
// page, which cannot hold every name (and then throws or loses letters), so
// text that names a file goes through these two in both directions.
#pragma once

#include <filesystem>
#include <string>

// A path as UTF-8 text, for messages.
inline std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

// The path that UTF-8 text names.
inline std::filesystem::path PathFromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}
