#include "ledger.h"

#include "path_text.h"
#include "utc_time.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSchemaVersion = 1;

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS ranges (
    id INTEGER PRIMARY KEY,
    model TEXT NOT NULL,
    prefix TEXT NOT NULL,
    width INTEGER NOT NULL,
    first INTEGER NOT NULL,
    last INTEGER NOT NULL,
    recipe TEXT NOT NULL,
    next INTEGER NOT NULL,
    registered TEXT NOT NULL
);
CREATE TABLE IF NOT EXISTS units (
    unit INTEGER PRIMARY KEY AUTOINCREMENT,
    station TEXT NOT NULL,
    work_order TEXT NOT NULL,
    operator TEXT NOT NULL,
    slot TEXT NOT NULL,
    port TEXT NOT NULL,
    usb_id TEXT NOT NULL,
    usb_serial TEXT NOT NULL,
    found_rate INTEGER,
    started TEXT NOT NULL,
    ended TEXT,
    range_id INTEGER REFERENCES ranges(id),
    model TEXT,
    number INTEGER,
    serial TEXT,
    state TEXT NOT NULL,
    step TEXT NOT NULL DEFAULT '',
    reason TEXT NOT NULL DEFAULT '',
    exit_code INTEGER,
    identity TEXT NOT NULL DEFAULT '',
    recipe_sha256 TEXT NOT NULL,
    log TEXT NOT NULL DEFAULT '',
    UNIQUE(model, serial)
);
CREATE INDEX IF NOT EXISTS units_by_station ON units(station, state);
CREATE INDEX IF NOT EXISTS units_by_start ON units(started);
)";

// Checks the place and takes the station's lock before SQLite opens the file.
std::string OpenPlace(const fs::path& path, const std::string& station, StationLock& lock) {
    if (const auto problem = StationNameProblem(station))
        throw LedgerError("--station: " + *problem);
    std::error_code ec;
    const fs::path folder = fs::absolute(path, ec).parent_path();
    fs::create_directories(folder, ec);
    if (const auto network = NetworkFileSystem(folder)) {
        throw LedgerError("the ledger " + PathText(path) + " lies on " + *network +
                          ", a network file system; SQLite's WAL needs a local disk");
    }
    std::string error;
    if (!lock.Take(StationLockPath(path, station), error))
        throw LedgerError(error);
    return PathText(path);
}

}  // namespace

std::optional<std::string> StationNameProblem(const std::string& name) {
    if (name.empty())
        return "a station needs a name";
    if (name.front() == '.')
        return "'" + name + "' starts with a dot";
    for (const char c : name) {
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20)
            return "'" + name + "' holds a character a file name cannot";
    }
    return std::nullopt;
}

Ledger::Ledger(const fs::path& path, StationIdentity identity)
    : identity_(std::move(identity)),
      db_(OpenPlace(path, identity_.name, lock_), SqliteDb::Mode::ReadWrite, kLedgerBusyTimeoutMs) {
    // WAL stays set in the file; FULL makes a commit survive a power loss.
    db_.Execute("PRAGMA journal_mode=WAL");
    db_.Execute("PRAGMA synchronous=FULL");
    CreateSchema();
    Recover();
}

void Ledger::CreateSchema() {
    WriteTransaction transaction(db_);
    Statement version(db_, "PRAGMA user_version");
    version.Step();
    const int64_t found = version.Integer(0);
    if (found > kSchemaVersion)
        throw LedgerError("the ledger was made by a newer printer-cli (version " +
                          std::to_string(found) + ")");
    db_.Execute(kSchema);
    db_.Execute("PRAGMA user_version=" + std::to_string(kSchemaVersion));
    transaction.Commit();
}

void Ledger::Recover() {
    struct Turn {
        const char* from;
        const char* to;
        const char* reason;
        int RecoveredRows::*count;
    };
    static constexpr Turn kTurns[] = {
        {"allocated", "void", "the station ended before the serial was sent",
         &RecoveredRows::voided},
        {"writing", "unknown",
         "the station ended while the serial was being written: the printer may hold it",
         &RecoveredRows::unknown},
        {"written", "unknown",
         "the station ended after the printer took the serial, before the unit was checked",
         &RecoveredRows::unknown},
        {"running", "failed", "the station ended during the unit", &RecoveredRows::failed},
    };
    std::lock_guard<std::mutex> lock(mutex_);
    WriteTransaction transaction(db_);
    const std::string now = UtcNow();
    for (const Turn& turn : kTurns) {
        Statement update(db_,
                         "UPDATE units SET state = ?1, reason = ?2, ended = ?3 "
                         "WHERE station = ?4 AND state = ?5");
        update.Bind(1, std::string(turn.to))
            .Bind(2, std::string(turn.reason))
            .Bind(3, now)
            .Bind(4, identity_.name)
            .Bind(5, std::string(turn.from))
            .Run();
        recovered_.*turn.count += db_.Changes();
    }
    transaction.Commit();
}

void Ledger::UseRange(const SerialRange& range, const std::string& recipeName) {
    std::lock_guard<std::mutex> lock(mutex_);
    WriteTransaction transaction(db_);
    Statement registered(db_,
                         "SELECT id, prefix, width, first, last, recipe FROM ranges "
                         "WHERE model = ?1 ORDER BY id");
    registered.Bind(1, range.model);
    std::optional<int64_t> shared;
    while (registered.Step()) {
        const SerialRange other{range.model, registered.Text(1),
                                static_cast<int>(registered.Integer(2)), registered.Integer(3),
                                registered.Integer(4)};
        if (!range.Overlaps(other))
            continue;
        const std::string owner = registered.Text(5);
        if (other == range && owner == recipeName) {
            shared = registered.Integer(0);
            continue;
        }
        throw LedgerError("the serials " + range.Describe() + " of model " + range.model +
                          " overlap " + other.Describe() + ", registered by recipe '" + owner +
                          "' in this ledger: give this recipe a range of its own");
    }
    if (!shared) {
        Statement insert(db_,
                         "INSERT INTO ranges(model, prefix, width, first, last, recipe, next, "
                         "registered) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?4, ?7)");
        insert.Bind(1, range.model)
            .Bind(2, range.prefix)
            .Bind(3, int64_t{range.width})
            .Bind(4, range.first)
            .Bind(5, range.last)
            .Bind(6, recipeName)
            .Bind(7, UtcNow())
            .Run();
        shared = db_.LastInsertId();
    }
    transaction.Commit();
    rangeId_ = shared;
    range_ = range;
}

int64_t Ledger::NumbersLeft() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!rangeId_)
        return 0;
    Statement next(db_, "SELECT last - next + 1 FROM ranges WHERE id = ?1");
    next.Bind(1, *rangeId_);
    return next.Step() ? std::max<int64_t>(next.Integer(0), 0) : 0;
}

int64_t Ledger::StartUnit(const UnitPlace& place, const fs::path& logFolder) {
    std::lock_guard<std::mutex> lock(mutex_);
    WriteTransaction transaction(db_);
    Statement insert(db_,
                     "INSERT INTO units(station, work_order, operator, slot, port, usb_id, "
                     "usb_serial, started, state, step, recipe_sha256) "
                     "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, 'running', 'find', ?9)");
    insert.Bind(1, identity_.name)
        .Bind(2, identity_.workOrder)
        .Bind(3, identity_.operatorName)
        .Bind(4, place.slot)
        .Bind(5, place.port)
        .Bind(6, place.usbId)
        .Bind(7, place.usbSerial)
        .Bind(8, UtcNow())
        .Bind(9, identity_.recipeSha256)
        .Run();
    const int64_t unit = db_.LastInsertId();
    Statement log(db_, "UPDATE units SET log = ?1 WHERE unit = ?2");
    log.Bind(1, PathText(logFolder / ("unit-" + std::to_string(unit) + ".log")))
        .Bind(2, unit)
        .Run();
    transaction.Commit();
    return unit;
}

fs::path Ledger::LogPath(int64_t unit) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement log(db_, "SELECT log FROM units WHERE unit = ?1");
    log.Bind(1, unit);
    return log.Step() ? PathFromUtf8(log.Text(0)) : fs::path();
}

void Ledger::NoteFound(int64_t unit, int32_t rate) {
    std::lock_guard<std::mutex> lock(mutex_);
    WriteTransaction transaction(db_);
    Statement update(db_, "UPDATE units SET found_rate = ?1 WHERE unit = ?2");
    update.Bind(1, int64_t{rate}).Bind(2, unit).Run();
    transaction.Commit();
}

std::optional<SerialAllocation> Ledger::Allocate(int64_t unit) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!rangeId_)
        throw LedgerError("no serial range is registered");
    WriteTransaction transaction(db_);
    Statement next(db_, "SELECT next FROM ranges WHERE id = ?1");
    next.Bind(1, *rangeId_);
    if (!next.Step())
        throw LedgerError("the serial range has gone from the ledger");
    int64_t number = next.Integer(0);
    // A serial the ledger holds already (another range spelling the same
    // text) is passed over; UNIQUE(model, serial) is the last defence.
    Statement taken(db_, "SELECT 1 FROM units WHERE model = ?1 AND serial = ?2");
    while (number <= range_.last) {
        taken.Reset();
        taken.Bind(1, range_.model).Bind(2, range_.Text(number));
        if (!taken.Step())
            break;
        ++number;
    }
    if (number > range_.last)
        return std::nullopt;
    const std::string serial = range_.Text(number);
    Statement claim(db_,
                    "UPDATE units SET range_id = ?1, model = ?2, number = ?3, serial = ?4, "
                    "state = 'allocated', step = 'factory' WHERE unit = ?5 AND state = 'running'");
    claim.Bind(1, *rangeId_)
        .Bind(2, range_.model)
        .Bind(3, number)
        .Bind(4, serial)
        .Bind(5, unit)
        .Run();
    if (db_.Changes() != 1)
        throw LedgerError("unit " + std::to_string(unit) + " is not waiting for a serial");
    Statement advance(db_, "UPDATE ranges SET next = ?1 WHERE id = ?2");
    advance.Bind(1, number + 1).Bind(2, *rangeId_).Run();
    transaction.Commit();
    return SerialAllocation{serial, number, range_.last - number};
}

void Ledger::Move(int64_t unit, const char* from, const char* to) {
    std::lock_guard<std::mutex> lock(mutex_);
    WriteTransaction transaction(db_);
    Statement update(db_, "UPDATE units SET state = ?1 WHERE unit = ?2 AND state = ?3");
    update.Bind(1, std::string(to)).Bind(2, unit).Bind(3, std::string(from)).Run();
    if (db_.Changes() != 1)
        throw LedgerError("unit " + std::to_string(unit) + " was not " + from);
    transaction.Commit();
}

void Ledger::MarkWriting(int64_t unit) {
    Move(unit, "allocated", "writing");
}

void Ledger::MarkWritten(int64_t unit) {
    Move(unit, "writing", "written");
}

void Ledger::Finish(int64_t unit, const UnitEnd& end) {
    std::lock_guard<std::mutex> lock(mutex_);
    WriteTransaction transaction(db_);
    // A serial that was allocated but never sent is void, not failed: the
    // printer cannot hold it.
    Statement update(db_,
                     "UPDATE units SET state = CASE WHEN ?1 THEN 'passed' "
                     "WHEN state = 'allocated' THEN 'void' ELSE 'failed' END, "
                     "ended = ?2, step = ?3, reason = ?4, exit_code = ?5, identity = ?6 "
                     "WHERE unit = ?7 AND state IN ('running', 'allocated', 'writing', 'written')");
    update.Bind(1, int64_t{end.passed ? 1 : 0})
        .Bind(2, UtcNow())
        .Bind(3, end.step)
        .Bind(4, end.reason)
        .Bind(5, end.exitCode)
        .Bind(6, end.identity)
        .Bind(7, unit)
        .Run();
    transaction.Commit();
}
