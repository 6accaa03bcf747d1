#include "progress_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

int Percent(int64_t done, int64_t total) {
    if (total <= 0)
        return done > 0 ? 100 : 0;
    return static_cast<int>(std::clamp<int64_t>(done * 100 / total, 0, 100));
}

std::string Rate(double bytesPerSecond) {
    char text[32];
    if (bytesPerSecond >= 1000.0) {
        std::snprintf(text, sizeof text, "%.1f kB/s", bytesPerSecond / 1000.0);
    } else {
        std::snprintf(text, sizeof text, "%.0f B/s", bytesPerSecond);
    }
    return text;
}

std::string Duration(double seconds) {
    const long whole = std::lround(std::max(0.0, seconds));
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
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
    const int percent = Percent(done, total);
    const int filled = percent * width / 100;
    std::string line = "[" + std::string(static_cast<size_t>(filled), '#') +
                       std::string(static_cast<size_t>(width - filled), '.') + "] ";
    char number[16];
    std::snprintf(number, sizeof number, "%3d%%", percent);
    line += number;
    line += "  " + std::to_string(done) + "/" + std::to_string(total) + " bytes";
    if (elapsedSeconds > 0.0 && done > 0) {
        const double rate = static_cast<double>(done) / elapsedSeconds;
        line += "  " + Rate(rate);
        if (done < total)
            line += "  " + Duration(static_cast<double>(total - done) / rate) + " left";
    }
    return line;
}
