#include "store/user_settings.h"

#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <filesystem>

#include "store/parameter_database.h"
#include "store/rules_content.h"

namespace wormpair {

namespace {

constexpr std::size_t kSettingsFileLimit = std::size_t(64) << 20;
// What SQLite keeps beside a database while a transaction is open.
const char* const kSideFiles[] = {"-journal", "-wal", "-shm"};

std::filesystem::path localPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

SettingsFileError unchanged(const QString& what, const QString& why) {
    return SettingsFileError((what + why + QStringLiteral("，当前设置保持不变........")).toStdString());
}

RulesContent checkedRulesOf(const QString& path, const QString& what) {
    // A journal beside the file holds a transaction its main file lacks or
    // has only in part: the file alone is not what its writer meant.
    for (const char* side : {"-journal", "-wal"}) {
        if (QFileInfo(path + QLatin1String(side)).size() > 0) {
            throw unchanged(what, QStringLiteral("旁边有未完成事务的日志文件 %1%2，文件可能不完整")
                                      .arg(QFileInfo(path).fileName(), QLatin1String(side)));
        }
    }
    if (QFileInfo(path).size() > qint64(kSettingsFileLimit)) {
        throw unchanged(what, QStringLiteral("过大（超过 %1 MB），不是参数数据库")
                                  .arg(kSettingsFileLimit >> 20));
    }
    std::vector<std::uint8_t> bytes;
    try {
        bytes = readWholeFile(localPath(path), kSettingsFileLimit);
    } catch (const FileReplaceError&) {
        throw unchanged(what, QStringLiteral("无法读取"));
    }
    CheckedRules checked;
    try {
        SqliteConnection source = SqliteConnection::openImage(bytes);
        checked = checkRules(source);
    } catch (const DatabaseError&) {
        checked.problem = QStringLiteral("不是参数数据库");
    }
    if (!checked.problem.isEmpty()) {
        throw unchanged(what, QStringLiteral("不是有效的参数数据库（%1）").arg(checked.problem));
    }
    return checked.content;
}

void removeSideFiles(const QString& database) {
    for (const char* side : kSideFiles) QFile::remove(database + QLatin1String(side));
}

// Puts the rules into db1.mdb as one SQLite transaction.
void installRules(const ParameterDatabase& database, const RulesContent& rules) {
    const QString file = database.filePath();
    const auto failed = [](const QString& why) {
        return unchanged(QStringLiteral("参数数据库 db1.mdb 无法写入（%1）").arg(why), {});
    };
    ParameterDatabase::releaseConnections();
    try {
        database.checkWritable();
        SqliteConnection normalised = normalisedDatabase(rules);
        if (!QFileInfo::exists(file) && database.createIfMissing(normalised.image())) return;
        try {
            SqliteConnection live = SqliteConnection::openFile(file, SqliteConnection::Access::ReadWrite);
            live.waitForLocks(std::chrono::milliseconds(ParameterDatabase::kBusyTimeoutMs));
            // rules put in a WAL database would stay in WAL mode
            live.execute("PRAGMA journal_mode = DELETE");
            normalised.copyInto(live);
        } catch (const DatabaseError& error) {
            if (error.kind() != DatabaseError::Kind::Damaged) throw;
            // Not a database even after SQLite played back any journal: no
            // transaction can be open on it, and nothing in it can be kept.
            removeSideFiles(file);
            replaceFile(localPath(file), normalised.image());
        }
    } catch (const DatabaseError& error) {
        throw failed(databaseFailureText(error));
    } catch (const FileReplaceError&) {
        throw failed(QStringLiteral("文件或其所在文件夹不可写"));
    }
}

}  // namespace

QString settingsFileProblem(const std::vector<std::uint8_t>& bytes) {
    try {
        SqliteConnection source = SqliteConnection::openImage(bytes);
        return checkRules(source).problem;
    } catch (const DatabaseError&) {
        return QStringLiteral("不是参数数据库");
    }
}

void restoreFactorySettings(const ParameterDatabase& database) {
    installRules(database,
                 checkedRulesOf(database.factoryCopyPath(), QStringLiteral("出厂设置文件 db1.ccq ")));
}

void loadUserSettings(const ParameterDatabase& database, const QString& path) {
    installRules(database, checkedRulesOf(path, QStringLiteral("所选的用户设置文件")));
}

QString settingsTargetProblem(const ParameterDatabase& database, const QString& target) {
    if (QFileInfo(target).fileName() == QLatin1String(kSettingsFileExtension)) {
        return QStringLiteral("没有给出用户设置文件的名字，保存失败........");
    }
    const std::string problem = programFileProblem(
        localPath(target), {localPath(QFileInfo(database.factoryCopyPath()).path()),
                            localPath(QFileInfo(database.filePath()).path())});
    return QString::fromStdString(problem);
}

void saveUserSettings(const ParameterDatabase& database, const QString& path,
                      const WriteFunction& write) {
    if (const QString problem = settingsTargetProblem(database, path); !problem.isEmpty()) {
        throw SettingsFileError(problem.toStdString());
    }
    std::vector<std::uint8_t> bytes;
    ParameterDatabase::releaseConnections();
    try {
        bool writable = true;
        try {
            database.checkWritable();
        } catch (const DatabaseError&) {
            writable = false;
        }
        SqliteConnection live = SqliteConnection::openFile(
            database.filePath(),
            writable ? SqliteConnection::Access::ReadWrite : SqliteConnection::Access::ReadOnly);
        live.waitForLocks(std::chrono::milliseconds(ParameterDatabase::kBusyTimeoutMs));
        // one consistent state, whatever other writers do meanwhile
        live.execute("BEGIN");
        const CheckedRules checked = checkRules(live);
        live.execute("COMMIT");
        if (!checked.problem.isEmpty()) {
            throw SettingsFileError(
                QStringLiteral("参数数据库 db1.mdb 不完整（%1），保存失败........")
                    .arg(checked.problem)
                    .toStdString());
        }
        bytes = normalisedDatabase(checked.content).image();
    } catch (const DatabaseError& error) {
        throw SettingsFileError(QStringLiteral("参数数据库 db1.mdb 无法读取（%1），保存失败........")
                                    .arg(databaseFailureText(error))
                                    .toStdString());
    }
    try {
        replaceFile(localPath(path), bytes, write);
    } catch (const FileReplaceError&) {
        throw SettingsFileError("用户设置文件无法写入，保存失败........");
    }
}

QString settingsFileName(const QString& chosen) { return chosen + kSettingsFileExtension; }

}  // namespace wormpair
