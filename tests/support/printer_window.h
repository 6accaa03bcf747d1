// A main window wired to a virtual printer: on a pseudo-terminal (the port
// preselected is the slave's path) or on UDP (the port is "TCP/IP" and the
// configuration's [NET] section names the printer's socket).
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <string>

#include "virtual_printer.h"
#include "window_harness.h"

class PrinterWindowTest : public ::testing::Test {
  protected:
    // Set printer.SetCommandObserver before this, if at all.
    void StartPtyPrinter() {
        std::string error;
        ASSERT_TRUE(printer.StartPty(error)) << error;
        port = QString::fromStdString(printer.SlavePath());
    }
    void StartUdpPrinter() {
        std::string error;
        ASSERT_TRUE(printer.StartUdp("127.0.0.1", 0, error)) << error;
        port = QStringLiteral("TCP/IP");
        ini += "[NET]\nHOST=127.0.0.1\nPORT=" + std::to_string(printer.UdpPort()) + "\n";
    }
    TfrmMain& OpenWindow() {
        harness.WriteIni(ini);
        return harness.Open(port);
    }

    // The data of the commands with this code that the printer received.
    std::vector<std::vector<uint8_t>> Received(uint16_t code) const {
        std::vector<std::vector<uint8_t>> data;
        for (const ReceivedCommand& command : printer.Commands()) {
            if (command.code == code)
                data.push_back(command.data);
        }
        return data;
    }

    // The printer outlives the window, whose worker may still talk to it.
    VirtualPrinter printer;
    WindowHarness harness;
    QString port;
    std::string ini;  // the configuration file's text
};
