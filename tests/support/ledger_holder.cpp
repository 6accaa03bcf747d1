// A station's ledger held by a process of its own, for a test that kills it:
// station "a" opens LEDGER, leaves a unit in each open state (a serial
// allocated, a serial being written, a unit running), says "ready" and waits
// to be killed.
//   ledger-holder LEDGER
#include <chrono>
#include <iostream>
#include <thread>

#include "ledger.h"

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    const std::filesystem::path ledgerPath(argv[1]);
    Ledger ledger(ledgerPath, {"a", "WO-7", "ann", "0123abcd"});
    ledger.UseRange({"ZDV 7714", "ZD", 6, 1000, 1999}, "example");
    const auto folder = ledgerPath.parent_path();
    ledger.Allocate(ledger.StartUnit({"1", "COM6", "", ""}, folder));
    const int64_t writing = ledger.StartUnit({"2", "COM7", "", ""}, folder);
    ledger.Allocate(writing);
    ledger.MarkWriting(writing);
    ledger.StartUnit({"3", "COM8", "", ""}, folder);
    std::cout << "ready" << std::endl;
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(1));
}
