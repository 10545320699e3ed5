#include "store/rules_content.h"

#include <QStringList>

#include <optional>

#include "store/parameter_schema.h"

namespace wormpair {

namespace {

// No table of the rules comes near this; more rows is no rules file.
constexpr std::size_t kRowLimit = 10000;

// The problem of a table's columns, if any: names, types and the key must
// be this program's, in its order, and none may be computed.
std::optional<QString> columnProblem(SqliteConnection& source, const schema::TableDefinition& table) {
    const std::vector<StoredRow> columns =
        source.rows(QStringLiteral("PRAGMA table_xinfo(%1)").arg(schema::quotedName(table.name)));
    const auto differs = [&](std::size_t i) {
        const StoredRow& found = columns[i];
        const schema::Column& expected = table.columns[i];
        // cid, name, type, notnull, dflt_value, pk, hidden
        return found.size() < 7 ||
               found[1].toVariant().toString().compare(QLatin1String(expected.name),
                                                       Qt::CaseInsensitive) != 0 ||
               found[2].toVariant().toString().compare(QLatin1String(expected.type),
                                                       Qt::CaseInsensitive) != 0 ||
               (found[3].toVariant().toLongLong() != 0) != expected.required ||
               (found[5].toVariant().toLongLong() != 0) != expected.key ||
               found[6].toVariant().toLongLong() != 0;
    };
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        if (i >= columns.size() || differs(i)) {
            return QStringLiteral("数据表 %1 的第 %2 个字段应为 %3 %4")
                .arg(table.name)
                .arg(i + 1)
                .arg(QLatin1String(table.columns[i].name), QLatin1String(table.columns[i].type));
        }
    }
    if (columns.size() != table.columns.size()) {
        return QStringLiteral("数据表 %1 应有 %2 个字段，实有 %3 个")
            .arg(table.name)
            .arg(table.columns.size())
            .arg(columns.size());
    }
    return std::nullopt;
}

ParameterTable tableOf(const schema::TableDefinition& definition,
                       const std::vector<StoredRow>& stored) {
    QStringList names;
    for (const schema::Column& column : definition.columns) names << QLatin1String(column.name);
    std::vector<std::vector<QVariant>> rows;
    for (const StoredRow& row : stored) {
        std::vector<QVariant> values;
        for (const StoredValue& value : row) values.push_back(value.toVariant());
        rows.push_back(std::move(values));
    }
    return ParameterTable(definition.name, names, std::move(rows));
}

std::optional<QString> contentProblem(const std::array<ParameterTable, 6>& tables) {
    const ParameterTable& rules = tables[0];
    if (rules.rowCount() != schema::nzhi::kRowCount) {
        return QStringLiteral("计算法则表 nzhi 应有 16 行，实有 %1 行").arg(rules.rowCount());
    }
    for (int row = 0; row < rules.rowCount(); ++row) {
        if (!finiteNumberOf(rules.value(row, schema::nzhi::kValue))) {
            return QStringLiteral("计算法则表 nzhi 第 %1 行的 N 值不是有限的数字").arg(row + 1);
        }
    }
    for (std::size_t grade = 0; grade < schema::grade::kTables.size(); ++grade) {
        const ParameterTable& table = tables[grade + 1];
        if (!gradeTableCovers(table, schema::kSmallestCentreDistance,
                              schema::kLargestCentreDistance)) {
            return QStringLiteral("精度表 %1 未覆盖 %2～%3 mm 的中心距，或其界限不是数字")
                .arg(table.name())
                .arg(schema::kSmallestCentreDistance)
                .arg(schema::kLargestCentreDistance);
        }
    }
    const ParameterTable& amounts = tables[4];
    if (!boundsReach(amounts, schema::xiuyuan::kUpperBound, schema::kLargestCentreDistance)) {
        return QStringLiteral("修缘量表 xiuyuan 的中心距未达到 %1 mm，或其界限不是数字")
            .arg(schema::kLargestCentreDistance);
    }
    for (int row = 0; row < amounts.rowCount(); ++row) {
        for (int band = 0; band < schema::xiuyuan::kBandCount; ++band) {
            if (!finiteNumberOf(amounts.value(row, schema::xiuyuan::kFirstBandAmount + band))) {
                return QStringLiteral("修缘量表 xiuyuan 第 %1 行的修缘量不是数字").arg(row + 1);
            }
        }
    }
    if (!boundsReach(tables[5], schema::xiuyuanchangdu::kUpperBound, schema::kLargestWheelTeeth)) {
        return QStringLiteral("修缘长度表 xiuyuanchangdu 的齿数未达到 %1，或其界限不是数字")
            .arg(schema::kLargestWheelTeeth);
    }
    return rulesValueProblem(tables);
}

CheckedRules readRules(SqliteConnection& source) {
    CheckedRules checked;
    const QString integrity = source.text(QStringLiteral("PRAGMA integrity_check(1)"));
    if (integrity != QLatin1String("ok")) {
        checked.problem = QStringLiteral("文件已损坏，未通过完整性检查");
        return checked;
    }
    std::array<ParameterTable, 6> tables;
    const auto& definitions = schema::tableDefinitions();
    for (std::size_t t = 0; t < definitions.size(); ++t) {
        const schema::TableDefinition& definition = definitions[t];
        const QString type = source.text(
            QStringLiteral("SELECT type FROM sqlite_schema WHERE name = '%1' COLLATE NOCASE "
                           "AND type <> 'trigger'")
                .arg(definition.name));
        if (type.isEmpty()) {
            checked.problem = QStringLiteral("缺少数据表 %1").arg(definition.name);
            return checked;
        }
        if (type != QLatin1String("table")) {
            checked.problem = QStringLiteral("%1 不是数据表").arg(definition.name);
            return checked;
        }
        if (const auto problem = columnProblem(source, definition)) {
            checked.problem = *problem;
            return checked;
        }
        QStringList names;
        for (const schema::Column& column : definition.columns) {
            names << schema::quotedName(QLatin1String(column.name));
        }
        // in stored order; a table without rowid has no stored order and fails here
        checked.content.tables[t] =
            source.rows(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid")
                            .arg(names.join(u','), schema::quotedName(definition.name)),
                        kRowLimit);
        tables[t] = tableOf(definition, checked.content.tables[t]);
    }
    if (const auto problem = contentProblem(tables)) checked.problem = *problem;
    return checked;
}

}  // namespace

CheckedRules checkRules(SqliteConnection& source) {
    source.distrustSchema();
    source.limitStatementTime(kCheckTimeLimit);
    CheckedRules checked;
    try {
        checked = readRules(source);
    } catch (const DatabaseError& error) {
        switch (error.kind()) {
            case DatabaseError::Kind::TimedOut:
                checked.problem = QStringLiteral("读取超过 %1 秒仍未完成，文件可能含有恶意结构")
                                      .arg(kCheckTimeLimit.count() / 1000);
                break;
            case DatabaseError::Kind::Busy:
                throw;
            default:
                checked.problem = QStringLiteral("不是参数数据库或文件已损坏");
        }
    }
    if (!checked.problem.isEmpty()) checked.content = {};
    return checked;
}

SqliteConnection normalisedDatabase(const RulesContent& rules) {
    SqliteConnection database = SqliteConnection::openMemory();
    database.execute("PRAGMA page_size = 4096");
    database.execute("BEGIN");
    const auto& definitions = schema::tableDefinitions();
    for (std::size_t t = 0; t < definitions.size(); ++t) {
        const schema::TableDefinition& definition = definitions[t];
        database.execute(schema::createStatement(definition).toUtf8().constData());
        QStringList places;
        for (std::size_t i = 0; i < definition.columns.size(); ++i) places << QStringLiteral("?");
        SqliteStatement insert(database, QStringLiteral("INSERT INTO %1 VALUES (%2)")
                                             .arg(schema::quotedName(definition.name),
                                                  places.join(u',')));
        for (const StoredRow& row : rules.tables[t]) {
            for (std::size_t i = 0; i < row.size(); ++i) insert.bind(static_cast<int>(i) + 1, row[i]);
            insert.step();
            insert.reset();
        }
    }
    database.execute("COMMIT");
    return database;
}

}  // namespace wormpair
