#include "sqlite_db.h"

#include <sqlite3.h>

SqliteDb::SqliteDb(const std::string& path, Mode mode, int busyTimeoutMs) {
    const int flags =
        mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    if (sqlite3_open_v2(path.c_str(), &db_, flags | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        db_ = nullptr;
        throw LedgerError(path + " cannot be opened: " + message);
    }
    sqlite3_busy_timeout(db_, busyTimeoutMs);
    sqlite3_extended_result_codes(db_, 1);
}

SqliteDb::~SqliteDb() {
    sqlite3_close(db_);
}

void SqliteDb::Execute(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string text = message ? message : sqlite3_errmsg(db_);
        sqlite3_free(message);
        throw LedgerError(text);
    }
}

int64_t SqliteDb::LastInsertId() const {
    return sqlite3_last_insert_rowid(db_);
}

int SqliteDb::Changes() const {
    return sqlite3_changes(db_);
}

void SqliteDb::Fail(const std::string& what) const {
    throw LedgerError(what + ": " + sqlite3_errmsg(db_));
}

Statement::Statement(SqliteDb& db, const char* sql) : db_(db) {
    if (sqlite3_prepare_v2(db.Handle(), sql, -1, &statement_, nullptr) != SQLITE_OK)
        db.Fail("the ledger's query failed");
}

Statement::~Statement() {
    sqlite3_finalize(statement_);
}

Statement& Statement::Bind(int index, int64_t value) {
    sqlite3_bind_int64(statement_, index, value);
    return *this;
}

Statement& Statement::Bind(int index, const std::string& value) {
    sqlite3_bind_text(statement_, index, value.data(), static_cast<int>(value.size()),
                      SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::BindNull(int index) {
    sqlite3_bind_null(statement_, index);
    return *this;
}

Statement& Statement::Bind(int index, const std::optional<int64_t>& value) {
    return value ? Bind(index, *value) : BindNull(index);
}

void Statement::Reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

bool Statement::Step() {
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW)
        return true;
    if (result != SQLITE_DONE)
        db_.Fail("the ledger refused a statement");
    return false;
}

void Statement::Run() {
    while (Step()) {
    }
}

int64_t Statement::Integer(int column) const {
    return sqlite3_column_int64(statement_, column);
}

std::optional<int64_t> Statement::OptionalInteger(int column) const {
    if (sqlite3_column_type(statement_, column) == SQLITE_NULL)
        return std::nullopt;
    return Integer(column);
}

std::string Statement::Text(int column) const {
    const auto* text = sqlite3_column_text(statement_, column);
    if (!text)
        return "";
    return std::string(reinterpret_cast<const char*>(text),
                       static_cast<size_t>(sqlite3_column_bytes(statement_, column)));
}

WriteTransaction::WriteTransaction(SqliteDb& db) : db_(db) {
    db_.Execute("BEGIN IMMEDIATE");
}

WriteTransaction::~WriteTransaction() {
    if (!open_)
        return;
    try {
        db_.Execute("ROLLBACK");
    } catch (const LedgerError&) {
        // A failed statement may have ended the transaction already.
    }
}

void WriteTransaction::Commit() {
    db_.Execute("COMMIT");
    open_ = false;
}
