#include "store/parameter_database.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "calc/numeric.h"
#include "platform/file_replace.h"
#include "store/parameter_schema.h"
#include "store/sqlite_connection.h"

namespace wormpair {

namespace {

const QString kFileName = QStringLiteral("db1.mdb");
const QString kFactoryFileName = QStringLiteral("db1.ccq");
const QString kPrefix = QStringLiteral("wormpair_store_");
// Another process (a second instance saving its coefficients) may hold the
// write lock for a moment; a connection waits this long before giving up.
constexpr int kBusyTimeoutMs = ParameterDatabase::kBusyTimeoutMs;

QString quotedIdentifier(const QString& name) { return schema::quotedName(name); }

std::filesystem::path localPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// The kind of a failure the Qt driver reports with SQLite's result code.
DatabaseError::Kind kindOf(const QSqlError& error) {
    bool isNumber = false;
    const int code = error.nativeErrorCode().toInt(&isNumber);
    return isNumber ? databaseErrorKind(code) : DatabaseError::Kind::Other;
}

// One connection for the life of one call: registered under a name of its
// own, closed and removed on destruction. QSqlQuery objects must be declared
// after it so that they go first.
class Connection {
  public:
    enum class Mode { ReadOnly, ReadWrite };

    Connection(const QString& file, Mode mode) {
        // SQLite would create a missing file on a read-write open; a missing
        // database is an error here, never an empty new file.
        const QFileInfo info(file);
        if (!info.exists()) {
            throw DatabaseError(QStringLiteral("参数数据库“%1”不存在").arg(file));
        }
        if (!info.isFile()) {
            throw DatabaseError(QStringLiteral("参数数据库“%1”不是普通文件").arg(file));
        }
        static std::atomic<unsigned> counter{0};
        m_name = kPrefix + QString::number(++counter);
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        m_db.setDatabaseName(file);
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs);
        if (mode == Mode::ReadOnly) options += QStringLiteral(";QSQLITE_OPEN_READONLY");
        m_db.setConnectOptions(options);
        if (!m_db.open()) {
            const DatabaseError::Kind kind = kindOf(m_db.lastError());
            release();
            throw DatabaseError(QStringLiteral("无法打开参数数据库“%1”（%2）")
                                    .arg(file, kind == DatabaseError::Kind::Other
                                                   ? QStringLiteral("文件不可读或其所在文件夹不可访问")
                                                   : databaseFailureText(DatabaseError(std::string(), kind))),
                                DatabaseError::Kind::ReadOnly);
        }
        // A file that is not an SQLite database opens but fails its first read.
        QSqlQuery probe(m_db);
        if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            const DatabaseError::Kind kind = kindOf(probe.lastError());
            probe = QSqlQuery();
            release();
            throw DatabaseError(QStringLiteral("“%1”无法作为参数数据库读取（%2）")
                                    .arg(file, kind == DatabaseError::Kind::Other
                                                   ? QStringLiteral("不是参数数据库")
                                                   : databaseFailureText(DatabaseError(std::string(), kind))),
                                kind);
        }
    }

    ~Connection() { release(); }

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    QSqlDatabase& db() { return m_db; }

    bool hasTable(const QString& table) {
        QSqlQuery query(m_db);
        query.prepare(
            QStringLiteral("SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') "
                           "AND name = ?"));
        query.addBindValue(table);
        return query.exec() && query.next();
    }

  private:
    void release() {
        if (m_name.isEmpty()) return;
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        m_name.clear();
    }

    QString m_name;
    QSqlDatabase m_db;
};

}  // namespace

QString fieldText(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return QString();
    switch (value.typeId()) {
        case QMetaType::Double:
            return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
        case QMetaType::Float:
            return QString::number(value.toFloat(), 'g', QLocale::FloatingPointShortest);
        default:
            return value.toString();
    }
}

bool isNumericField(const QVariant& value) {
    if (!value.isValid() || value.isNull()) return false;
    switch (value.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            return true;
        default:
            return false;
    }
}

std::optional<double> finiteNumberOf(const QVariant& value) {
    double number = 0;
    if (isNumericField(value)) {
        number = value.toDouble();
    } else if (value.typeId() == QMetaType::QString) {
        try {
            number = parseReal(value.toString().toStdString());
        } catch (const CalculationError&) {
            return std::nullopt;
        }
    } else {
        return std::nullopt;
    }
    return std::isfinite(number) ? std::optional(number) : std::nullopt;
}

ParameterTable::ParameterTable(QString name, QStringList columnNames,
                               std::vector<std::vector<QVariant>> rows)
    : m_name(std::move(name)), m_columnNames(std::move(columnNames)), m_rows(std::move(rows)) {}

QVariant ParameterTable::value(int row, int position) const {
    if (row < 0 || row >= rowCount()) {
        throw DatabaseError(QStringLiteral("数据表 %1 没有第 %2 行（共 %3 行）")
                                .arg(m_name)
                                .arg(row)
                                .arg(rowCount()));
    }
    if (position < 0 || position >= columnCount()) {
        throw DatabaseError(QStringLiteral("数据表 %1 没有第 %2 列（共 %3 列）")
                                .arg(m_name)
                                .arg(position)
                                .arg(columnCount()));
    }
    return m_rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(position)];
}

QString ParameterTable::text(int row, int position) const {
    return fieldText(value(row, position));
}

ParameterDatabase::ParameterDatabase(QString dataDirectory, QString programDirectory)
    : m_directory(std::move(dataDirectory)),
      m_factoryDirectory(programDirectory.isEmpty() ? m_directory : std::move(programDirectory)) {}

QString ParameterDatabase::filePath() const { return m_directory + kFileName; }

QString ParameterDatabase::factoryCopyPath() const { return m_factoryDirectory + kFactoryFileName; }

QString ParameterDatabase::connectionPrefix() { return kPrefix; }

void ParameterDatabase::checkWritable() const {
    const QString folder = m_directory.isEmpty() ? QStringLiteral(".") : m_directory;
    const bool exists = QFileInfo::exists(filePath());
    if ((exists && !mayBeWritten(localPath(filePath()))) || !mayBeWritten(localPath(folder))) {
        throw DatabaseError(QStringLiteral("参数数据库“%1”或其所在文件夹不可写").arg(filePath()),
                            DatabaseError::Kind::ReadOnly);
    }
}

ParameterTable ParameterDatabase::readTable(const QString& name) const {
    // A read-write connection rolls back what a killed writer left in the
    // journal; a read-only one could only fail on it. One that may not
    // write the file reads it as it is.
    bool writable = true;
    try {
        checkWritable();
    } catch (const DatabaseError&) {
        writable = false;
    }
    Connection connection(filePath(),
                          writable ? Connection::Mode::ReadWrite : Connection::Mode::ReadOnly);
    if (!connection.hasTable(name)) {
        throw DatabaseError(
            QStringLiteral("参数数据库“%1”中没有数据表 %2").arg(filePath(), name));
    }
    QSqlQuery query(connection.db());
    query.setForwardOnly(true);
    // no ORDER BY: rows come in stored (rowid) order, which is the contract
    if (!query.exec(QStringLiteral("SELECT * FROM %1").arg(quotedIdentifier(name)))) {
        throw DatabaseError(QStringLiteral("无法读取参数数据库“%1”中的数据表 %2（%3）")
                                .arg(filePath(), name,
                                     databaseFailureText(DatabaseError(std::string(), kindOf(query.lastError())))),
                            kindOf(query.lastError()));
    }
    const QSqlRecord record = query.record();
    QStringList columns;
    for (int i = 0; i < record.count(); ++i) columns << record.fieldName(i);

    std::vector<std::vector<QVariant>> rows;
    while (query.next()) {
        std::vector<QVariant> row;
        row.reserve(static_cast<std::size_t>(columns.size()));
        for (int i = 0; i < columns.size(); ++i) {
            row.push_back(query.isNull(i) ? QVariant() : query.value(i));
        }
        rows.push_back(std::move(row));
    }
    if (query.lastError().isValid()) {
        throw DatabaseError(QStringLiteral("无法读取参数数据库“%1”中的数据表 %2（%3）")
                                .arg(filePath(), name,
                                     databaseFailureText(DatabaseError(std::string(), kindOf(query.lastError())))),
                            kindOf(query.lastError()));
    }
    return ParameterTable(name, columns, std::move(rows));
}

void ParameterDatabase::writeCoefficientValues(
    const std::vector<std::pair<int, double>>& rowValues) const {
    checkWritable();
    Connection connection(filePath(), Connection::Mode::ReadWrite);
    QSqlDatabase& db = connection.db();
    if (!connection.hasTable(schema::nzhi::kTable)) {
        throw DatabaseError(
            QStringLiteral("参数数据库“%1”中没有数据表 nzhi").arg(filePath()));
    }
    const auto failed = [](const QString& what, const QSqlError& error) {
        return DatabaseError(what + QStringLiteral("（") + databaseFailureText(DatabaseError(std::string(), kindOf(error))) + QStringLiteral("）"), kindOf(error));
    };

    // The write lock first, waiting for other writers: a transaction that
    // read first and then wants to write is refused at once when another
    // holds the lock, as waiting could deadlock.
    QSqlQuery control(db);
    if (!control.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        throw failed(QStringLiteral("无法开始写入参数数据库"), control.lastError());
    }
    QString error;
    QSqlError sqlError;
    {
        // rowids in stored order, so that row k is the k-th row a read returns
        std::vector<qlonglong> rowids;
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (query.exec(QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid")
                           .arg(quotedIdentifier(schema::nzhi::kTable)))) {
            while (query.next()) rowids.push_back(query.value(0).toLongLong());
        } else {
            error = QStringLiteral("无法读取数据表 nzhi");
            sqlError = query.lastError();
        }
        for (const auto& [row, value] : rowValues) {
            if (error.isEmpty() && (row < 1 || row > static_cast<int>(rowids.size()))) {
                error = QStringLiteral("数据表 nzhi 没有第 %1 行（共 %2 行）")
                            .arg(row)
                            .arg(rowids.size());
            }
        }
        QSqlQuery update(db);
        update.prepare(QStringLiteral("UPDATE %1 SET %2 = ? WHERE rowid = ?")
                           .arg(quotedIdentifier(schema::nzhi::kTable),
                                quotedIdentifier(schema::nzhi::kValueName)));
        for (const auto& [row, value] : rowValues) {
            if (!error.isEmpty()) break;
            update.bindValue(0, value);
            update.bindValue(1, rowids[static_cast<std::size_t>(row - 1)]);
            if (!update.exec()) {
                error = QStringLiteral("无法写入数据表 nzhi");
                sqlError = update.lastError();
            }
        }
    }
    if (error.isEmpty() && !control.exec(QStringLiteral("COMMIT"))) {
        error = QStringLiteral("无法写入数据表 nzhi");
        sqlError = control.lastError();
    }
    if (!error.isEmpty()) {
        control.exec(QStringLiteral("ROLLBACK"));
        throw failed(error, sqlError);
    }
}

bool ParameterDatabase::createIfMissing(std::span<const std::uint8_t> image) const {
    const QString folder = m_directory.isEmpty() ? QStringLiteral(".") : m_directory;
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        throw DatabaseError(QStringLiteral("文件夹 %1 无法打开").arg(folder),
                            DatabaseError::Kind::ReadOnly);
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    // polled, as the updater also locks this folder while it installs
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() > deadline) {
            throw DatabaseError(QStringLiteral("文件夹 %1 被另一程序锁定").arg(folder),
                                DatabaseError::Kind::Busy);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (QFileInfo::exists(filePath())) return false;
    for (const char* side : {"-journal", "-wal", "-shm"}) QFile::remove(filePath() + side);
    return createFileExclusively(localPath(filePath()), image);
}

void ParameterDatabase::removeLeftoverJournal() const {
    const QString journal = filePath() + QStringLiteral("-journal");
    if (!QFileInfo::exists(journal)) return;
    try {
        checkWritable();
        SqliteConnection connection =
            SqliteConnection::openFile(filePath(), SqliteConnection::Access::ReadWrite);
        // a writer at work now owns the journal: leave it to its commit
        connection.waitForLocks(std::chrono::milliseconds(0));
        connection.execute("BEGIN IMMEDIATE");
        if (QFileInfo::exists(journal)) {
            // a write that changes nothing: its commit deletes the journal
            const QString version = connection.text(QStringLiteral("PRAGMA user_version"));
            connection.execute(
                QStringLiteral("PRAGMA user_version = %1").arg(version.toLongLong()).toUtf8().constData());
        }
        connection.execute("COMMIT");
    } catch (const DatabaseError&) {
        // a database that cannot be written keeps its journal; reads are unaffected
    }
}

QString databaseFailureText(const DatabaseError& error) {
    switch (error.kind()) {
        case DatabaseError::Kind::Busy:
            return QStringLiteral("数据库正被另一程序使用，等待 %1 秒后仍未释放，请稍后再试")
                .arg(ParameterDatabase::kBusyTimeoutMs / 1000);
        case DatabaseError::Kind::ReadOnly:
            return QStringLiteral("数据库文件或其所在文件夹是只读的");
        case DatabaseError::Kind::NoSpace:
            return QStringLiteral("磁盘空间不足或超出了文件大小限制");
        case DatabaseError::Kind::Damaged:
            return QStringLiteral("数据库文件已损坏");
        case DatabaseError::Kind::TimedOut:
            return QStringLiteral("读取数据库超时");
        case DatabaseError::Kind::Other:
            break;
    }
    return QStringLiteral("数据库操作失败");
}

void ParameterDatabase::releaseConnections() {
    for (const QString& name : QSqlDatabase::connectionNames()) {
        if (name.startsWith(kPrefix)) QSqlDatabase::removeDatabase(name);
    }
}

}  // namespace wormpair
