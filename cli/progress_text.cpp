#include "progress_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kMinBarWidth = 10;
constexpr int kMaxBarWidth = 50;

int Percent(int64_t done, int64_t total) {
    if (total <= 0)
        return done > 0 ? 100 : 0;
    return static_cast<int>(std::clamp<int64_t>(done * 100 / total, 0, 100));
}

std::string Rate(double bytesPerSecond) {
    char text[32];
    if (bytesPerSecond >= 1e6) {
        std::snprintf(text, sizeof text, "%.1f MB/s", bytesPerSecond / 1e6);
    } else if (bytesPerSecond >= 1000.0) {
        std::snprintf(text, sizeof text, "%.1f kB/s", bytesPerSecond / 1000.0);
    } else {
        std::snprintf(text, sizeof text, "%.0f B/s", bytesPerSecond);
    }
    return text;
}

std::string Duration(double seconds) {
    const long whole = std::lround(std::clamp(seconds, 0.0, 1e9));
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

// What a bar line shows besides the bar and the percentage.
struct BarParts {
    bool bytes = true;
    bool rate = true;
    bool left = true;
};

std::string BarLine(int64_t done, int64_t total, double elapsedSeconds, int width, BarParts parts) {
    const int percent = Percent(done, total);
    std::string line;
    if (width > 0) {
        const int filled = percent * width / 100;
        line = "[" + std::string(static_cast<size_t>(filled), '#') +
               std::string(static_cast<size_t>(width - filled), '.') + "] ";
    }
    char number[16];
    std::snprintf(number, sizeof number, width > 0 ? "%3d%%" : "%d%%", percent);
    line += number;
    if (parts.bytes)
        line += "  " + std::to_string(done) + "/" + std::to_string(total) + " bytes";
    if (elapsedSeconds > 0.0 && done > 0) {
        const double rate = static_cast<double>(done) / elapsedSeconds;
        if (parts.rate)
            line += "  " + Rate(rate);
        if (parts.left && done < total)
            line += "  " + Duration(static_cast<double>(total - done) / rate) + " left";
    }
    return line;
}

// Every byte but a UTF-8 continuation byte starts a character.
bool StartsCharacter(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
}

int Digits(int64_t value) {
    return static_cast<int>(std::to_string(std::max<int64_t>(value, 0)).size());
}

}  // namespace

int ProgressDecile(int64_t done, int64_t total) {
    return Percent(done, total) / 10;
}

std::string ProgressPlainLine(int64_t done, int64_t total) {
    return std::to_string(Percent(done, total)) + "% (" + std::to_string(done) + " of " +
           std::to_string(total) + " bytes)";
}

std::string ProgressBarLine(int64_t done, int64_t total, double elapsedSeconds, int width) {
    return BarLine(done, total, elapsedSeconds, width, BarParts{});
}

std::string FittedProgressLine(int64_t done, int64_t total, double elapsedSeconds, int columns) {
    const int room = columns - 1;
    // Each part's widest form, so the bar keeps its width while the rate
    // and the time left change theirs.
    const int bytesWidth = 2 + 2 * Digits(std::max(done, total)) + 7;  // "  done/total bytes"
    const int rateWidth = 2 + 10;                                      // "  999.9 kB/s"
    const int leftWidth = 2 + 11;                                      // "  999:59 left"
    const int fixedWidth = 2 + 1 + 4;                                  // "[", "] ", "100%"
    const BarParts choices[] = {
        {true, true, true}, {true, true, false}, {true, false, false}, {false, false, false}};
    for (const BarParts& parts : choices) {
        const int reserved = fixedWidth + (parts.bytes ? bytesWidth : 0) +
                             (parts.rate ? rateWidth : 0) + (parts.left ? leftWidth : 0);
        const int width = std::min(room - reserved, kMaxBarWidth);
        if (width >= kMinBarWidth)
            return CutToColumns(BarLine(done, total, elapsedSeconds, width, parts),
                                static_cast<size_t>(std::max(room, 0)));
    }
    // No room for a bar: the percentage, and the bytes if they fit.
    const std::string counted = BarLine(done, total, 0.0, 0, {true, false, false});
    const size_t fits = static_cast<size_t>(std::max(room, 0));
    if (TextColumns(counted) <= fits)
        return counted;
    return CutToColumns(BarLine(done, total, 0.0, 0, {false, false, false}), fits);
}

size_t TextColumns(const std::string& text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), StartsCharacter));
}

std::string CutToColumns(const std::string& text, size_t columns) {
    if (TextColumns(text) <= columns)
        return text;
    const std::string ellipsis = columns >= 3 ? "..." : "";
    const size_t keep = columns - ellipsis.size();
    size_t end = 0;
    for (size_t characters = 0; end < text.size(); ++end) {
        if (StartsCharacter(text[end]) && characters++ == keep)
            break;
    }
    return text.substr(0, end) + ellipsis;
}
