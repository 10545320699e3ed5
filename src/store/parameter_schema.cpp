#include "store/parameter_schema.h"

#include <cmath>

#include "calc/numeric.h"

namespace wormpair {

const QString& schema::gradeTable(int gradeIndex) {
    return grade::kTables[static_cast<std::size_t>(gradeIndex < 0 ? 0 : (gradeIndex > 2 ? 2 : gradeIndex))];
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

}  // namespace wormpair
