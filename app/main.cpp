// printer-tool: the window, on the port given by --port or "COM1".
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QPixmap>
#include <memory>

#include "main_window.h"
#include "printer-tool.xpm"
#include "program_version.h"

namespace {

// --help and --version print and end before the window needs a display, so
// that they work over ssh and while the man page is written.
bool OnlyPrints(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--help" || arg == "-h" || arg == "--version" || arg == "-v")
            return true;
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    std::unique_ptr<QCoreApplication> app;
    if (OnlyPrints(argc, argv))
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("printer-tool"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kProgramVersion));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Service tool for small receipt printers."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Preselect the port <name> (COM3, TCP/IP, a "
                                                 "device path)."),
                                  QStringLiteral("name"));
    parser.addOption(port);
    parser.process(*app);  // --help and --version end here

    // The desktop entry of the same name lets a desktop match the window to it.
    QGuiApplication::setDesktopFileName(QStringLiteral("printer-tool"));
    QApplication::setWindowIcon(QIcon(QPixmap(printer_tool_xpm)));

    WindowOptions options;
    options.port = parser.value(port);
    TfrmMain frmMain(options);
    frmMain.show();
    return QApplication::exec();
}
