#include "logo_preview_pixels.h"

#include <algorithm>

namespace {

// The outline sits around the box, so the dots keep their places.
constexpr int kOutline = 1;
constexpr int kGap = 4;  // between pictures

int PreviewWidth(const LogoRecord& record) {
    return static_cast<int>(record.bytesPerRow * 8) + 2 * kOutline;
}
int PreviewHeight(const LogoRecord& record) {
    return static_cast<int>(record.rows) + 2 * kOutline;
}

void PaintRecord(LogoPreviewPixels& target, int top, const LogoBuild& build,
                 const LogoRecord& record) {
    const int width = PreviewWidth(record);
    const int height = PreviewHeight(record);
    const auto put = [&](int x, int y, uint32_t colour) {
        target.pixels[static_cast<size_t>((top + y) * target.width + x)] = colour;
    };
    for (int x = 0; x < width; ++x) {
        put(x, 0, kPreviewOutline);
        put(x, height - 1, kPreviewOutline);
    }
    for (int y = 0; y < height; ++y) {
        put(0, y, kPreviewOutline);
        put(width - 1, y, kPreviewOutline);
    }
    for (size_t y = 0; y < record.rows; ++y) {
        for (size_t x = 0; x < record.bytesPerRow * 8; ++x) {
            if (LogoDot(build.image, record, x, y))
                put(kOutline + static_cast<int>(x), kOutline + static_cast<int>(y), kPreviewDot);
        }
    }
}

LogoPreviewPixels Blank(int width, int height) {
    return {width, height,
            std::vector<uint32_t>(static_cast<size_t>(width) * static_cast<size_t>(height),
                                  kPreviewBlank)};
}

}  // namespace

LogoPreviewPixels LogoRecordPreviewPixels(const LogoBuild& build, size_t record) {
    if (record >= build.records.size())
        return {};
    const LogoRecord& shown = build.records[record];
    LogoPreviewPixels preview = Blank(PreviewWidth(shown), PreviewHeight(shown));
    PaintRecord(preview, 0, build, shown);
    return preview;
}

LogoPreviewPixels LogoImagePreviewPixels(const LogoBuild& build) {
    int width = 1;
    int height = 0;
    for (const LogoRecord& record : build.records) {
        width = std::max(width, PreviewWidth(record));
        height += PreviewHeight(record) + kGap;
    }
    LogoPreviewPixels preview = Blank(width, std::max(1, height - kGap));
    int top = 0;
    for (const LogoRecord& record : build.records) {
        PaintRecord(preview, top, build, record);
        top += PreviewHeight(record) + kGap;
    }
    return preview;
}
