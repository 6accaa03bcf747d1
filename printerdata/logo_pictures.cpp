#include "logo_pictures.h"

#include <QBuffer>
#include <QByteArray>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QString>
#include <cstdlib>

namespace {

// One colour channel over white, by the pixel's opacity.
uint32_t OverWhite(int channel, int alpha) {
    return static_cast<uint32_t>((channel * alpha + 255 * (255 - alpha) + 127) / 255);
}

// Decodes what `reader` reads, refusing a picture above `maxPixels` by its
// header, before anything is decoded.
std::optional<LogoPicture> Decode(QImageReader& reader, const std::string& name,
                                  LogoFailure& failure, int64_t maxPixels) {
    reader.setAutoTransform(true);  // a photo turned as picture viewers show it
    // The size from the header, before anything is decoded. Qt gives a
    // top-down bitmap's height as the header holds it, negative.
    const QSize header = reader.size();
    const QSize size(header.width(), std::abs(header.height()));
    if (size.isEmpty()) {
        failure = {kPictureInvalid, name + " is not a picture this tool can read (" +
                                        reader.errorString().toStdString() + ")"};
        return std::nullopt;
    }
    if (static_cast<int64_t>(size.width()) * size.height() > maxPixels) {
        failure = {kPictureInvalid, name + " is " + std::to_string(size.width()) + " x " +
                                        std::to_string(size.height()) +
                                        " pixels, too large for a logo"};
        return std::nullopt;
    }
    const QImage decoded = reader.read();
    if (decoded.isNull()) {
        failure = {kPictureInvalid, name + " is not a picture this tool can read (" +
                                        reader.errorString().toStdString() + ")"};
        return std::nullopt;
    }
    const QImage argb = decoded.convertToFormat(QImage::Format_ARGB32);
    LogoPicture picture;
    picture.name = name;
    picture.width = argb.width();
    picture.height = argb.height();
    picture.colours.reserve(static_cast<size_t>(picture.width * picture.height));
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const int alpha = qAlpha(line[x]);
            picture.colours.push_back(OverWhite(qRed(line[x]), alpha) |
                                      OverWhite(qGreen(line[x]), alpha) << 8 |
                                      OverWhite(qBlue(line[x]), alpha) << 16);
        }
    }
    return picture;
}

}  // namespace

std::optional<LogoPicture> DecodeLogoPicture(const LogoFile& file, LogoFailure& failure) {
    const QString path = QString::fromStdString(file.path);
    if (!QFileInfo(path).isFile()) {
        failure = {kLogoError, file.name + " does not exist"};
        return std::nullopt;
    }
    QImageReader reader(path);
    return Decode(reader, file.name, failure, kMaxLogoPicturePixels);
}

std::optional<LogoPicture> DecodeLogoPictureBytes(std::span<const uint8_t> bytes,
                                                  const std::string& name, LogoFailure& failure,
                                                  int64_t maxPixels) {
    QByteArray copy(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return Decode(reader, name, failure, maxPixels);
}

LogoBuild BuildLogoImageFromFiles(std::span<const LogoFile> files, const LogoLimits& limits,
                                  LogoDots dots) {
    LogoComposer composer(files.size(), limits, dots);
    for (const LogoFile& file : files) {
        if (!composer.Build().Ok())
            break;
        LogoFailure failure;
        const std::optional<LogoPicture> picture = DecodeLogoPicture(file, failure);
        if (!picture) {
            composer.Fail(failure);
            break;
        }
        composer.Append(*picture);
    }
    return composer.Take();
}
