#include "store/user_settings.h"

#include <QDir>
#include <QTemporaryDir>

#include <map>

#include "store/parameter_database.h"
#include "store/parameter_schema.h"

namespace wormpair {

namespace {

QString problemOf(const ParameterDatabase& database) {
    std::map<QString, ParameterTable> tables;
    for (const QString& table : schema::kAllTables) {
        try {
            tables.emplace(table, database.readTable(table));
        } catch (const DatabaseError&) {
            return QStringLiteral("缺少数据表 %1").arg(table);
        }
    }
    const ParameterTable& rules = tables.at(schema::nzhi::kTable);
    if (rules.rowCount() != schema::nzhi::kRowCount ||
        rules.columnCount() < schema::nzhi::kMinimumFields) {
        return QStringLiteral("计算法则表 nzhi 应有 16 行，实有 %1 行").arg(rules.rowCount());
    }
    for (int row = 0; row < rules.rowCount(); ++row) {
        if (!finiteNumberOf(rules.value(row, schema::nzhi::kValue))) {
            return QStringLiteral("计算法则表 nzhi 第 %1 行的 N 值不是数字").arg(row + 1);
        }
    }
    for (const QString& name : schema::grade::kTables) {
        const ParameterTable& grades = tables.at(name);
        if (grades.rowCount() == 0 || grades.columnCount() < schema::grade::kMinimumFields) {
            return QStringLiteral("精度表 %1 不完整").arg(name);
        }
        for (int row = 0; row < grades.rowCount(); ++row) {
            if (!finiteNumberOf(grades.value(row, schema::grade::kLowerBound)) ||
                !finiteNumberOf(grades.value(row, schema::grade::kUpperBound))) {
                return QStringLiteral("精度表 %1 第 %2 行的中心距界限不是数字")
                    .arg(name)
                    .arg(row + 1);
            }
        }
    }
    return {};
}

std::vector<std::uint8_t> readFile(const QString& path, const char* what) {
    try {
        return readWholeFile(path.toStdString(), std::size_t(64) << 20);
    } catch (const FileReplaceError&) {
        throw SettingsFileError(std::string(what) + "无法读取，当前设置保持不变........");
    }
}

// Replaces db1.mdb by the file at source, once its bytes have passed the check.
void replaceDatabase(const ParameterDatabase& database, const QString& source, const char* what,
                     const WriteFunction& write) {
    const std::vector<std::uint8_t> bytes = readFile(source, what);
    const QString problem = settingsFileProblem(bytes);
    if (!problem.isEmpty()) {
        throw SettingsFileError(std::string(what) + "不是有效的参数数据库（" +
                                problem.toStdString() + "），当前设置保持不变........");
    }
    ParameterDatabase::releaseConnections();
    try {
        replaceFile(database.filePath().toStdString(), bytes, write);
    } catch (const FileReplaceError&) {
        throw SettingsFileError("参数数据库 db1.mdb 无法写入，当前设置保持不变........");
    }
}

}  // namespace

QString settingsFileProblem(const std::vector<std::uint8_t>& bytes) {
    // checked as a copy of its own, so nothing of the file is written or kept open
    QTemporaryDir folder;
    if (!folder.isValid()) return QStringLiteral("无法建立临时文件夹");
    try {
        replaceFile(QDir(folder.path()).filePath("db1.mdb").toStdString(), bytes);
    } catch (const FileReplaceError&) {
        return QStringLiteral("无法建立临时副本");
    }
    const ParameterDatabase copy(folder.path() + '/');
    QString problem;
    try {
        problem = problemOf(copy);
    } catch (const DatabaseError&) {
        problem = QStringLiteral("不是参数数据库");
    }
    ParameterDatabase::releaseConnections();
    return problem;
}

void restoreFactorySettings(const ParameterDatabase& database, const WriteFunction& write) {
    replaceDatabase(database, database.factoryCopyPath(), "出厂设置文件 db1.ccq ", write);
}

void loadUserSettings(const ParameterDatabase& database, const QString& path,
                      const WriteFunction& write) {
    replaceDatabase(database, path, "所选的用户设置文件", write);
}

void saveUserSettings(const ParameterDatabase& database, const QString& path,
                      const WriteFunction& write) {
    const std::vector<std::uint8_t> bytes = readFile(database.filePath(), "参数数据库 db1.mdb ");
    ParameterDatabase::releaseConnections();
    try {
        replaceFile(path.toStdString(), bytes, write);
    } catch (const FileReplaceError&) {
        throw SettingsFileError("用户设置文件无法写入，保存失败........");
    }
}

QString settingsFileName(const QString& chosen) { return chosen + kSettingsFileExtension; }

}  // namespace wormpair
