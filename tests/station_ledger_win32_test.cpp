// The ledger on Windows, where the station's lock is LockFileEx's: a station
// killed with units open leaves no lock behind, and only its own restart
// turns its rows; a ledger on a network share is refused.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "ledger.h"
#include "report.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Generous: a loaded machine may be slow, never wrong.
constexpr std::chrono::seconds kGenerous{30};

// ledger-holder.exe, which the build puts beside this program.
fs::path HolderProgram() {
    wchar_t name[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, name, MAX_PATH);
    return fs::path(name).parent_path() / "ledger-holder.exe";
}

// The holder as a process of its own, killed by the test (or at the end).
class HeldLedger {
  public:
    explicit HeldLedger(const fs::path& ledger) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE write = nullptr;
        if (!CreatePipe(&output_, &write, &inherit, 0))
            return;
        SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = write;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        std::wstring line = L"\"" + HolderProgram().wstring() + L"\" \"" + ledger.wstring() + L"\"";
        if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                           &startup, &process_)) {
            CloseHandle(process_.hThread);
        } else {
            process_.hProcess = nullptr;
        }
        CloseHandle(write);  // its end of the pipe is the child's alone now
    }
    ~HeldLedger() {
        Kill();
        CloseHandle(output_);
    }

    // Whether it said "ready" before the deadline.
    bool Ready(Clock::time_point deadline) {
        std::string said;
        while (process_.hProcess && Clock::now() < deadline) {
            DWORD waiting = 0;
            if (!PeekNamedPipe(output_, nullptr, 0, nullptr, &waiting, nullptr))
                return false;  // it ended without a word
            if (waiting == 0) {
                WaitForSingleObject(process_.hProcess, 20);
                continue;
            }
            char bytes[64];
            DWORD got = 0;
            if (!ReadFile(output_, bytes, sizeof bytes, &got, nullptr))
                return false;
            said.append(bytes, got);
            if (said.find("ready") != std::string::npos)
                return true;
        }
        return false;
    }

    // As a crash ends it: no destructor runs, no handle is closed by it.
    void Kill() {
        if (!process_.hProcess)
            return;
        TerminateProcess(process_.hProcess, 9);
        WaitForSingleObject(process_.hProcess, INFINITE);
        CloseHandle(process_.hProcess);
        process_.hProcess = nullptr;
    }

  private:
    HANDLE output_ = nullptr;
    PROCESS_INFORMATION process_{};
};

StationIdentity Named(const std::string& name) {
    return {name, "WO-7", "ann", "0123abcd"};
}

// Windows lets go of a dead process's locks soon, not at once.
bool LockFreedBy(const fs::path& lock, Clock::time_point deadline) {
    while (LockHeldElsewhere(lock)) {
        if (Clock::now() >= deadline)
            return false;
        Sleep(20);
    }
    return true;
}

TEST(StationLedgerOnWindows, AKilledStationLeavesNoLockAndOnlyItsRestartTurnsItsRows) {
    const fs::path folder = fs::temp_directory_path() /
                            ("station-ledger-win32-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path ledger = folder / "ledger.sqlite";
    const fs::path lock = StationLockPath(ledger, "a");
    {
        HeldLedger a(ledger);
        ASSERT_TRUE(a.Ready(Clock::now() + kGenerous)) << "ledger-holder.exe did not get ready";

        // While "a" runs: its name is taken, its rows are in progress and
        // another station leaves them alone.
        EXPECT_TRUE(LockHeldElsewhere(lock));
        EXPECT_THROW(Ledger(ledger, Named("a")), LedgerError);
        {
            Ledger b(ledger, Named("b"));
            const RecoveredRows& turned = b.Recovered();
            EXPECT_EQ(turned.voided + turned.unknown + turned.failed, 0);
        }
        EXPECT_EQ(ReadReport(ledger, "").inProgress, 3);

        a.Kill();
    }
    ASSERT_TRUE(LockFreedBy(lock, Clock::now() + kGenerous)) << "the dead station's lock stays";
    const Report report = ReadReport(ledger, "");
    ASSERT_EQ(report.rows.size(), 3u);
    EXPECT_EQ(report.rows[0].result, "void");
    EXPECT_EQ(report.rows[1].result, "unknown");
    EXPECT_EQ(report.rows[2].result, "fail");
    {
        Ledger restarted(ledger, Named("a"));
        EXPECT_EQ(restarted.Recovered().voided, 1);
        EXPECT_EQ(restarted.Recovered().unknown, 1);
        EXPECT_EQ(restarted.Recovered().failed, 1);
        // The void serial stays used: the next one follows it and the one
        // that may be on a printer.
        restarted.UseRange({"ZDV 7714", "ZD", 6, 1000, 1999}, "example");
        const int64_t unit = restarted.StartUnit({"4", "COM6", "", ""}, folder);
        EXPECT_EQ(restarted.Allocate(unit)->serial, "ZD001002");
    }
    fs::remove_all(folder);
}

TEST(StationLedgerOnWindows, ANetworkShareIsRefusedAndALocalFolderIsNot) {
    const fs::path local = fs::temp_directory_path();
    struct Case {
        fs::path folder;
        bool network;
    };
    const Case cases[] = {
        {L"\\\\server\\share\\ledgers", true},         {L"//server/share/ledgers", true},
        {L"\\\\?\\UNC\\server\\share\\ledgers", true}, {local, false},
        {fs::path(L"\\\\?\\") += local, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NetworkFileSystem(c.folder).has_value(), c.network) << c.folder.string();
}

}  // namespace
