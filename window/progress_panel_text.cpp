#include "progress_panel_text.h"

#include <algorithm>
#include <cstdio>

std::optional<std::string> ProgressText(int32_t done, int32_t total) {
    if (total == 0)
        return std::nullopt;
    constexpr int32_t kBlockSize = 256;
    const auto perMille =
        static_cast<int32_t>(std::min<int64_t>(int64_t{done} * 1000 / total, 1000));
    char text[64];
    std::snprintf(text, sizeof text, "Finished: %d.%d%%(%d/%d)", perMille / 10, perMille % 10,
                  done / kBlockSize, total / kBlockSize);
    return std::string(text);
}
