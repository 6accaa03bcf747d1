// Saves a picture of the window on each of its tabs, for a person to look
// at: app_screenshots <folder>. Runs on a real display server (Xvfb).
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QTabWidget>
#include <cstdio>

#include "window_harness.h"

namespace {

// A picture of a laid-out window is never a single colour.
bool ShowsSomething(const QImage& image) {
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3) {
            if (image.pixel(x, y) != first)
                return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: app_screenshots <folder>\n");
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    WindowHarness harness;
    // Two real pictures, so that the logo image is composed.
    auto picture = [&harness](const char* name, int width, int height) {
        const std::string path = harness.TouchFile(name);
        QImage image(width, height, QImage::Format_Mono);
        image.fill(1);
        for (int y = height / 4; y < height * 3 / 4; ++y)
            for (int x = width / 4; x < width * 3 / 4; ++x)
                image.setPixel(x, y, 0);
        image.save(QString::fromStdString(path), "BMP");
        return path;
    };
    const std::string company = picture("logos/company.bmp", 200, 60);
    const std::string coupon = picture("logos/coupon.bmp", 384, 100);
    harness.WriteIni(
        "[FACTORY]\nDEVICE NAME=QVX-II\nSERIAL NO=000042\n"
        "[CODEPAGE]\nCP437 USA=0\nKatakana=1\nCP850 Multilingual=2\nCP860 Portuguese=3\n"
        "[PARA]\nCODEPAGE=0\n"
        "[LOGO]\nFILE1=" +
        company + "\nFILE2=" + coupon + "\n");
    TfrmMain& window = harness.Open(QStringLiteral("COM3"));
    window.WMProgress(1280, 2560);
    if (!harness.messages.empty()) {
        std::fprintf(stderr, "the window said: %s\n", qPrintable(harness.messages.front().text));
        return 1;
    }

    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    if (!tabs)
        return 1;
    bool allGood = true;
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        WaitUntil([&window] { return window.isVisible(); });
        QCoreApplication::processEvents();
        const QPixmap picture = window.grab();
        const QString name =
            QStringLiteral("%1-%2.png").arg(i + 1).arg(tabs->tabText(i).remove(' ').toLower());
        const QString path = out.filePath(name);
        const bool good = picture.size() == QSize(536, 322) && ShowsSomething(picture.toImage()) &&
                          picture.save(path);
        std::printf("%s %s\n", good ? "saved" : "FAILED", qPrintable(path));
        allGood = allGood && good;
    }
    return allGood ? 0 : 1;
}
