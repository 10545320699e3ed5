#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// Access to the live parameter database db1.mdb in the data directory.
//
// Every call opens its own connection and removes it again before returning,
// so the file is never held open between uses. The file is changed only
// through SQLite (its journal and its locks), never replaced as a file while
// it exists: a transaction another process has open, or one a killed
// process left in the journal, is always honoured.

#include "store/program_layout.h"

namespace wormpair {

class DatabaseError : public std::runtime_error {
  public:
    // What went wrong, as far as it decides what the user is told.
    enum class Kind {
        Other,
        Busy,         // another program held the database longer than we wait
        ReadOnly,     // the file or its folder may not be written
        NoSpace,      // the disk is full or the file-size limit reached
        Damaged,      // not a database, or a damaged one
        TimedOut,     // a query ran longer than allowed
    };
    explicit DatabaseError(const std::string& what, Kind kind = Kind::Other)
        : std::runtime_error(what), m_kind(kind) {}
    explicit DatabaseError(const QString& what, Kind kind = Kind::Other)
        : std::runtime_error(what.toStdString()), m_kind(kind) {}
    Kind kind() const { return m_kind; }

  private:
    Kind m_kind;
};

// The kind of an SQLite result code (primary or extended).
DatabaseError::Kind databaseErrorKind(int sqliteCode);

// Why a change of the live database failed, in Chinese, for the user.
QString databaseFailureText(const DatabaseError& error);

// All rows of one table in stored order; fields are addressed by position.
class ParameterTable {
  public:
    ParameterTable() = default;
    ParameterTable(QString name, QStringList columnNames, std::vector<std::vector<QVariant>> rows);

    const QString& name() const { return m_name; }
    const QStringList& columnNames() const { return m_columnNames; }
    int columnCount() const { return static_cast<int>(m_columnNames.size()); }
    int rowCount() const { return static_cast<int>(m_rows.size()); }

    // The field as stored: qlonglong for integers, double for reals, QString
    // for text, an invalid QVariant for NULL. Throws DatabaseError for a row or
    // position outside the table.
    QVariant value(int row, int position) const;

    // The field as text: integers as digits, reals in the shortest text that
    // reads back to the same double, text verbatim, NULL as an empty string.
    QString text(int row, int position) const;

  private:
    QString m_name;
    QStringList m_columnNames;
    std::vector<std::vector<QVariant>> m_rows;
};

// A stored value as text, by the rules of ParameterTable::text.
QString fieldText(const QVariant& value);

// True for a stored integer or real.
bool isNumericField(const QVariant& value);

// A stored value that reads as a finite number (a number, or a text as
// parseReal reads it), or nothing.
std::optional<double> finiteNumberOf(const QVariant& value);

class ParameterDatabase {
  public:
    // Both end with '/': the live database lies in the data directory, the
    // factory copy in the program directory (by default the same folder).
    explicit ParameterDatabase(QString dataDirectory, QString programDirectory = {});
    // The live database of the layout's data directory, the factory copy of
    // its program directory.
    explicit ParameterDatabase(const ProgramLayout& layout)
        : ParameterDatabase(layout.dataDirectory, layout.programDirectory) {}

    QString filePath() const;         // dataDirectory + "db1.mdb"
    QString factoryCopyPath() const;  // programDirectory + "db1.ccq"

    // Reads a whole table. Throws DatabaseError when the file is missing, is
    // not an SQLite database or lacks the table. Never creates the file.
    ParameterTable readTable(const QString& name) const;

    // Writes field N of table nzhi for the given rows (1-based, in stored
    // order) in one transaction; nothing is written when any row fails.
    // Waits up to busyTimeout for another writer; refuses a database that
    // may not be written (see checkWritable).
    void writeCoefficientValues(const std::vector<std::pair<int, double>>& rowValues) const;

    // The one rule of whether the live database may be changed: the file
    // and its folder may be written, as mayBeWritten judges (so a file
    // without write bits is left alone by root too). Throws DatabaseError
    // (ReadOnly) when not.
    void checkWritable() const;

    // Makes db1.mdb of these bytes where there is none yet, under a lock on
    // its folder that every maker takes: side files a killed writer left
    // without their database are removed first (they would be played into
    // the new one), and an existing database, which another process may
    // already have changed, is never replaced. False when one exists.
    // Throws DatabaseError (Busy when the lock is held too long) or
    // FileReplaceError.
    bool createIfMissing(std::span<const std::uint8_t> image) const;

    // Removes a journal a writer killed before its first flush left beside
    // the database: SQLite ignores such a journal (it holds nothing to play
    // back) and leaves it until the next write. Done only while no other
    // writer is active; a journal that holds a transaction is played back.
    void removeLeftoverJournal() const;

    // How long a connection waits for another process's lock.
    static constexpr int kBusyTimeoutMs = 5000;

    // Removes any connection of this layer still registered. Each call above
    // already removes its own; this is a guard for shutdown.
    static void releaseConnections();

    // Prefix of the connection names this layer registers.
    static QString connectionPrefix();

  private:
    QString m_directory;
    QString m_factoryDirectory;
};

}  // namespace wormpair
