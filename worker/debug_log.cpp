#include "debug_log.h"

#include "new_file.h"
#include "path_text.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

LogTime LocalLogTime() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    LogTime t;
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = local.tm_sec;
    t.millisecond = static_cast<int>(ms.count());
    return t;
}

std::string FormatTimestamp(const LogTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, " %02d-%02d-%02d %02d:%02d:%02d %03d ", t.year % 100, t.month,
                  t.day, t.hour, t.minute, t.second, t.millisecond);
    return text;
}

std::vector<std::string> HexDumpLines(const uint8_t* bytes, size_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::vector<std::string> lines;
    std::string hex;
    std::string text;
    auto startLine = [&] {
        hex = "    ";
        text = "    ;";
    };
    // Appends one byte position; a null byte pointer pads the position.
    auto put = [&](const uint8_t* byte, size_t position) {
        if (byte != nullptr) {
            hex += kDigits[*byte >> 4];
            hex += kDigits[*byte & 0x0F];
            hex += ' ';
            text += *byte <= 0x20 ? ' ' : static_cast<char>(*byte);
        } else {
            hex += "   ";
            text += ' ';
        }
        if (position == 7 || position == 15)
            hex += "   ";
    };
    startLine();
    size_t inLine = 0;
    for (size_t i = 0; i < count; ++i) {
        put(&bytes[i], inLine);
        if (++inLine == 16) {
            lines.push_back(hex + text);
            startLine();
            inLine = 0;
        }
    }
    if (inLine > 0) {
        for (; inLine < 16; ++inLine)
            put(nullptr, inLine);
        lines.push_back(hex + text);
    }
    return lines;
}

void DebugLog::LogHex(const uint8_t* bytes, size_t count) {
    for (std::string& line : HexDumpLines(bytes, count))
        LogLine(line);
}

bool DebugLog::Save(const std::filesystem::path& path, std::string& error) const {
    namespace fs = std::filesystem;
    std::string text;
    for (const std::string& line : lines_) {
        text += line;
        text += "\r\n";
    }
    // A name of its own: the window and printer-cli may save the same log
    // at once, and a shared ".tmp" would let one cut the other's file.
    const fs::path temporary = WriteNewSibling(path, text, error);
    if (temporary.empty())
        return false;
    std::error_code ec;
    fs::rename(temporary, path, ec);
    if (ec) {
        error = "cannot replace " + PathText(path) + ": " + ec.message();
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}
