#include "logo_image.h"

#include <cstdio>

namespace {

// The record header holds both sizes as 16-bit values.
constexpr int64_t kMaxRecordField = 0xFFFF;

int64_t PadTo8(int64_t length) {
    return length % 8 == 0 ? 0 : 8 - length % 8;
}

void PutLittleEndian16(std::vector<uint8_t>& out, int64_t value) {
    out.push_back(static_cast<uint8_t>(value & 0xFF));
    out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

std::string Size(const LogoPicture& picture) {
    return std::to_string(picture.width) + " x " + std::to_string(picture.height) + " dots";
}

}  // namespace

LogoComposer::LogoComposer(size_t count, const LogoLimits& limits, LogoDots dots)
    : limits_(limits), dots_(dots) {
    build_.image = {kLogoMagic0, kLogoMagic1, static_cast<uint8_t>(count & 0xFF)};
    if (count > kMaxLogoPictures) {
        Fail({kLogoError, std::to_string(count) + " pictures; the logo image holds at most " +
                              std::to_string(kMaxLogoPictures)});
    }
}

void LogoComposer::Fail(LogoFailure failure) {
    if (!build_.failure)
        build_.failure = std::move(failure);
}

bool LogoComposer::Append(const LogoPicture& picture) {
    if (build_.failure)
        return false;
    const int64_t w = picture.width;
    const int64_t h = picture.height;
    if (w <= 0 || h <= 0) {
        Fail({kPictureInvalid, picture.name + " has no dots (" + Size(picture) + ")"});
        return false;
    }
    if (w > limits_.width) {
        Fail({kPictureInvalid, picture.name + " is " + Size(picture) + "; the printer takes " +
                                   std::to_string(limits_.width) + " dots at most"});
        return false;
    }
    const int64_t horizontalPad = PadTo8(w);
    const int64_t leftPad = horizontalPad / 2;
    const int64_t verticalPad = PadTo8(h);
    const int64_t topPad = verticalPad / 2;
    const int64_t bytesPerRow = (w + horizontalPad) / 8;
    const int64_t rows = h + verticalPad;
    if (bytesPerRow > kMaxRecordField || rows / 8 > kMaxRecordField) {
        Fail({kPictureInvalid,
              picture.name + " is " + Size(picture) + ", more than a logo record can describe"});
        return false;
    }
    if (picture.colours.size() != static_cast<size_t>(w * h)) {
        Fail({kPictureInvalid, picture.name + " has " + std::to_string(picture.colours.size()) +
                                   " colours for " + Size(picture)});
        return false;
    }
    // The whole record, header included, must stay within the printer's
    // logo memory.
    const int64_t used = static_cast<int64_t>(build_.image.size());
    const int64_t after = used + static_cast<int64_t>(kLogoRecordHeaderSize) + rows * bytesPerRow;
    if (after > limits_.size) {
        Fail({kLogoError, picture.name + " does not fit: the image would take " +
                              std::to_string(after) + " bytes of " + std::to_string(limits_.size)});
        return false;
    }

    std::vector<uint8_t>& out = build_.image;
    build_.records.push_back({out.size(), static_cast<size_t>(bytesPerRow),
                              static_cast<size_t>(rows), AdviseLogoDots(picture)});
    PutLittleEndian16(out, bytesPerRow);
    PutLittleEndian16(out, rows / 8);
    const std::vector<uint8_t> dots = LogoPictureDots(picture, dots_);
    const size_t rowStart = out.size();
    out.resize(rowStart + static_cast<size_t>(rows * bytesPerRow), 0);
    for (int64_t y = 0; y < h; ++y) {
        uint8_t* row = out.data() + rowStart + (topPad + y) * bytesPerRow;
        const uint8_t* pictureRow = dots.data() + y * w;
        for (int64_t x = 0; x < w; ++x) {
            if (pictureRow[x]) {
                const int64_t dot = leftPad + x;
                row[dot / 8] |= static_cast<uint8_t>(0x80 >> (dot % 8));
            }
        }
    }
    return true;
}

LogoBuild BuildLogoImage(std::span<const LogoPicture> pictures, const LogoLimits& limits,
                         LogoDots dots) {
    LogoComposer composer(pictures.size(), limits, dots);
    for (const LogoPicture& picture : pictures) {
        if (!composer.Append(picture))
            break;
    }
    return composer.Take();
}

std::string LogoSpaceText(int64_t used, int64_t size) {
    // Thousands of bytes and the rest; a negative amount keeps its sign in
    // front ("-0,004"), not inside the group.
    const auto group = [](int64_t bytes) {
        const uint64_t magnitude = bytes < 0 ? 0 - static_cast<uint64_t>(bytes) : bytes;
        char text[32];
        std::snprintf(text, sizeof text, "%s%llu,%03llu", bytes < 0 ? "-" : "",
                      static_cast<unsigned long long>(magnitude / 1000),
                      static_cast<unsigned long long>(magnitude % 1000));
        return std::string(text);
    };
    return "SPACE: " + group(used) + " Used, " + group(size - used) + " Free";
}

bool LogoDot(std::span<const uint8_t> image, const LogoRecord& record, size_t x, size_t y) {
    const size_t at = record.RasterOffset() + y * record.bytesPerRow + x / 8;
    return at < image.size() && (image[at] & (0x80 >> (x % 8))) != 0;
}
