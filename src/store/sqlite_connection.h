#pragma once

#include <QString>
#include <QVariant>

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "store/parameter_database.h"

// SQLite through its C API, for what Qt Sql does not offer: opening a file's
// bytes in memory, a time limit on queries, and the online backup that puts
// a new database into a live one under SQLite's own locks.

struct sqlite3;
struct sqlite3_stmt;
struct sqlite3_value;

namespace wormpair {

// One stored value, exactly as SQLite holds it (integer, real, text, blob or
// NULL), owned.
class StoredValue {
  public:
    StoredValue() = default;
    explicit StoredValue(sqlite3_value* value);  // takes a copy
    StoredValue(const StoredValue& other);
    StoredValue& operator=(const StoredValue& other);
    StoredValue(StoredValue&&) noexcept = default;
    StoredValue& operator=(StoredValue&&) noexcept = default;
    ~StoredValue() = default;

    sqlite3_value* get() const { return m_value.get(); }
    // As ParameterDatabase::readTable gives it.
    QVariant toVariant() const;

  private:
    struct Free {
        void operator()(sqlite3_value* value) const;
    };
    std::unique_ptr<sqlite3_value, Free> m_value;
};

using StoredRow = std::vector<StoredValue>;

class SqliteConnection {
  public:
    enum class Access { ReadOnly, ReadWrite };

    // An existing database file; never creates one. ReadWrite falls back to
    // reading when the file may not be written, as SQLite does.
    static SqliteConnection openFile(const QString& path, Access access);
    // A private, read-only database made from a file's bytes; nothing on
    // disk is read or written. A file in WAL mode is read as its main file.
    static SqliteConnection openImage(std::span<const std::uint8_t> bytes);
    // An empty private database in memory.
    static SqliteConnection openMemory();

    SqliteConnection(SqliteConnection&& other) noexcept;
    SqliteConnection& operator=(SqliteConnection&&) = delete;
    SqliteConnection(const SqliteConnection&) = delete;
    ~SqliteConnection();

    // Guards against what a hostile file can make SQLite do: no triggers,
    // views or schema functions run, and values are bounded in size.
    void distrustSchema();

    // Every statement from now on fails once it has run for this long.
    void limitStatementTime(std::chrono::milliseconds limit);
    // Waits this long for another connection's lock before failing.
    void waitForLocks(std::chrono::milliseconds limit);

    void execute(const char* sql);
    // The rows of a query, every column as stored; `limit` rows at most
    // (more fail with DatabaseError).
    std::vector<StoredRow> rows(const QString& sql, std::size_t limit = 1000000);
    // The first column of the first row as text ("" when there is none).
    QString text(const QString& sql);

    // The whole database as the bytes of a database file.
    std::vector<std::uint8_t> image();

    // Replaces the whole content of destination's main database by this
    // database's, in one transaction of destination, waiting for its locks
    // as destination's waitForLocks says.
    void copyInto(SqliteConnection& destination);

    sqlite3* handle() const { return m_db; }

  private:
    friend class SqliteStatement;
    explicit SqliteConnection(sqlite3* db);
    [[noreturn]] void fail(const QString& what) const;
    void startStatement();

    sqlite3* m_db = nullptr;
    struct TimeLimit;
    std::unique_ptr<TimeLimit> m_timeLimit;
};

// A prepared statement, finalised on destruction.
class SqliteStatement {
  public:
    SqliteStatement(SqliteConnection& connection, const QString& sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    void bind(int index, const StoredValue& value);  // 1-based
    // True while a row is ready; throws DatabaseError on failure.
    bool step();
    void reset();
    int columnCount() const;
    StoredValue column(int index) const;

  private:
    SqliteConnection& m_connection;
    sqlite3_stmt* m_statement = nullptr;
};

}  // namespace wormpair
