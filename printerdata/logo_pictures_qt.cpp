// Logo pictures decoded with Qt's image support (Linux, macOS).
#include <QBuffer>
#include <QByteArray>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QString>
#include <cstdlib>

#include "logo_decoding.h"
#include "logo_pictures.h"

namespace {

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
        failure = UnreadablePicture(name, reader.errorString().toStdString());
        return std::nullopt;
    }
    if (auto tooLarge = PictureTooLarge(name, size.width(), size.height(), maxPixels)) {
        failure = *tooLarge;
        return std::nullopt;
    }
    const QImage decoded = reader.read();
    if (decoded.isNull()) {
        failure = UnreadablePicture(name, reader.errorString().toStdString());
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
            picture.colours.push_back(ColourOverWhite(
                static_cast<uint32_t>(qRed(line[x])), static_cast<uint32_t>(qGreen(line[x])),
                static_cast<uint32_t>(qBlue(line[x])), static_cast<uint32_t>(qAlpha(line[x]))));
        }
    }
    return picture;
}

}  // namespace

std::optional<LogoPicture> DecodeLogoPicture(const LogoFile& file, LogoFailure& failure) {
    const QString path = QString::fromStdString(file.path);
    if (!QFileInfo(path).isFile()) {
        failure = MissingPicture(file.name);
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
