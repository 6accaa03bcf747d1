// The ledger: one SQLite file that records every unit a station made and
// hands out the serial numbers, so that no number is ever given twice, even
// when a station is killed between any two steps.
//
// A unit's row goes running -> (serial) allocated -> writing -> written ->
// passed, or failed from any of them (an allocated serial that never left
// becomes void). Each change is one BEGIN IMMEDIATE transaction, committed
// (WAL, synchronous=FULL) before the step it guards: `writing` before the
// factory command leaves, `written` once the printer acknowledged it. A
// station that restarts turns its own open rows: allocated ones void,
// writing and written ones unknown (the printer may hold that serial),
// running ones failed. It holds an OS lock on LEDGER.NAME.lock while it
// runs, so a second station of that name refuses to start and no station
// touches the rows of one whose process is alive.
#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "ledger_lock.h"
#include "serial_range.h"
#include "sqlite_db.h"

// How long a write waits for another station's transaction.
inline constexpr int kLedgerBusyTimeoutMs = 10000;

// What the station writes into every unit of this run.
struct StationIdentity {
    std::string name;  // the station
    std::string workOrder;
    std::string operatorName;
    std::string recipeSha256;
};

// Where a unit was found.
struct UnitPlace {
    std::string slot;
    std::string port;  // the device: "/dev/ttyUSB0"
    std::string usbId;
    std::string usbSerial;
};

struct SerialAllocation {
    std::string serial;  // as written to the printer
    int64_t number = 0;
    int64_t left = 0;  // numbers of the range still free after this one
};

struct UnitEnd {
    bool passed = false;
    std::string step;    // the step it ended in; empty for a pass
    std::string reason;  // why it failed
    std::optional<int64_t> exitCode;
    std::string identity;  // the printer's answer to the last identify
};

// The rows a restart turned.
struct RecoveredRows {
    int voided = 0;
    int unknown = 0;
    int failed = 0;
};

class Ledger {
  public:
    // Opens the ledger (made when missing, with its folder) for station
    // `identity.name`: refuses a network file system, takes the station's
    // lock, then turns that station's open rows. Throws LedgerError.
    Ledger(const std::filesystem::path& path, StationIdentity identity);

    const RecoveredRows& Recovered() const { return recovered_; }

    // Registers the recipe's serial range, or joins the one the same recipe
    // registered before (stations running one recipe share its range).
    // Throws LedgerError when it overlaps another registration of the model.
    void UseRange(const SerialRange& range, const std::string& recipeName);
    int64_t NumbersLeft();

    // A new unit's row; its id. Its debug log is `logFolder`/unit-ID.log,
    // named in the row from the start.
    int64_t StartUnit(const UnitPlace& place, const std::filesystem::path& logFolder);
    std::filesystem::path LogPath(int64_t unit);
    void NoteFound(int64_t unit, int32_t rate);
    // The next free serial of the range for the unit; nothing when the range
    // is used up.
    std::optional<SerialAllocation> Allocate(int64_t unit);
    void MarkWriting(int64_t unit);
    void MarkWritten(int64_t unit);
    void Finish(int64_t unit, const UnitEnd& end);

  private:
    void CreateSchema();
    void Recover();
    // Moves `unit` from state `from` to `to`; throws when it was not in `from`.
    void Move(int64_t unit, const char* from, const char* to);

    std::mutex mutex_;  // one transaction at a time on the connection
    StationIdentity identity_;
    StationLock lock_;
    SqliteDb db_;
    RecoveredRows recovered_;
    std::optional<int64_t> rangeId_;
    SerialRange range_;
};

// Why a station name cannot name a lock file, or nothing.
std::optional<std::string> StationNameProblem(const std::string& name);
