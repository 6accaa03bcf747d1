// printer-tool: the window, on the port given by --port or "COM1".
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QPixmap>

#include "main_window.h"
#include "printer-tool.xpm"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("printer-tool"));
    // The desktop entry of the same name lets a desktop match the window to it.
    QGuiApplication::setDesktopFileName(QStringLiteral("printer-tool"));
    QApplication::setWindowIcon(QIcon(QPixmap(printer_tool_xpm)));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Service tool for small receipt printers."));
    parser.addHelpOption();
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Preselect the port <name> (COM3, TCP/IP, a "
                                                 "device path)."),
                                  QStringLiteral("name"));
    parser.addOption(port);
    parser.process(app);

    WindowOptions options;
    options.port = parser.value(port);
    TfrmMain frmMain(options);
    frmMain.show();
    return app.exec();
}
