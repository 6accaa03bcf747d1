// The NV logo image: the printer's logo pictures as one block of bytes.
//
//   AA DD <count>             count of pictures, at most 255
//   per picture, in order:
//     <bytes per row : u16 LE> <8-row bands : u16 LE>
//     raster, rows top to bottom; the leftmost dot of a byte is its 0x80 bit
//
// Each picture is centred in a box whose sides are multiples of 8 dots; the
// pad dots are clear. Which pixels are dots is the choice of conversion
// (logo_dots.h); by default those whose blue is below 0x80.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "logo_dots.h"

inline constexpr uint8_t kLogoMagic0 = 0xAA;
inline constexpr uint8_t kLogoMagic1 = 0xDD;
inline constexpr size_t kLogoPreambleSize = 3;
inline constexpr size_t kLogoRecordHeaderSize = 4;
// The count byte cannot say more.
inline constexpr size_t kMaxLogoPictures = 255;

// The fixed first line of every message about a logo that cannot be composed.
inline constexpr const char* kLogoError = "ERROR";
inline constexpr const char* kPictureInvalid = "Picture invalid";

// A decoded picture: its colours row by row, the top row first.
struct LogoPicture {
    std::string name;  // how messages name the picture (its file)
    int64_t width = 0;
    int64_t height = 0;
    std::vector<uint32_t> colours;  // width * height values, 0x00BBGGRR
};

struct LogoLimits {
    int64_t size = 65536;  // the printer's logo memory in bytes
    int64_t width = 384;   // the widest picture in dots
};

// Why an image could not be composed: the fixed title ("ERROR" or
// "Picture invalid") and a reason that names the picture.
struct LogoFailure {
    std::string title;
    std::string reason;

    std::string Message() const { return title + "\n" + reason; }
};

// Where one picture's record sits in the image.
struct LogoRecord {
    size_t offset = 0;       // of the record header
    size_t bytesPerRow = 0;  // the padded box is bytesPerRow * 8 dots wide
    size_t rows = 0;         // and this many rows high
    // How the picture would fare under the blue rule, whatever the
    // conversion the image was composed with.
    LogoDotsAdvice advice;
    size_t RasterOffset() const { return offset + kLogoRecordHeaderSize; }
};

struct LogoBuild {
    // The whole image when the build succeeded. After a failure: the preamble
    // and the records before the failing picture; never send it.
    std::vector<uint8_t> image;
    std::vector<LogoRecord> records;
    std::optional<LogoFailure> failure;

    bool Ok() const { return !failure; }
};

// Composes a list of `count` pictures one at a time, so that a front end can
// decode each picture just before it is composed and stop at the first that
// fails.
class LogoComposer {
  public:
    LogoComposer(size_t count, const LogoLimits& limits, LogoDots dots = LogoDots::Blue);

    // Appends the next picture's record. On failure nothing of it is written
    // and the build is over.
    bool Append(const LogoPicture& picture);
    // Ends the build with a failure found outside the composer (a file that
    // is missing or does not decode).
    void Fail(LogoFailure failure);

    const LogoBuild& Build() const { return build_; }
    LogoBuild Take() { return std::move(build_); }

  private:
    LogoLimits limits_;
    LogoDots dots_;
    LogoBuild build_;
};

// The image of `pictures`, in order.
LogoBuild BuildLogoImage(std::span<const LogoPicture> pictures, const LogoLimits& limits,
                         LogoDots dots = LogoDots::Blue);

// "SPACE: %d,%03d Used, %d,%03d Free" for an image of `used` bytes in a logo
// memory of `size` bytes.
std::string LogoSpaceText(int64_t used, int64_t size);

// Whether the dot at (x, y) of a record's padded box is set.
bool LogoDot(std::span<const uint8_t> image, const LogoRecord& record, size_t x, size_t y);
