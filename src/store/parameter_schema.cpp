#include "store/parameter_schema.h"

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

double coefficientValue(const ParameterTable& table, int row) {
    const QVariant field = table.value(row, schema::nzhi::kValue);
    if (isNumericField(field)) {
        // SQLite keeps 1e400 as an infinity; every calculation would then fail
        // and blame the user's input.
        const double value = field.toDouble();
        if (!std::isfinite(value)) {
            throw DatabaseError(
                QStringLiteral("coefficient in row %1 of nzhi is not a finite number")
                    .arg(row + 1));
        }
        return value;
    }
    if (field.typeId() == QMetaType::QString) {
        const QString text = field.toString();
        if (text.isEmpty()) {
            throw DatabaseError(
                QStringLiteral("coefficient in row %1 of nzhi is empty").arg(row + 1));
        }
        return parseReal(text.toStdString());
    }
    throw DatabaseError(
        QStringLiteral("coefficient in row %1 of nzhi is empty or not a number").arg(row + 1));
}

double numberAt(const ParameterTable& table, int row, int position) {
    return parseReal(table.text(row, position).toStdString());
}

}  // namespace

bool sameAsStored(const QVariant& a, const QVariant& b) {
    if (isNumericField(a) && isNumericField(b)) return a.toDouble() == b.toDouble();
    return fieldText(a) == fieldText(b);
}

void readCoefficients(const ParameterTable& nzhi, CoefficientSet& coefficients,
                      bool& differsFromFactory) {
    if (nzhi.rowCount() == 0) throw DatabaseError(QStringLiteral("table nzhi is empty"));
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
