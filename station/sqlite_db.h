// A thin layer over SQLite's C interface: a connection, prepared statements
// and BEGIN IMMEDIATE transactions, each closed by its destructor. Every
// failure throws LedgerError with SQLite's own words.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

class LedgerError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class SqliteDb {
  public:
    enum class Mode { ReadWrite, ReadOnly };
    // Opens (a read-write connection creates the file); busy waits up to
    // `busyTimeoutMs` for another writer.
    SqliteDb(const std::string& path, Mode mode, int busyTimeoutMs);
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    // Runs statements that return nothing wanted.
    void Execute(const std::string& sql);
    int64_t LastInsertId() const;
    int Changes() const;
    sqlite3* Handle() const { return db_; }
    // "what: SQLite's message".
    [[noreturn]] void Fail(const std::string& what) const;

  private:
    sqlite3* db_ = nullptr;
};

class Statement {
  public:
    Statement(SqliteDb& db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Parameters count from 1, as SQLite's do.
    Statement& Bind(int index, int64_t value);
    Statement& Bind(int index, const std::string& value);
    Statement& BindNull(int index);
    Statement& Bind(int index, const std::optional<int64_t>& value);
    // Makes it ready to run again, with new values bound.
    void Reset();
    // True while there is a row to read.
    bool Step();
    // Steps through a statement that returns no row.
    void Run();

    int64_t Integer(int column) const;
    std::optional<int64_t> OptionalInteger(int column) const;
    std::string Text(int column) const;  // "" for NULL

  private:
    SqliteDb& db_;
    sqlite3_stmt* statement_ = nullptr;
};

// BEGIN IMMEDIATE: the write lock is taken at the start, so two writers
// queue instead of one failing halfway. Rolled back unless committed.
class WriteTransaction {
  public:
    explicit WriteTransaction(SqliteDb& db);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;
    void Commit();

  private:
    SqliteDb& db_;
    bool open_ = true;
};
