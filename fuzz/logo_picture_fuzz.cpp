// Picture decoding (Qt's readers behind DecodeLogoPictureBytes) and the logo
// image composed of the pictures, with small limits so that a header that
// claims a huge picture is refused before anything is allocated.
//
// Input: byte 0 picks the printer's limits, byte 1 how many pictures follow;
// every picture but the last is a 16-bit little-endian size and its bytes,
// the last takes the rest. A picture that starts with "RAW" is not decoded
// but taken as width, height and colours (3 bytes each) as they follow.
//
// What must hold: a decoded picture is within the pixel limit and has one
// colour per pixel; a logo image that was built lies within the logo memory,
// its records follow each other without a gap, and every dot of a record is
// set exactly when its picture's pixel is dark; a failed build names the
// picture and keeps only the records before it.
#include <QtGlobal>
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "logo_image.h"
#include "logo_pictures.h"

namespace {

uint16_t U16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// Far below the tool's own limit: a few hundred kilobytes a picture at most.
constexpr int64_t kFuzzMaxPixels = 64 * 1024;

LogoPicture RawPicture(std::span<const uint8_t> bytes, const std::string& name) {
    LogoPicture picture;
    picture.name = name;
    if (bytes.size() < 5)
        return picture;
    picture.width = static_cast<int8_t>(bytes[3]);  // negative widths too
    picture.height = bytes[4];
    for (size_t at = 5; at + 3 <= bytes.size(); at += 3)
        picture.colours.push_back(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16);
    // Mostly the right count, sometimes not.
    if (picture.width > 0 && bytes[4] % 8 != 7)
        picture.colours.resize(static_cast<size_t>(picture.width * picture.height), 0xFFFFFF);
    return picture;
}

bool Dark(uint32_t colour) {
    return colour < 0x800000;
}

void CheckRecord(const LogoBuild& build, const LogoRecord& record, const LogoPicture& picture) {
    const std::vector<uint8_t>& image = build.image;
    FUZZ_CHECK(record.RasterOffset() + record.bytesPerRow * record.rows <= image.size());
    FUZZ_CHECK(U16(&image[record.offset]) == record.bytesPerRow);
    FUZZ_CHECK(U16(&image[record.offset + 2]) * 8u == record.rows);
    FUZZ_CHECK(record.rows % 8 == 0);
    const int64_t boxWidth = static_cast<int64_t>(record.bytesPerRow) * 8;
    FUZZ_CHECK(boxWidth >= picture.width && boxWidth - picture.width < 8);
    FUZZ_CHECK(static_cast<int64_t>(record.rows) >= picture.height &&
               static_cast<int64_t>(record.rows) - picture.height < 8);
    const size_t left = static_cast<size_t>(boxWidth - picture.width) / 2;
    const size_t top = (record.rows - static_cast<size_t>(picture.height)) / 2;
    size_t dark = 0;
    for (int64_t y = 0; y < picture.height; ++y) {
        for (int64_t x = 0; x < picture.width; ++x) {
            const bool isDark = Dark(picture.colours[static_cast<size_t>(y * picture.width + x)]);
            dark += isDark;
            FUZZ_CHECK(LogoDot(image, record, left + static_cast<size_t>(x),
                               top + static_cast<size_t>(y)) == isDark);
        }
    }
    // The pad dots are clear: the raster holds no more dots than the picture.
    size_t dots = 0;
    for (size_t i = 0; i < record.bytesPerRow * record.rows; ++i)
        dots += static_cast<size_t>(std::popcount(image[record.RasterOffset() + i]));
    FUZZ_CHECK(dots == dark);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Qt's readers warn about every broken file; a fuzzer makes millions.
    static const QtMessageHandler quiet =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    (void)quiet;
    if (size < 2)
        return 0;
    LogoLimits limits;
    limits.width = 8 + (data[0] & 0x0F) * 25;             // 8 to 383 dots
    limits.size = 3 + (int64_t{data[0] >> 4} << 10) + 100;  // 103 bytes to about 15 KB
    const size_t count = 1 + data[1] % 4;

    std::vector<std::span<const uint8_t>> chunks;
    size_t at = 2;
    for (size_t i = 0; i + 1 < count && at + 2 <= size; ++i) {
        const size_t length = std::min<size_t>(U16(data + at), size - at - 2);
        chunks.emplace_back(data + at + 2, length);
        at += 2 + length;
    }
    chunks.emplace_back(data + at, size - at);

    LogoComposer composer(chunks.size(), limits);
    std::vector<LogoPicture> appended;
    for (size_t i = 0; i < chunks.size(); ++i) {
        const std::string name = "picture" + std::to_string(i + 1) + ".bmp";
        std::optional<LogoPicture> picture;
        if (chunks[i].size() >= 3 && std::memcmp(chunks[i].data(), "RAW", 3) == 0) {
            picture = RawPicture(chunks[i], name);
        } else {
            LogoFailure failure;
            picture = DecodeLogoPictureBytes(chunks[i], name, failure, kFuzzMaxPixels);
            if (!picture) {
                FUZZ_CHECK(failure.title == kPictureInvalid);
                FUZZ_CHECK(failure.reason.find(name) != std::string::npos);
                composer.Fail(failure);
                break;
            }
            FUZZ_CHECK(picture->width > 0 && picture->height > 0);
            FUZZ_CHECK(picture->width * picture->height <= kFuzzMaxPixels);
            FUZZ_CHECK(picture->colours.size() ==
                       static_cast<size_t>(picture->width * picture->height));
        }
        if (!composer.Append(*picture))
            break;
        appended.push_back(std::move(*picture));
    }

    const LogoBuild& build = composer.Build();
    FUZZ_CHECK(build.image.size() >= kLogoPreambleSize);
    FUZZ_CHECK(build.image[0] == kLogoMagic0 && build.image[1] == kLogoMagic1);
    FUZZ_CHECK(build.image[2] == chunks.size());
    FUZZ_CHECK(build.records.size() == appended.size());
    FUZZ_CHECK(build.Ok() == (appended.size() == chunks.size()));
    if (!build.Ok()) {
        const std::string& title = build.failure->title;
        FUZZ_CHECK(title == kPictureInvalid || title == kLogoError);
        const std::string failed = "picture" + std::to_string(appended.size() + 1) + ".bmp";
        FUZZ_CHECK(build.failure->reason.find(failed) != std::string::npos);
    }
    FUZZ_CHECK(build.image.size() <= static_cast<size_t>(limits.size));
    size_t next = kLogoPreambleSize;
    for (size_t i = 0; i < build.records.size(); ++i) {
        const LogoRecord& record = build.records[i];
        FUZZ_CHECK(record.offset == next);
        FUZZ_CHECK(appended[i].width <= limits.width);
        CheckRecord(build, record, appended[i]);
        next = record.RasterOffset() + record.bytesPerRow * record.rows;
    }
    FUZZ_CHECK(next == build.image.size());

    const std::string space = LogoSpaceText(static_cast<int64_t>(build.image.size()), limits.size);
    FUZZ_CHECK(space.rfind("SPACE: ", 0) == 0);
    return 0;
}
