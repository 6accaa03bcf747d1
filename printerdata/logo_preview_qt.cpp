#include <QImageWriter>
#include <QString>

#include "logo_preview.h"

namespace {

QImage ToImage(const LogoPreviewPixels& preview) {
    if (preview.width == 0)
        return {};
    QImage image(preview.width, preview.height, QImage::Format_RGB32);
    for (int y = 0; y < preview.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < preview.width; ++x)
            line[x] = 0xFF000000u | preview.At(x, y);
    }
    return image;
}

}  // namespace

QImage LogoRecordPreview(const LogoBuild& build, size_t record) {
    return ToImage(LogoRecordPreviewPixels(build, record));
}

QImage LogoImagePreview(const LogoBuild& build) {
    return ToImage(LogoImagePreviewPixels(build));
}

bool SaveLogoPreview(const LogoBuild& build, const std::string& path, std::string& error) {
    QImageWriter writer(QString::fromStdString(path), "png");
    if (writer.write(LogoImagePreview(build)))
        return true;
    error = path + ": " + writer.errorString().toStdString();
    return false;
}
