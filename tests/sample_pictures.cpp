// sample-pictures DIR: writes pictures in every format the logo command
// reads, for scripts/wine-check to compose with printer-cli on Linux (Qt's
// decoders) and printer-cli.exe under Wine (the Windows Imaging
// Component): every kind of Windows bitmap, PNG with transparency, with a
// palette and in grey, GIF, and JPEG photos.
#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "picture_files.h"

namespace {

namespace fs = std::filesystem;
using namespace picture_files;

bool WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// Hues across, brightness down, transparency growing to the right in its
// right half: every rule of the dots meets colours near its threshold.
QImage Colours(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            QColor colour =
                QColor::fromHsv(x * 359 / width, 255 - y * 200 / height, 255 - y * 255 / height);
            const int alpha = x < width / 2 ? 255 : 255 - (x - width / 2) * 255 / (width / 2);
            colour.setAlpha(alpha);
            image.setPixelColor(x, y, colour);
        }
    }
    return image;
}

// A photo-like picture: smooth shades with a few hard edges.
QImage Photo(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, 128 + (x - y) / 4));
    }
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 20, 60));
    painter.drawEllipse(width / 4, height / 4, width / 3, height / 2);
    painter.setBrush(QColor(250, 240, 200));
    painter.drawRect(width * 2 / 3, height / 6, width / 5, height * 2 / 3);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: sample-pictures DIR\n";
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const fs::path folder = argv[1];
    fs::create_directories(folder);
    const auto path = [&](const std::string& name) {
        return QString::fromStdString((folder / name).string());
    };

    bool ok = true;
    for (const BmpForm& form : kBmpForms) {
        const std::string name = "form-" + std::to_string(form.bits) + "-" +
                                 std::to_string(form.compression) +
                                 (form.topDown ? "-top-down" : "") + ".bmp";
        ok = WriteBytes(folder / name, MakeBmp(form.bits, form.compression, form.topDown)) && ok;
    }
    std::vector<int> dots;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 40; ++x)
            dots.push_back((x * x + y * 3) % 7 < 3 ? 1 : 0);
    }
    ok = WriteBytes(folder / "dots.gif", MakeGif(40, 24, dots)) && ok;

    const QImage colours = Colours(96, 64);
    ok = colours.convertToFormat(QImage::Format_RGB888).save(path("colours.bmp"), "BMP") && ok;
    ok = colours.save(path("colours.png"), "PNG") && ok;
    ok = colours.convertToFormat(QImage::Format_Indexed8).save(path("palette.png"), "PNG") && ok;
    ok = colours.convertToFormat(QImage::Format_Grayscale8).save(path("grey.png"), "PNG") && ok;
    const QImage photo = Photo(160, 96);
    ok = photo.save(path("photo.jpg"), "JPG", 85) && ok;
    ok = photo.convertToFormat(QImage::Format_Grayscale8).save(path("grey.jpg"), "JPG", 85) && ok;
    if (!ok) {
        std::cerr << "sample-pictures: a picture could not be written to " << folder << "\n";
        return 1;
    }
    return 0;
}
