#include "store/parameter_schema.h"

#include <algorithm>
#include <cmath>

#include "calc/numeric.h"

namespace wormpair {

const QString& schema::gradeTable(int gradeIndex) {
    return grade::kTables[static_cast<std::size_t>(gradeIndex < 0 ? 0 : (gradeIndex > 2 ? 2 : gradeIndex))];
}

const std::array<schema::TableDefinition, 6>& schema::tableDefinitions() {
    const auto grade = [](const QString& name) {
        return TableDefinition{name,
                               {{"ID", "INTEGER", true},
                                {"AMIN", "REAL"},
                                {"AMAX", "REAL"},
                                {"FPX", "TEXT"},
                                {"FPXL", "TEXT"},
                                {"FH", "TEXT"},
                                {"FF1", "TEXT"},
                                {"FR1", "TEXT"},
                                {"TS1", "TEXT"},
                                {"FPT", "TEXT"},
                                {"FP2", "TEXT"},
                                {"TS2", "TEXT"},
                                {"FR2", "TEXT"},
                                {"FA", "TEXT"},
                                {"FX", "TEXT"},
                                {"FSIGMA", "TEXT"},
                                {"JN", "TEXT"}}};
    };
    static const std::array<TableDefinition, 6> tables = {
        TableDefinition{nzhi::kTable,
                        {{"ID", "INTEGER", true},
                         {"MC", "TEXT", false, true},
                         {"N", "REAL"},
                         {"MRZ", "REAL"},
                         {"JSGS", "TEXT"}}},
        grade(grade::kTables[0]),
        grade(grade::kTables[1]),
        grade(grade::kTables[2]),
        TableDefinition{xiuyuan::kTable,
                        {{"ID", "INTEGER", true},
                         {"AMIN", "REAL"},
                         {"AMAX", "REAL"},
                         {"I25", "REAL"},
                         {"I40", "REAL"},
                         {"I63", "REAL"},
                         {"I63UP", "REAL"}}},
        TableDefinition{xiuyuanchangdu::kTable,
                        {{"ID", "INTEGER", true},
                         {"Z2MIN", "INTEGER"},
                         {"Z2MAX", "INTEGER"},
                         {"RKCD", "TEXT"},
                         {"CKCD", "TEXT"}}},
    };
    return tables;
}

QString schema::quotedName(const QString& name) {
    QString inner = name;
    inner.replace(u'"', QStringLiteral("\"\""));
    return u'"' + inner + u'"';
}

QString schema::createStatement(const TableDefinition& table) {
    QStringList columns;
    for (const Column& column : table.columns) {
        QString text = quotedName(QString::fromLatin1(column.name)) + u' ' +
                       QString::fromLatin1(column.type);
        if (column.key) text += QStringLiteral(" PRIMARY KEY");
        if (column.required) text += QStringLiteral(" NOT NULL");
        columns << text;
    }
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(quotedName(table.name), columns.join(", "));
}

namespace {

using schema::ValueRange;

// A stored value as a message quotes it: what does not print spelled out,
// a long text cut.
QString shownText(const QVariant& value) {
    constexpr qsizetype kShown = 24;
    const QString text = fieldText(value);
    QString shown;
    for (const char32_t c : QStringView(text).left(kShown).toUcs4()) {
        shown += QChar::isPrint(c) ? QString::fromUcs4(&c, 1)
                                   : QStringLiteral("\\u%1").arg(uint(c), 4, 16, QChar(u'0'));
    }
    if (text.size() > kShown) shown += QStringLiteral("…（共 %1 个字符）").arg(text.size());
    return shown;
}

QString refusal(const QString& table, int row, const QString& column, const QVariant& value,
                const QString& why) {
    return QStringLiteral("数据表 %1 第 %2 行 %3 列的值“%4”%5")
        .arg(table)
        .arg(row + 1)
        .arg(column, shownText(value), why);
}

std::optional<QString> numberProblem(const QString& table, int row, const QString& column,
                                     const QVariant& value, ValueRange range) {
    if (value.typeId() == QMetaType::QString &&
        value.toString().size() > schema::limits::kNumberTextLength) {
        return refusal(table, row, column, value,
                       QStringLiteral("过长（最多 %1 个字符）").arg(schema::limits::kNumberTextLength));
    }
    const std::optional<double> number = finiteNumberOf(value);
    if (!number) return refusal(table, row, column, value, QStringLiteral("不是数字"));
    if (*number < range.low || *number > range.high) {
        return refusal(table, row, column, value,
                       QStringLiteral("不在 %1～%2 之间").arg(range.low).arg(range.high));
    }
    return std::nullopt;
}

// Names and formulas are shown in the dialog, the listing and the manuals.
std::optional<QString> textProblem(const ParameterTable& table, int row, int position,
                                   int maxLength, bool required) {
    const QVariant value = table.value(row, position);
    const QString text = fieldText(value);
    const QString column = table.columnNames().value(position);
    if (required && text.trimmed().isEmpty()) {
        return refusal(table.name(), row, column, value, QStringLiteral("为空"));
    }
    if (text.size() > maxLength) {
        return refusal(table.name(), row, column, value,
                       QStringLiteral("过长（最多 %1 个字符）").arg(maxLength));
    }
    for (const char32_t c : text.toUcs4()) {
        if (!QChar::isPrint(c)) {
            return refusal(table.name(), row, column, value,
                           QStringLiteral("含有换行、控制字符或不可见的格式字符"));
        }
    }
    return std::nullopt;
}

std::optional<QString> cellProblem(const ParameterTable& table, int row, int position,
                                   ValueRange range) {
    return numberProblem(table.name(), row, table.columnNames().value(position),
                         table.value(row, position), range);
}

double coefficientValue(const ParameterTable& table, int row) {
    const QVariant field = table.value(row, schema::nzhi::kValue);
    // SQLite keeps 1e400 as an infinity; every calculation would then fail
    // and blame the user's input. Rows past the 16th are never read.
    if (row < schema::nzhi::kRowCount) {
        if (const auto problem = coefficientProblem(row + 1, field)) throw DatabaseError(*problem);
    }
    return *finiteNumberOf(field);
}

double numberAt(const ParameterTable& table, int row, int position) {
    return parseReal(table.text(row, position).toStdString());
}

}  // namespace

std::optional<QString> coefficientProblem(int number, const QVariant& value) {
    return numberProblem(schema::nzhi::kTable, number - 1, schema::nzhi::kValueName, value,
                         schema::limits::kCoefficients[number - 1]);
}

std::optional<QString> rulesValueProblem(const std::array<ParameterTable, 6>& tables) {
    namespace limits = schema::limits;
    const ParameterTable& rules = tables[0];
    const int formula = static_cast<int>(rules.columnNames().indexOf(schema::nzhi::kFormulaName));
    for (int row = 0; row < std::min(rules.rowCount(), schema::nzhi::kRowCount); ++row) {
        const ValueRange range = limits::kCoefficients[row];
        for (const auto& problem :
             {textProblem(rules, row, schema::nzhi::kName, limits::kNameLength, true),
              cellProblem(rules, row, schema::nzhi::kValue, range),
              cellProblem(rules, row, schema::nzhi::kFactoryValue, range),
              formula < 0 ? std::nullopt
                          : textProblem(rules, row, formula, limits::kFormulaLength, false)}) {
            if (problem) return problem;
        }
    }
    // every other column of each table, by position, with its range
    const auto check = [](const ParameterTable& table,
                          std::initializer_list<std::pair<int, ValueRange>> columns)
        -> std::optional<QString> {
        for (int row = 0; row < table.rowCount(); ++row) {
            for (const auto& [position, range] : columns) {
                if (auto problem = cellProblem(table, row, position, range)) return problem;
            }
        }
        return std::nullopt;
    };
    using namespace schema::grade;
    for (std::size_t grade = 1; grade <= kTables.size(); ++grade) {
        const ValueRange um = limits::kMicrometres, mm = limits::kMillimetres;
        if (auto problem = check(
                tables[grade],
                {{kLowerBound, limits::kBoundsMillimetres}, {kUpperBound, limits::kBoundsMillimetres},
                 {kAxialPitchDeviation, um}, {kAxialPitchCumulative, um}, {kHelixTolerance, um},
                 {kWormProfileTolerance, um}, {kWormRunout, um}, {kWormThicknessTolerance, mm},
                 {kWheelPitchDeviation, um}, {kWheelPitchCumulative, um},
                 {kWheelThicknessTolerance, mm}, {kWheelRunout, um},
                 {kCentreDistanceDeviation, um}, {kMiddlePlaneShift, um},
                 {kShaftAngleDeviation, um}, {kStandardBacklash, mm}})) {
            return problem;
        }
    }
    const ValueRange amount = limits::kReliefAmount, length = limits::kReliefLength;
    if (auto problem = check(tables[4], {{schema::xiuyuan::kLowerBound, limits::kBoundsMillimetres},
                                         {schema::xiuyuan::kUpperBound, limits::kBoundsMillimetres},
                                         {schema::xiuyuan::kFirstBandAmount, amount},
                                         {schema::xiuyuan::kFirstBandAmount + 1, amount},
                                         {schema::xiuyuan::kFirstBandAmount + 2, amount},
                                         {schema::xiuyuan::kFirstBandAmount + 3, amount}})) {
        return problem;
    }
    return check(tables[5], {{schema::xiuyuanchangdu::kLowerBound, limits::kBoundsTeeth},
                             {schema::xiuyuanchangdu::kUpperBound, limits::kBoundsTeeth},
                             {schema::xiuyuanchangdu::kEntryLength, length},
                             {schema::xiuyuanchangdu::kExitLength, length}});
}

bool sameAsStored(const QVariant& a, const QVariant& b) {
    if (isNumericField(a) && isNumericField(b)) return a.toDouble() == b.toDouble();
    return fieldText(a) == fieldText(b);
}

void readCoefficients(const ParameterTable& nzhi, CoefficientSet& coefficients,
                      bool& differsFromFactory) {
    if (nzhi.rowCount() == 0) throw DatabaseError(QStringLiteral("计算法则表 nzhi 没有数据"));
    int row = 0;
    for (std::size_t number = 1; number <= CoefficientSet::kCount; ++number) {
        coefficients[number] = coefficientValue(nzhi, row);
        if (!sameAsStored(nzhi.value(row, schema::nzhi::kValue),
                          nzhi.value(row, schema::nzhi::kFactoryValue))) {
            differsFromFactory = true;
        }
        // past the last row the last row stays current
        if (row + 1 < nzhi.rowCount()) ++row;
    }
}

std::optional<int> firstRowReaching(const ParameterTable& table, int boundPosition, double value) {
    for (int row = 0; row < table.rowCount(); ++row) {
        if (numberAt(table, row, boundPosition) >= value) return row;
    }
    return std::nullopt;
}

std::optional<int> gradeRowFor(const ParameterTable& table, double centreDistance) {
    using namespace schema::grade;
    const std::optional<int> row = firstRowReaching(table, kUpperBound, centreDistance);
    if (!row) return std::nullopt;
    const double lower = numberAt(table, *row, kLowerBound);
    const double upper = numberAt(table, *row, kUpperBound);
    if (lower < centreDistance && centreDistance <= upper) return row;
    return std::nullopt;
}

std::optional<GradeRow> readGradeRow(const ParameterTable& table, double centreDistance) {
    using namespace schema::grade;
    const std::optional<int> row = gradeRowFor(table, centreDistance);
    if (!row) return std::nullopt;
    auto text = [&](int position) { return table.text(*row, position).toStdString(); };
    return GradeRow{*row,
                    {text(kAxialPitchDeviation), text(kAxialPitchCumulative),
                     text(kWormThicknessTolerance), text(kWheelPitchDeviation),
                     text(kWheelPitchCumulative), text(kWheelThicknessTolerance)},
                    text(kStandardBacklash)};
}

std::optional<AssemblyLimits> readAssemblyLimits(const ParameterTable& table,
                                                 double centreDistance) {
    using namespace schema::grade;
    const std::optional<int> row = gradeRowFor(table, centreDistance);
    if (!row) return std::nullopt;
    try {
        return AssemblyLimits{numberAt(table, *row, kCentreDistanceDeviation) / 1000,
                              numberAt(table, *row, kMiddlePlaneShift) / 1000,
                              numberAt(table, *row, kShaftAngleDeviation)};
    } catch (const CalculationError&) {
        return std::nullopt;
    }
}

bool gradeTableCovers(const ParameterTable& table, double from, double to) {
    using namespace schema::grade;
    // gradeRowFor picks the first row whose upper bound reaches the centre
    // distance; a row is picked for the distances above every earlier upper
    // bound up to its own, and holds them all when its lower bound lies at
    // or below the first of them.
    double reached = from;
    try {
        for (int row = 0; row < table.rowCount(); ++row) {
            const double lower = numberAt(table, row, kLowerBound);
            const double upper = numberAt(table, row, kUpperBound);
            if (upper <= reached || reached >= to) continue;
            if (lower > reached) return false;
            reached = upper;
        }
    } catch (const CalculationError&) {
        return false;
    }
    return reached >= to;
}

bool boundsReach(const ParameterTable& table, int boundPosition, double upTo) {
    bool reaches = false;
    try {
        for (int row = 0; row < table.rowCount(); ++row) {
            reaches = reaches || numberAt(table, row, boundPosition) >= upTo;
        }
    } catch (const CalculationError&) {
        return false;
    }
    return reaches;
}

}  // namespace wormpair
