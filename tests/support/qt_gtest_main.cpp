// main() for suites that build Qt widgets: an application object on the
// offscreen platform (unless the caller chose another), then the tests.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Tests close windows; that must not end anything.
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
