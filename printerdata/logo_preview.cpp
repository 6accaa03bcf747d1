#include "logo_preview.h"

#include <QImageWriter>
#include <QPainter>
#include <algorithm>

namespace {

// The outline sits around the box, so the dots keep their places.
constexpr int kOutline = 1;
constexpr int kGap = 4;  // between pictures
const QColor kOutlineColour(0x40, 0x80, 0xFF);

QSize PreviewSize(const LogoRecord& record) {
    return {static_cast<int>(record.bytesPerRow * 8) + 2 * kOutline,
            static_cast<int>(record.rows) + 2 * kOutline};
}

void PaintRecord(QImage& target, QPoint at, const LogoBuild& build, const LogoRecord& record) {
    const QSize size = PreviewSize(record);
    QPainter painter(&target);
    painter.setPen(kOutlineColour);
    painter.drawRect(at.x(), at.y(), size.width() - 1, size.height() - 1);
    painter.end();
    for (size_t y = 0; y < record.rows; ++y) {
        for (size_t x = 0; x < record.bytesPerRow * 8; ++x) {
            if (LogoDot(build.image, record, x, y)) {
                target.setPixel(at.x() + kOutline + static_cast<int>(x),
                                at.y() + kOutline + static_cast<int>(y), qRgb(0, 0, 0));
            }
        }
    }
}

}  // namespace

QImage LogoRecordPreview(const LogoBuild& build, size_t record) {
    if (record >= build.records.size())
        return {};
    QImage preview(PreviewSize(build.records[record]), QImage::Format_RGB32);
    preview.fill(Qt::white);
    PaintRecord(preview, {0, 0}, build, build.records[record]);
    return preview;
}

QImage LogoImagePreview(const LogoBuild& build) {
    int width = 1;
    int height = 0;
    for (const LogoRecord& record : build.records) {
        width = std::max(width, PreviewSize(record).width());
        height += PreviewSize(record).height() + kGap;
    }
    QImage preview(width, std::max(1, height - kGap), QImage::Format_RGB32);
    preview.fill(Qt::white);
    int top = 0;
    for (const LogoRecord& record : build.records) {
        PaintRecord(preview, {0, top}, build, record);
        top += PreviewSize(record).height() + kGap;
    }
    return preview;
}

bool SaveLogoPreview(const LogoBuild& build, const std::string& path, std::string& error) {
    QImageWriter writer(QString::fromStdString(path), "png");
    if (writer.write(LogoImagePreview(build)))
        return true;
    error = path + ": " + writer.errorString().toStdString();
    return false;
}
