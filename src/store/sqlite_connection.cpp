#include "store/sqlite_connection.h"

#include <sqlite3.h>

#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace wormpair {

namespace {

constexpr char kHeader[] = "SQLite format 3";  // with its NUL, the first 16 bytes
constexpr int kHeaderSize = 100;
// bytes 18 and 19: the file format versions, 2 for WAL, 1 for a rollback journal
constexpr int kWriteVersion = 18;
constexpr int kReadVersion = 19;

// Every this many virtual-machine steps a running statement looks at the clock.
constexpr int kProgressSteps = 1000;

}  // namespace

struct SqliteConnection::TimeLimit {
    std::chrono::milliseconds limit;
    std::chrono::steady_clock::time_point deadline;
};

void StoredValue::Free::operator()(sqlite3_value* value) const { sqlite3_value_free(value); }

StoredValue::StoredValue(sqlite3_value* value) : m_value(sqlite3_value_dup(value)) {
    if (!m_value) throw DatabaseError(QStringLiteral("out of memory copying a value"));
}

StoredValue::StoredValue(const StoredValue& other)
    : m_value(other.m_value ? sqlite3_value_dup(other.m_value.get()) : nullptr) {
    if (other.m_value && !m_value) {
        throw DatabaseError(QStringLiteral("out of memory copying a value"));
    }
}

StoredValue& StoredValue::operator=(const StoredValue& other) {
    if (this != &other) *this = StoredValue(other);
    return *this;
}

QVariant StoredValue::toVariant() const {
    sqlite3_value* value = m_value.get();
    if (!value) return {};
    switch (sqlite3_value_type(value)) {
        case SQLITE_INTEGER:
            return QVariant(static_cast<qlonglong>(sqlite3_value_int64(value)));
        case SQLITE_FLOAT:
            return QVariant(sqlite3_value_double(value));
        case SQLITE_TEXT:
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                                     sqlite3_value_bytes(value));
        case SQLITE_BLOB:
            return QByteArray(static_cast<const char*>(sqlite3_value_blob(value)),
                              sqlite3_value_bytes(value));
        default:
            return {};
    }
}

DatabaseError::Kind databaseErrorKind(int sqliteCode) {
    switch (sqliteCode & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return DatabaseError::Kind::Busy;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_CANTOPEN:
            return DatabaseError::Kind::ReadOnly;
        case SQLITE_FULL:
            return DatabaseError::Kind::NoSpace;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return DatabaseError::Kind::Damaged;
        case SQLITE_INTERRUPT:
            return DatabaseError::Kind::TimedOut;
        default:
            // a write past the file-size limit fails with EFBIG: an I/O error
            return sqliteCode == SQLITE_IOERR_WRITE || sqliteCode == SQLITE_IOERR_FSYNC ||
                           sqliteCode == SQLITE_IOERR_TRUNCATE
                       ? DatabaseError::Kind::NoSpace
                       : DatabaseError::Kind::Other;
    }
}

SqliteConnection::SqliteConnection(sqlite3* db) : m_db(db) { sqlite3_extended_result_codes(db, 1); }

SqliteConnection::SqliteConnection(SqliteConnection&& other) noexcept
    : m_db(other.m_db), m_timeLimit(std::move(other.m_timeLimit)) {
    // the progress handler's data, the time limit, stays where it is
    other.m_db = nullptr;
}

SqliteConnection::~SqliteConnection() {
    if (m_db) sqlite3_close_v2(m_db);
}

SqliteConnection SqliteConnection::openFile(const QString& path, Access access) {
    // a missing database is an error here, never an empty new file
    const QFileInfo info(path);
    if (!info.exists()) throw DatabaseError(QStringLiteral("数据库“%1”不存在").arg(path));
    if (!info.isFile()) throw DatabaseError(QStringLiteral("数据库“%1”不是普通文件").arg(path));
    sqlite3* db = nullptr;
    const int flags = access == Access::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    SqliteConnection connection(db);
    if (rc != SQLITE_OK) {
        throw DatabaseError(QStringLiteral("无法打开数据库“%1”（%2）")
                                .arg(path, databaseFailureText(DatabaseError(std::string(),
                                                                             databaseErrorKind(rc)))),
                            databaseErrorKind(rc));
    }
    return connection;
}

SqliteConnection SqliteConnection::openMemory() {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE, nullptr);
    SqliteConnection connection(db);
    if (rc != SQLITE_OK) connection.fail(QStringLiteral("cannot make a database in memory"));
    return connection;
}

SqliteConnection SqliteConnection::openImage(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHeaderSize || std::memcmp(bytes.data(), kHeader, sizeof kHeader) != 0) {
        throw DatabaseError(QStringLiteral("不是 SQLite 数据库"), DatabaseError::Kind::Damaged);
    }
    SqliteConnection connection = openMemory();
    auto* copy = static_cast<unsigned char*>(sqlite3_malloc64(bytes.size()));
    if (!copy) connection.fail(QStringLiteral("out of memory"));
    std::memcpy(copy, bytes.data(), bytes.size());
    // A database in memory cannot keep a WAL: its main file is read as a
    // rollback-journal database, which it is once checkpointed.
    if (copy[kWriteVersion] == 2 && copy[kReadVersion] == 2) {
        copy[kWriteVersion] = 1;
        copy[kReadVersion] = 1;
    }
    const int rc = sqlite3_deserialize(
        connection.m_db, "main", copy, static_cast<sqlite3_int64>(bytes.size()),
        static_cast<sqlite3_int64>(bytes.size()),
        SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_READONLY);
    if (rc != SQLITE_OK) connection.fail(QStringLiteral("cannot read the database"));
    return connection;
}

void SqliteConnection::distrustSchema() {
    for (const int option : {SQLITE_DBCONFIG_DEFENSIVE}) sqlite3_db_config(m_db, option, 1, nullptr);
    for (const int option : {SQLITE_DBCONFIG_TRUSTED_SCHEMA, SQLITE_DBCONFIG_ENABLE_TRIGGER,
                             SQLITE_DBCONFIG_ENABLE_VIEW, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION}) {
        sqlite3_db_config(m_db, option, 0, nullptr);
    }
    // No field of the rules comes near this; a hostile one fails fast.
    sqlite3_limit(m_db, SQLITE_LIMIT_LENGTH, 1 << 20);
    sqlite3_limit(m_db, SQLITE_LIMIT_SQL_LENGTH, 100000);
    sqlite3_limit(m_db, SQLITE_LIMIT_EXPR_DEPTH, 100);
    sqlite3_limit(m_db, SQLITE_LIMIT_COMPOUND_SELECT, 20);
    sqlite3_limit(m_db, SQLITE_LIMIT_ATTACHED, 0);
}

void SqliteConnection::limitStatementTime(std::chrono::milliseconds limit) {
    if (!m_timeLimit) m_timeLimit = std::make_unique<TimeLimit>();
    m_timeLimit->limit = limit;
    m_timeLimit->deadline = std::chrono::steady_clock::now() + limit;
    sqlite3_progress_handler(
        m_db, kProgressSteps,
        [](void* data) {
            const auto* timeLimit = static_cast<const TimeLimit*>(data);
            return std::chrono::steady_clock::now() > timeLimit->deadline ? 1 : 0;
        },
        m_timeLimit.get());
}

void SqliteConnection::startStatement() {
    if (m_timeLimit) m_timeLimit->deadline = std::chrono::steady_clock::now() + m_timeLimit->limit;
}

void SqliteConnection::waitForLocks(std::chrono::milliseconds limit) {
    sqlite3_busy_timeout(m_db, static_cast<int>(limit.count()));
}

void SqliteConnection::fail(const QString& what) const {
    const int code = sqlite3_extended_errcode(m_db);
    DatabaseError::Kind kind = databaseErrorKind(code);
    // the progress handler ends a statement as an interruption
    if ((code & 0xff) == SQLITE_INTERRUPT) kind = DatabaseError::Kind::TimedOut;
    throw DatabaseError(what + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(m_db)), kind);
}

void SqliteConnection::execute(const char* sql) {
    startStatement();
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        fail(QString::fromUtf8(sql));
    }
}

std::vector<StoredRow> SqliteConnection::rows(const QString& sql, std::size_t limit) {
    SqliteStatement statement(*this, sql);
    std::vector<StoredRow> result;
    while (statement.step()) {
        if (result.size() == limit) {
            throw DatabaseError(QStringLiteral("more than %1 rows: %2").arg(limit).arg(sql));
        }
        StoredRow row;
        for (int i = 0; i < statement.columnCount(); ++i) row.push_back(statement.column(i));
        result.push_back(std::move(row));
    }
    return result;
}

QString SqliteConnection::text(const QString& sql) {
    const std::vector<StoredRow> found = rows(sql, 1000000);
    if (found.empty() || found[0].empty()) return {};
    return found[0][0].toVariant().toString();
}

std::vector<std::uint8_t> SqliteConnection::image() {
    sqlite3_int64 size = 0;
    unsigned char* data = sqlite3_serialize(m_db, "main", &size, 0);
    if (!data) fail(QStringLiteral("cannot serialise the database"));
    std::vector<std::uint8_t> bytes(data, data + size);
    sqlite3_free(data);
    return bytes;
}

void SqliteConnection::copyInto(SqliteConnection& destination) {
    sqlite3_backup* backup = sqlite3_backup_init(destination.m_db, "main", m_db, "main");
    if (!backup) destination.fail(QStringLiteral("cannot start the copy"));
    // all pages in one step: one transaction of the destination, which waits
    // for other connections' locks through its busy handler
    const int stepped = sqlite3_backup_step(backup, -1);
    const int finished = sqlite3_backup_finish(backup);
    if (stepped != SQLITE_DONE) {
        throw DatabaseError(QStringLiteral("cannot copy the database: %1").arg(sqlite3_errstr(stepped)),
                            databaseErrorKind(stepped));
    }
    if (finished != SQLITE_OK) destination.fail(QStringLiteral("cannot copy the database"));
}

SqliteStatement::SqliteStatement(SqliteConnection& connection, const QString& sql)
    : m_connection(connection) {
    const QByteArray text = sql.toUtf8();
    m_connection.startStatement();
    if (sqlite3_prepare_v2(connection.handle(), text.constData(), static_cast<int>(text.size()),
                           &m_statement, nullptr) != SQLITE_OK) {
        m_connection.fail(QStringLiteral("cannot prepare %1").arg(sql));
    }
    if (!m_statement) throw DatabaseError(QStringLiteral("no statement in %1").arg(sql));
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(m_statement); }

void SqliteStatement::bind(int index, const StoredValue& value) {
    const int rc = value.get() ? sqlite3_bind_value(m_statement, index, value.get())
                               : sqlite3_bind_null(m_statement, index);
    if (rc != SQLITE_OK) m_connection.fail(QStringLiteral("cannot bind a value"));
}

bool SqliteStatement::step() {
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    m_connection.fail(QString::fromUtf8(sqlite3_sql(m_statement)));
}

void SqliteStatement::reset() {
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
    m_connection.startStatement();
}

int SqliteStatement::columnCount() const { return sqlite3_column_count(m_statement); }

StoredValue SqliteStatement::column(int index) const {
    return StoredValue(sqlite3_column_value(m_statement, index));
}

}  // namespace wormpair
