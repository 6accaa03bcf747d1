// logo-dots-bench: the picture conversions on pictures a shop would use, and
// what dithering costs before a logo transfer.
//
//   logo-dots-bench [--samples DIR] [--runs N] [--out FILE]
//
// Times the composing of eight 384 x 1360 photo-like pictures into one image
// with each conversion, against the time the image takes on the line at
// 115200 bit/s. With --samples, also writes a shop logo, a photo and a
// screenshot, each beside its three conversions (original | blue |
// brightness | dither), to DIR, and says which of them the blue rule advice
// would name.
#include <QBuffer>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <random>

#include "logo_image.h"
#include "logo_pictures.h"
#include "logo_preview.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 384;
constexpr int kBenchHeight = 1360;
constexpr int kBenchPictures = 8;
constexpr double kLineBitsPerByte = 10;  // 8N1
constexpr double kLineRate = 115200;

// Through the tool's own decoder, so transparency and JPEG are as in use.
LogoPicture Decoded(const QImage& image, const char* format, const std::string& name) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 85);
    LogoFailure failure;
    const std::optional<LogoPicture> picture =
        DecodeLogoPictureBytes(std::span(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                         static_cast<size_t>(bytes.size())),
                               name, failure);
    if (!picture) {
        std::cerr << "logo-dots-bench: " << failure.Message() << "\n";
        std::exit(1);
    }
    return *picture;
}

QPainterPath Star(QPointF centre, double outer, double inner) {
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const double angle = -M_PI / 2 + i * M_PI / 5;
        const double radius = i % 2 == 0 ? outer : inner;
        const QPointF point = centre + QPointF(std::cos(angle), std::sin(angle)) * radius;
        i == 0 ? path.moveTo(point) : path.lineTo(point);
    }
    path.closeSubpath();
    return path;
}

// A shop logo on a transparent background: a navy ring, a blue panel with
// white lettering, a yellow star, red and orange.
QImage ShopLogo() {
    QImage image(kWidth, 220, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 128), 12));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(80, 110), 64, 64);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 204, 0));
    p.drawPath(Star({80, 110}, 44, 18));
    p.setBrush(QColor(0, 90, 200));
    p.drawRoundedRect(QRectF(165, 30, 210, 80), 10, 10);
    p.setPen(Qt::white);
    p.setFont(QFont("DejaVu Sans", 30, QFont::Bold));
    p.drawText(QRectF(165, 30, 210, 80), Qt::AlignCenter, "BAKERY");
    p.setPen(QColor(200, 30, 30));
    p.setFont(QFont("DejaVu Serif", 20, QFont::Bold, true));
    p.drawText(QRectF(165, 118, 210, 40), Qt::AlignCenter, "since 1987");
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 140, 0));
    p.drawRect(QRectF(165, 168, 210, 18));
    return image;
}

// A photo: sky, sun, hills and a shaded ball, with grain, stored as JPEG.
QImage Photo(int height, uint32_t seed) {
    QImage image(kWidth, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height * 0.6);
    sky.setColorAt(0, QColor(40, 90, 170));
    sky.setColorAt(1, QColor(230, 200, 170));
    p.fillRect(image.rect(), sky);
    QRadialGradient sun(QPointF(290, height * 0.25), height * 0.18);
    sun.setColorAt(0, QColor(255, 250, 200));
    sun.setColorAt(0.4, QColor(255, 200, 80));
    sun.setColorAt(1, QColor(255, 200, 80, 0));
    p.fillRect(image.rect(), sun);
    QPainterPath hills;
    hills.moveTo(0, height * 0.55);
    hills.cubicTo(120, height * 0.4, 220, height * 0.7, kWidth, height * 0.5);
    hills.lineTo(kWidth, height);
    hills.lineTo(0, height);
    QLinearGradient grass(0, height * 0.45, 0, height);
    grass.setColorAt(0, QColor(90, 150, 60));
    grass.setColorAt(1, QColor(20, 60, 20));
    p.fillPath(hills, grass);
    QRadialGradient ball(QPointF(110, height * 0.68), height * 0.16, QPointF(90, height * 0.62));
    ball.setColorAt(0, QColor(250, 220, 200));
    ball.setColorAt(0.7, QColor(180, 90, 60));
    ball.setColorAt(1, QColor(70, 30, 20));
    p.setPen(Qt::NoPen);
    p.setBrush(ball);
    p.drawEllipse(QPointF(110, height * 0.68), height * 0.14, height * 0.14);
    p.end();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> grain(-8, 8);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            const int g = grain(random);
            const auto c = [&](int v) { return std::clamp(v + g, 0, 255); };
            line[x] = qRgb(c(qRed(line[x])), c(qGreen(line[x])), c(qBlue(line[x])));
        }
    }
    return image;
}

// A screenshot: a grey title bar, anti-aliased text, a link, a blue button,
// a green status.
QImage Screenshot() {
    QImage image(kWidth, 240, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.fillRect(0, 0, kWidth, 30, QColor(0xE0, 0xE0, 0xE0));
    p.setPen(QColor(0x30, 0x30, 0x30));
    p.setFont(QFont("DejaVu Sans", 11));
    p.drawText(QRect(10, 0, kWidth, 30), Qt::AlignVCenter, "Order 1042 - Till 3");
    p.setPen(Qt::black);
    p.setFont(QFont("DejaVu Sans", 10));
    p.drawText(QRect(10, 40, kWidth - 20, 90), Qt::TextWordWrap,
               "2 x Sourdough loaf          7.80\n1 x Almond croissant        2.40\n"
               "1 x Coffee, large           3.10\nTotal                      13.30");
    p.setPen(QColor(0, 0, 238));
    p.setFont(QFont("DejaVu Sans", 10, QFont::Normal, false));
    p.drawText(QRect(10, 135, kWidth, 20), Qt::AlignVCenter, "www.example.com/bakery");
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x00, 0x78, 0xD7));
    p.drawRoundedRect(QRectF(10, 165, 150, 36), 4, 4);
    p.setPen(Qt::white);
    p.setFont(QFont("DejaVu Sans", 12, QFont::Bold));
    p.drawText(QRect(10, 165, 150, 36), Qt::AlignCenter, "Pay by card");
    p.setPen(QColor(0x10, 0x80, 0x10));
    p.setFont(QFont("DejaVu Sans", 11));
    p.drawText(QRect(180, 165, 200, 36), Qt::AlignVCenter, "Paid, thank you");
    return image;
}

QImage Colours(const LogoPicture& picture) {
    QImage image(static_cast<int>(picture.width), static_cast<int>(picture.height),
                 QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const uint32_t c = picture.colours[static_cast<size_t>(y * image.width() + x)];
            image.setPixel(x, y, qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
        }
    }
    return image;
}

// original | blue | brightness | dither, labelled.
bool WriteSideBySide(const LogoPicture& picture, const fs::path& path) {
    constexpr int kGap = 12;
    constexpr int kLabel = 22;
    std::vector<QImage> columns = {Colours(picture)};
    for (LogoDots dots : kLogoDotsChoices) {
        const LogoBuild build =
            BuildLogoImage(std::span(&picture, 1), {int64_t{1} << 30, kWidth}, dots);
        columns.push_back(LogoRecordPreview(build, 0));
    }
    int width = 0;
    int height = 0;
    for (const QImage& c : columns) {
        width += c.width() + kGap;
        height = std::max(height, c.height());
    }
    QImage sheet(width - kGap, height + kLabel, QImage::Format_RGB32);
    sheet.fill(QColor(0xD0, 0xD0, 0xD0));
    QPainter p(&sheet);
    p.setFont(QFont("DejaVu Sans", 10));
    const char* labels[] = {"picture", "blue", "brightness", "dither"};
    int left = 0;
    for (size_t i = 0; i < columns.size(); ++i) {
        p.drawText(QRect(left, 0, columns[i].width(), kLabel), Qt::AlignCenter, labels[i]);
        p.drawImage(left, kLabel, columns[i]);
        left += columns[i].width() + kGap;
    }
    p.end();
    return sheet.save(QString::fromStdString(path.string()), "PNG");
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::string samples;
    std::string outPath;
    int runs = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--samples")
            samples = argv[i + 1];
        else if (arg == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (arg == "--out")
            outPath = argv[i + 1];
    }

    if (!samples.empty()) {
        fs::create_directories(samples);
        const std::pair<const char*, LogoPicture> pictures[] = {
            {"shop-logo", Decoded(ShopLogo(), "PNG", "shop-logo.png")},
            {"photo", Decoded(Photo(300, 1), "JPG", "photo.jpg")},
            {"screenshot", Decoded(Screenshot(), "PNG", "screenshot.png")},
        };
        for (const auto& [name, picture] : pictures) {
            const fs::path path = fs::path(samples) / (std::string(name) + "-dots.png");
            if (!WriteSideBySide(picture, path)) {
                std::cerr << "logo-dots-bench: " << path << " cannot be written\n";
                return 1;
            }
            const LogoDotsAdvice advice = AdviseLogoDots(picture);
            std::printf("%-12s blue and brightness disagree on %5.1f%% of the pixels%s%s -> %s\n",
                        name, advice.disagreement * 100, advice.Large() ? "; try --dots " : "",
                        advice.Large() ? LogoDotsWord(advice.suggestion) : "",
                        path.string().c_str());
        }
    }

    std::vector<LogoPicture> photos;
    for (int i = 0; i < kBenchPictures; ++i)
        photos.push_back(
            Decoded(Photo(kBenchHeight, static_cast<uint32_t>(i)), "JPG", "photo.jpg"));
    nlohmann::json report = nlohmann::json::array();
    std::printf("composing %d pictures of %d x %d dots (median of %d runs)\n", kBenchPictures,
                kWidth, kBenchHeight, runs);
    for (LogoDots dots : kLogoDotsChoices) {
        std::vector<double> times;
        size_t bytes = 0;
        for (int run = 0; run < runs; ++run) {
            const auto started = std::chrono::steady_clock::now();
            const LogoBuild build = BuildLogoImage(photos, {int64_t{1} << 30, kWidth}, dots);
            const auto ended = std::chrono::steady_clock::now();
            bytes = build.image.size();
            times.push_back(std::chrono::duration<double, std::milli>(ended - started).count());
        }
        const double composeMs = Median(times);
        const double lineMs = bytes * kLineBitsPerByte / kLineRate * 1000;
        std::printf("%-11s %8.1f ms for %zu bytes; the line takes %.0f ms for them (%.2f%%)\n",
                    LogoDotsWord(dots), composeMs, bytes, lineMs, composeMs / lineMs * 100);
        report.push_back({{"case", std::string("compose 8 x 384 x 1360, ") + LogoDotsWord(dots)},
                          {"runs", runs},
                          {"composeMs", composeMs},
                          {"imageBytes", bytes},
                          {"lineMsAt115200", lineMs},
                          {"shareOfLine", composeMs / lineMs}});
    }
    if (!outPath.empty()) {
        fs::create_directories(fs::path(outPath).parent_path());
        std::ofstream(outPath) << report.dump(2) << "\n";
    }
    return 0;
}
